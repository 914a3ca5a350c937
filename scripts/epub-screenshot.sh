#!/usr/bin/env bash
# Archives the example blog with its pictures from a sample host started for the purpose, writes
# its EPUB book and takes okular showing an article of the book under Xvfb into
# docs/readers/okular-epub.png. Needs okular with okular-extra-backends and ImageMagick.
# Usage: scripts/epub-screenshot.sh <build dir> [PAGE]
set -euo pipefail
build=${1:?usage: scripts/epub-screenshot.sh <build dir> [PAGE]}
page=${2:-4}
# shellcheck source=scripts/screenshot-common.sh
source "$(dirname "$0")/screenshot-common.sh"

archive_example --images
"$bin/pelmora-cli" --dir "$folder" --quiet epub qiruvo
start_screen
okular --qwindowgeometry 1000x700+0+0 --page "$page" "$folder/qiruvo.epub" >/dev/null 2>&1 &
pids+=($!)
sleep "${WAIT:-25}"
import -window root "$out/okular-epub.png"
ls -l "$out/okular-epub.png"
