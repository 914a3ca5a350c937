#!/usr/bin/env bash
# Archives the example blog from a sample host started for the purpose, opens the help file in
# kchmviewer and xchm under Xvfb and takes, for each, the start page, a category page reached from
# it and an article reached from the contents, into docs/readers/. Needs xdotool and ImageMagick;
# the clicks go to where these readers lay out the example at 1000 x 700.
# Usage: scripts/reader-screenshots.sh <build dir>
set -euo pipefail
build=${1:?usage: scripts/reader-screenshots.sh <build dir>}
# shellcheck source=scripts/screenshot-common.sh
source "$(dirname "$0")/screenshot-common.sh"

archive_example
start_screen


kchmviewer "$chm" >/dev/null 2>&1 &
pid=$!
shot kchmviewer-start
click 399 259 # 随笔 on the start page
shot kchmviewer-category
click 150 184 # the second article in the contents
shot kchmviewer-article
kill $pid

open_xchm "$chm"
shot xchm-start
click 279 265 # 随笔 on the start page
shot xchm-category
click 100 161 # the second article in the contents
shot xchm-article
kill $pid
ls "$out"
