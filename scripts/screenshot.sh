#!/bin/sh
# Renders the main window offscreen into docs/screenshot.png.
# Usage: scripts/screenshot.sh <build dir>
set -eu
build=${1:?usage: scripts/screenshot.sh <build dir>}
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --build "$build" -j2 --target pelmora
# The newest one, should the output folder have moved.
program=$(find "$build" -type f -name pelmora -perm -u+x -exec ls -t {} + | head -n 1)
[ -n "$program" ] || { echo "pelmora not found below $build" >&2; exit 1; }
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir -p "$root/docs"
QT_QPA_PLATFORM=offscreen "$program" --dir "$folder" --screenshot "$root/docs/screenshot.png"
echo "$root/docs/screenshot.png"
