#!/usr/bin/env bash
# Renders the main window offscreen twice: halfway through a download of the example blog from a
# slow sample host, with the progress bar (docs/progress.png), and enlarged after a finished
# download, at a size remembered from an earlier run (docs/enlarged.png).
# Usage: scripts/progress-screenshot.sh <build dir>
set -euo pipefail
build=${1:?usage: scripts/progress-screenshot.sh <build dir>}
# shellcheck source=scripts/screenshot-common.sh
source "$(dirname "$0")/screenshot-common.sh"

start_host --articles 240 --latency-ms 150
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$folder/config"
"$bin/pelmora" --dir "$folder/first" --host "$host" --screenshot "$root/docs/progress.png" --mid-download
mkdir -p "$XDG_CONFIG_HOME/pelmora"
printf '[window]\nsize=@Size(1100 760)\n' >"$XDG_CONFIG_HOME/pelmora/pelmora.ini"
"$bin/pelmora" --dir "$folder/second" --host "$host" --screenshot "$root/docs/enlarged.png" --after-download
echo "$root/docs/progress.png" "$root/docs/enlarged.png"
