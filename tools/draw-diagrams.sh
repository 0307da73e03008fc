#!/bin/sh
# draw-diagrams.sh - the diagrams of the docs (`make diagrams`), drawn by kvnlink from the positions they show.
#
# Usage: tools/draw-diagrams.sh KVNLINK FOLDER
set -eu
kvnlink=$1
out=$2
mkdir -p "$out"
board() { name=$1; shift; "$kvnlink" board "$@" --svg "$out/$name.svg"; echo "drew $out/$name.svg"; }

# rules.md
board start --fen "W:W31-50:B1-20" --numbers
board many-captures --fen "W:WK1,K6,K35,K36,K45,K46,K50:B2,4,7,11,14,15,21,24,27,29,32,33,42,43"
board five-move-rule --fen "W:WK28,33:BK3"
# matches.md: the demo's game (always the same, from its fixed seed) after 20 plies, as Black sees it
game=$(mktemp)
trap 'rm -f "$game"' EXIT
"$kvnlink" demo --port 27533 --pdn "$game" >/dev/null
board demo-ply-20 --pdn "$game" --ply 20 --black-below --numbers
