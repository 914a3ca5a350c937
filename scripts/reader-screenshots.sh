#!/usr/bin/env bash
# Archives the example blog from a sample host started for the purpose, opens the help file in
# kchmviewer and xchm under Xvfb and takes, for each, the start page, a category page reached from
# it and an article reached from the contents, into docs/readers/. Needs xdotool and ImageMagick;
# the clicks go to where these readers lay out the example at 1000 x 700.
# Usage: scripts/reader-screenshots.sh <build dir>
set -euo pipefail
build=${1:?usage: scripts/reader-screenshots.sh <build dir>}
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$build/bin"
out="$root/docs/readers"
folder=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$folder"' EXIT

"$bin/pelmora-sample-host" --port 0 >"$folder/host.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
    grep -q listening "$folder/host.out" && break
    sleep 0.1
done
host=$(grep -o 'http://[^ ]*' "$folder/host.out")
"$bin/pelmora-cli" --dir "$folder" --host "$host" --quiet archive qiruvo
chm="$folder/qiruvo.chm"

exec 3>"$folder/display"
Xvfb -displayfd 3 -screen 0 1000x700x24 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do
    [ -s "$folder/display" ] && break
    sleep 0.1
done
export DISPLAY=":$(cat "$folder/display")"
export HOME="$folder" XDG_RUNTIME_DIR="$folder"
mkdir -p "$out"

shot() { # shot NAME: waits for the reader, moves the pointer aside and takes the screen
    sleep 3
    xdotool mousemove 999 699
    sleep 1
    import -window root "$out/$1.png"
}
click() { xdotool mousemove "$1" "$2" click 1; }

kchmviewer "$chm" >/dev/null 2>&1 &
pid=$!
shot kchmviewer-start
click 399 259 # 随笔 on the start page
shot kchmviewer-category
click 150 184 # the second article in the contents
shot kchmviewer-article
kill $pid

xchm "$chm" >/dev/null 2>&1 &
pid=$!
sleep 4
window=$(xdotool search --onlyvisible --name 'xCHM' | head -1)
xdotool windowmove "$window" 0 0 windowsize "$window" 1000 700
shot xchm-start
click 279 265 # 随笔 on the start page
shot xchm-category
click 100 161 # the second article in the contents
shot xchm-article
kill $pid
ls "$out"
