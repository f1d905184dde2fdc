#!/bin/sh
# Takes the README's screenshots of a running Tidemark under Xvfb. Needs xvfb, xdotool and
# imagemagick, a demo tree mapped as C: and a settings file that places the main window at
# (0, 0) and the configuration window at its right, for example:
#   LANG=fr_FR.UTF-8 XDG_CONFIG_HOME=/tmp/democfg TIDEMARK_DRIVES="C=/tmp/demo" \
#     xvfb-run -s "-screen 0 2400x1200x24" sh docs/captures.sh
# The clicks land on "Sous Répertoires Compris" and then "Visu Purge" of a 1280x800 window.
./build/app/tidemark &
sleep 3
W=$(xdotool search --name "Velnor 2002/05 Tidemark v" | head -1)
F=$(xdotool search --name "Configurations" | head -1)
xdotool mousemove 16 524 click 1
sleep 1
xdotool mousemove 1136 102 click 1
sleep 1
import -window "$W" docs/fenetre-principale.png
import -window "$F" docs/configurations.png
kill $!
