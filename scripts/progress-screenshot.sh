#!/usr/bin/env bash
# Renders the main window offscreen twice: halfway through a download of the example blog from a
# slow sample host, with the progress bar (docs/progress.png), and enlarged after a finished
# download, at a size remembered from an earlier run (docs/enlarged.png).
# Usage: scripts/progress-screenshot.sh <build dir>
set -euo pipefail
build=${1:?usage: scripts/progress-screenshot.sh <build dir>}
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$build/bin"
folder=$(mktemp -d)
"$bin/pelmora-sample-host" --port 0 --articles 240 --latency-ms 150 >"$folder/host.out" 2>&1 &
host_pid=$!
trap 'kill $host_pid 2>/dev/null; rm -rf "$folder"' EXIT
for _ in $(seq 50); do
    grep -q listening "$folder/host.out" && break
    sleep 0.1
done
host=$(grep -o 'http://[^ ]*' "$folder/host.out")
mkdir -p "$root/docs"
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$folder/config"
"$bin/pelmora" --dir "$folder/first" --host "$host" --screenshot "$root/docs/progress.png" --mid-download
mkdir -p "$XDG_CONFIG_HOME/pelmora"
printf '[window]\nsize=@Size(1100 760)\n' >"$XDG_CONFIG_HOME/pelmora/pelmora.ini"
"$bin/pelmora" --dir "$folder/second" --host "$host" --screenshot "$root/docs/enlarged.png" --after-download
echo "$root/docs/progress.png" "$root/docs/enlarged.png"
