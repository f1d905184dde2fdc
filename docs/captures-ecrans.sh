#!/bin/sh
# Takes the README's first-start screenshots on a small screen and on a doubled scale:
# a fresh settings folder, a small demo tree as C:, the whole Xvfb screen captured.
# Needs xvfb and imagemagick; run from the top of a built checkout: sh docs/captures-ecrans.sh
set -e
demo=$(mktemp -d)
mkdir -p "$demo/projets/moteur" "$demo/projets/old"
for i in 1 2 3; do
    echo aaaa >"$demo/moteur.asm.$i"
    echo bbbbbbbb >"$demo/carter.prt.$i"
    echo cc >"$demo/projets/moteur/piston.prt.$i"
done
capture() { # screen, scale, output
    cfg=$(mktemp -d)
    XDG_CONFIG_HOME=$cfg TIDEMARK_DRIVES="C=$demo" QT_SCALE_FACTOR=$2 \
        xvfb-run -a -s "-screen 0 ${1}x24" sh -c \
        "./build/app/tidemark & p=\$!; sleep 4; import -window root '$3'; kill \$p"
    rm -rf "$cfg"
}
capture 1366x768 1 docs/ecran-1366x768.png
capture 1920x1200 2 docs/ecran-1920x1200-x2.png
rm -rf "$demo"
