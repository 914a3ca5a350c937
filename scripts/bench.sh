#!/usr/bin/env bash
# Runs every benchmark of a build and prints their measurements.
# Usage: scripts/bench.sh <build dir>
set -euo pipefail
build=${1:?usage: scripts/bench.sh <build dir>}
status=0
for bench in "$build"/bench/*_bench; do
    [ -x "$bench" ] || continue
    echo "== $(basename "$bench")"
    "$bench" || status=1
done
echo "== wget2_side_by_side"
bash "$(dirname "$0")/../bench/wget2_side_by_side.sh" "$build" || status=1
exit $status
