#!/usr/bin/env bash
# Archives the example blog with its pictures (--images) from a sample host started for the
# purpose, opens an article that shows a picture inside the help file in kchmviewer under Xvfb and
# takes the screen into docs/readers/kchmviewer-picture.png. Needs ImageMagick and xdotool.
# Usage: scripts/picture-screenshot.sh <build dir>
set -euo pipefail
build=${1:?usage: scripts/picture-screenshot.sh <build dir>}
# shellcheck source=scripts/screenshot-common.sh
source "$(dirname "$0")/screenshot-common.sh"

archive_example --images
# The host is gone before the reader opens: every picture comes from inside the help file.
kill "$host_pid"

# An article with a picture in a category whose folder name is stored as it is.
page=$(cd "$folder/qiruvo" && grep -l '\.\./images/' [A-Za-z]*/*.html | head -1)

start_screen

kchmviewer -showPage "/$page" "$chm" >/dev/null 2>&1 &
pids+=($!)
shot kchmviewer-picture 4
echo "$out/kchmviewer-picture.png ($page)"
