#!/usr/bin/env bash
# Renders the main window offscreen into docs/screenshot.png, after a finished download of the
# example blog from a sample host started for the purpose.
# Usage: scripts/screenshot.sh <build dir>
set -euo pipefail
build=${1:?usage: scripts/screenshot.sh <build dir>}
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$build/bin"
folder=$(mktemp -d)
"$bin/pelmora-sample-host" --port 0 >"$folder/host.out" 2>&1 &
host_pid=$!
trap 'kill $host_pid 2>/dev/null; rm -rf "$folder"' EXIT
for _ in $(seq 50); do
    grep -q listening "$folder/host.out" && break
    sleep 0.1
done
host=$(grep -o 'http://[^ ]*' "$folder/host.out")
mkdir -p "$root/docs"
QT_QPA_PLATFORM=offscreen "$bin/pelmora" --dir "$folder" --host "$host" \
    --screenshot "$root/docs/screenshot.png" --after-download
echo "$root/docs/screenshot.png"
