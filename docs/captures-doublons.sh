#!/bin/sh
# Takes the README's screenshots of the duplicate review (the couple table, the folder-pair
# view) of a running Tidemark under Xvfb, on a demo tree that it makes in $DEMO. Needs xvfb,
# xdotool and imagemagick, and a settings file that places the main window at (0, 0) and
# hides the configuration window, for example:
#   DEMO=/tmp/demo-doublons LANG=fr_FR.UTF-8 XDG_CONFIG_HOME=/tmp/democfg-doublons \
#     TIDEMARK_DRIVES="C=/tmp/demo-doublons" \
#     xvfb-run -s "-screen 0 2400x1200x24" sh docs/captures-doublons.sh
# with /tmp/democfg-doublons/Tidemark/Tidemark.conf holding
#   [startup]
#   toppos=0
#   leftpos=0
#   memrepert=C:\\projets
#   Form2V=false
# The clicks land on "Sous Répertoires Compris", "Visu Purge", "Recherche Multiples ?", a row
# of the table, the tab "Paires de répertoires" and its first pair, of a 1280x800 window.
set -e
D=${DEMO:?}/projets
rm -rf "$D"
# fichier PATH TEXT LINES: a file of LINES lines of TEXT.
fichier() {
    mkdir -p "$(dirname "$1")"
    yes "ISO-10303 $2" | head -n "$3" >"$1"
}
k=0
for m in piston bielle carter vilebrequin culasse soupape came segment axe chemise joint \
    bouchon couvercle support palier volant pignon arbre ressort poulie; do
    k=$((k + 1))
    n=$(((k * 397) % 3000 + 200))
    fichier "$D/moteur/old/$m.prt.$((3 + k % 4))" "$m" "$n"
    # One model in five was changed for the release.
    v=$m
    [ $((k % 5)) -eq 0 ] && v="$m rev. B"
    fichier "$D/moteur/release/$m.prt.$((5 + k % 3))" "$v" "$n"
    [ "$k" -le 6 ] && fichier "$D/archives/2023/$m.prt.1" "$m 2023" "$((n + 40))"
done
for m in boite couvercle levier tige; do
    fichier "$D/boite/$m.asm.2" "$m" 900
    fichier "$D/boite/copie/$m.asm.4" "$m" 900
done
fichier "$D/boite/copie/tige.asm.4" "tige rev. C" 900

./build/app/tidemark &
sleep 3
W=$(xdotool search --name "Velnor 2002/05 Tidemark v" | head -1)
xdotool mousemove 16 524 click 1
sleep 1
xdotool mousemove 1136 102 click 1
sleep 1
xdotool mousemove 1136 345 click 1
sleep 2
xdotool mousemove 500 369 click 1
sleep 1
import -window "$W" docs/doublons-couples.png
xdotool mousemove 480 79 click 1
sleep 2
xdotool mousemove 500 117 click 1
sleep 1
import -window "$W" docs/doublons-paires.png
kill $!
