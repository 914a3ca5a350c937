#!/usr/bin/env bash
# pelmora-cli download beside wget2 (five threads): the same 1,000 article pages from one sample
# host answering after 20 ms, five runs of each in turn. Prints the median wall and CPU time of each
# and their ratios, then the read and write system calls per article of each (strace -c -f).
# Usage: bench/wget2_side_by_side.sh <build dir>
set -euo pipefail
build=$(cd "${1:?usage: bench/wget2_side_by_side.sh <build dir>}" && pwd)
articles=1000
latency=20
for tool in wget2 strace /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "wget2_side_by_side: $tool is missing (make bench-deps)" >&2; exit 1; }
done

work=$(mktemp -d)
host_pid=
cleanup() {
    [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null && wait "$host_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

"$build/bin/pelmora-sample-host" --port 0 --articles $articles --categories 12 --latency-ms $latency \
    --log "$work/host.log" >"$work/host.out" 2>&1 &
host_pid=$!
for _ in $(seq 100); do grep -q 'http://' "$work/host.out" 2>/dev/null && break; sleep 0.1; done
base=$(grep -o 'http://[^ ]*' "$work/host.out" | head -1)
[ -n "$base" ] || { echo "wget2_side_by_side: the sample host did not start" >&2; exit 1; }

cli() { "$build/bin/pelmora-cli" --dir "$1" --host "$base" --quiet "${@:2}"; }
mkdir -p "$work/find"
cli "$work/find" find bench >/dev/null
# The article addresses as pelmora asked for them, for wget2 to fetch the same pages.
mkdir -p "$work/p" && cp "$work/find/bench.ini" "$work/p/"
: >"$work/host.log"
cli "$work/p" download bench >/dev/null
grep -o '/bench/blog/item/[^[:space:]]*' "$work/host.log" | sort -u | sed "s|^|${base%/}|" >"$work/urls"
count=$(wc -l <"$work/urls")
[ "$count" -eq $articles ] || { echo "wget2_side_by_side: $count article addresses, not $articles" >&2; exit 1; }

# Seconds: wall, user + system.
measure() { /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null 2>&1; awk '{ print $1, $2 + $3 }' "$work/time"; }
wget2_args=(--max-threads=5 --no-robots --quiet --no-config -i "$work/urls")
# Every run writes into a folder of its own and nothing is deleted until the end: creating files
# right after a thousand were deleted costs the file system several times more, and whichever
# tool ran second would pay for the other's clean-up.
run=0
fresh() { run=$((run + 1)); dir="$work/run$run"; mkdir -p "$dir"; }
rounds=5
: >"$work/p.times"
: >"$work/w.times"
for _ in $(seq $rounds); do
    fresh && cp "$work/find/bench.ini" "$dir/"
    measure "$build/bin/pelmora-cli" --dir "$dir" --host "$base" --quiet download bench >>"$work/p.times"
    fresh && measure wget2 "${wget2_args[@]}" -P "$dir" >>"$work/w.times"
done
# The median of each column of a file of numbers.
median() { sort -n -k"$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
p_wall=$(median "$work/p.times" 1) p_cpu=$(median "$work/p.times" 2)
w_wall=$(median "$work/w.times" 1) w_cpu=$(median "$work/w.times" 2)

# read and write calls of every kind, per article.
calls() {
    awk '$NF ~ /^(read|readv|recvfrom|recvmsg|pread64)$/ { r += $4 } $NF ~ /^(write|writev|sendto|sendmsg|pwrite64)$/ { w += $4 }
         END { printf "%.1f %.1f\n", r / n, w / n }' n=$articles "$1"
}
fresh && cp "$work/find/bench.ini" "$dir/"
strace -c -f -o "$work/p.strace" "$build/bin/pelmora-cli" --dir "$dir" --host "$base" --quiet download bench \
    >/dev/null 2>&1
fresh && strace -c -f -o "$work/w.strace" wget2 "${wget2_args[@]}" -P "$dir" >/dev/null 2>&1
read -r p_reads p_writes < <(calls "$work/p.strace")
read -r w_reads w_writes < <(calls "$work/w.strace")

awk -v pw="$p_wall" -v pc="$p_cpu" -v ww="$w_wall" -v wc="$w_cpu" -v n=$articles -v l=$latency \
    -v r=$rounds -v pr="$p_reads" -v pwr="$p_writes" -v wr="$w_reads" -v wwr="$w_writes" 'BEGIN {
    printf "download vs wget2 (5 threads), %d articles at %d ms, median of %d runs each, alternating: pelmora %.2f s wall, %.2f s CPU (%.2f ms/article); " \
           "wget2 %.2f s wall, %.2f s CPU (%.2f ms/article); CPU ratio %.2f (target <= 1.20), wall ratio %.2f (target <= 1.05)\n",
           n, l, r, pw, pc, 1000 * pc / n, ww, wc, 1000 * wc / n, (wc > 0 ? pc / wc : 0), (ww > 0 ? pw / ww : 0)
    printf "system calls per article: pelmora %.1f read, %.1f write; wget2 %.1f read, %.1f write\n", pr, pwr, wr, wwr
}'
