#!/usr/bin/env bash
# Archives the example blog from a sample host started for the purpose, compiles it again with
# --titles, and takes under Xvfb kchmviewer's contents tree by category and title, and xchm's
# "Search titles only" finding the Chinese title words 那些年, into docs/readers/. Needs xdotool and
# ImageMagick; the clicks go to where these readers lay out their panels at 1000 x 700.
# Usage: scripts/search-screenshots.sh <build dir>
set -euo pipefail
build=${1:?usage: scripts/search-screenshots.sh <build dir>}
# shellcheck source=scripts/screenshot-common.sh
source "$(dirname "$0")/screenshot-common.sh"

archive_example
"$bin/pelmora-cli" --dir "$folder" --titles --quiet chm qiruvo
start_screen

# drag X1 Y X2: moves the splitter at X1 to X2.
drag() {
    xdotool mousemove "$1" "$2" mousedown 1
    sleep 0.3
    xdotool mousemove $((($1 + $3) / 2)) "$2"
    sleep 0.3
    xdotool mousemove "$3" "$2" mouseup 1
    sleep 1
}

kchmviewer "$chm" >/dev/null 2>&1 &
pid=$!
sleep 5
drag 303 380 470 # a navigator wide enough for whole titles
click 170 394    # the first article of 随笔
shot kchmviewer-titles
kill $pid

open_xchm "$chm"
sleep 2
click 156 106 # the notebook's arrow, twice, to the Search tab
sleep 1
click 156 106
sleep 1
drag 173 400 420
click 22 175 # Get partial matches: a title word is found inside the title
click 22 197 # Search titles only
click 200 141
xdotool type --delay 200 '那些年'
click 53 235 # Search
sleep 3
click 100 275 # the first title found
shot xchm-title-search
kill $pid
ls "$out"
