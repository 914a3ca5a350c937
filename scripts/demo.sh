#!/usr/bin/env bash
# Starts the sample blog host (unless one already answers on the port) and archives the example
# blog "qiruvo" from a name to a compiled help file with the command line.
# Usage: scripts/demo.sh <build dir> [port]
set -euo pipefail
build=${1:?usage: scripts/demo.sh <build dir> [port]}
port=${2:-8642}
bin="$build/bin"
out="$build/demo"
host="http://127.0.0.1:$port/"
mkdir -p "$out"

if curl -fs -o /dev/null "${host}qiruvo/blog" 2>/dev/null; then
    echo "Sample blog host already running at $host"
else
    nohup "$bin/pelmora-sample-host" --port "$port" --log "$out/host.log" >"$out/host.out" 2>&1 &
    echo $! >"$out/host.pid"
    for _ in $(seq 50); do
        grep -q listening "$out/host.out" 2>/dev/null && break
        sleep 0.1
    done
    grep -q listening "$out/host.out" || { cat "$out/host.out" >&2; exit 1; }
    echo "Sample blog host started at $host (pid $(cat "$out/host.pid"); stop it with: kill \$(cat $out/host.pid))"
fi

"$bin/pelmora-cli" --dir "$out" --host "$host" archive qiruvo

cat <<MSG

Done. The archive of the example blog "qiruvo":
  task file   $out/qiruvo.ini
  pages       $out/qiruvo/index.html   (open in a browser)
  help file   $out/qiruvo.chm          (open with xchm, or extract with 7zz x)

Open the window over the same folder and host:
  $bin/pelmora --dir $out --host $host
MSG
