#!/usr/bin/env bash
# Renders the main window offscreen into docs/screenshot.png, after a finished download of the
# example blog from a sample host started for the purpose.
# Usage: scripts/screenshot.sh <build dir>
set -euo pipefail
build=${1:?usage: scripts/screenshot.sh <build dir>}
# shellcheck source=scripts/screenshot-common.sh
source "$(dirname "$0")/screenshot-common.sh"

start_host
QT_QPA_PLATFORM=offscreen "$bin/pelmora" --dir "$folder" --host "$host" \
    --screenshot "$root/docs/screenshot.png" --after-download
echo "$root/docs/screenshot.png"
