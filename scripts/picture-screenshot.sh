#!/usr/bin/env bash
# Archives the example blog with its pictures (--images) from a sample host started for the
# purpose, opens an article that shows a picture inside the help file in kchmviewer under Xvfb and
# takes the screen into docs/readers/kchmviewer-picture.png. Needs ImageMagick and xdotool.
# Usage: scripts/picture-screenshot.sh <build dir>
set -euo pipefail
build=${1:?usage: scripts/picture-screenshot.sh <build dir>}
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$build/bin"
out="$root/docs/readers"
folder=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$folder"' EXIT

"$bin/pelmora-sample-host" --port 0 --images >"$folder/host.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
    grep -q listening "$folder/host.out" && break
    sleep 0.1
done
host=$(grep -o 'http://[^ ]*' "$folder/host.out" | head -1)
"$bin/pelmora-cli" --dir "$folder" --host "$host" --images --quiet archive qiruvo
chm="$folder/qiruvo.chm"
# The host is gone before the reader opens: every picture comes from inside the help file.
kill "${pids[0]}"

# An article with a picture in a category whose folder name is stored as it is.
page=$(cd "$folder/qiruvo" && grep -l '\.\./images/' [A-Za-z]*/*.html | head -1)

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

kchmviewer -showPage "/$page" "$chm" >/dev/null 2>&1 &
pids+=($!)
sleep 4
xdotool mousemove 999 699
sleep 1
import -window root "$out/kchmviewer-picture.png"
echo "$out/kchmviewer-picture.png ($page)"
