# shellcheck shell=bash
# Sourced by the screenshot scripts, with `build` set to the build dir: a temporary folder for the
# example blog's archive, a sample host, a screen under Xvfb, and the processes they start, all gone
# on exit. The readers' screenshots go into docs/readers/.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin="$build/bin"
out="$root/docs/readers"
folder=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$folder"' EXIT

# start_host [OPTION...]: starts a sample host with the options on a free port, running as $host_pid
# at the address $host.
start_host() {
    "$bin/pelmora-sample-host" --port 0 "$@" >"$folder/host.out" 2>&1 &
    host_pid=$!
    pids+=("$host_pid")
    for _ in $(seq 50); do
        grep -qs listening "$folder/host.out" && break
        sleep 0.1
    done
    host=$(grep -o 'http://[^ ]*' "$folder/host.out" | head -1)
}

# archive_example [OPTION...]: starts a sample host with the options, archives the example blog from it
# with the same options into $chm, and leaves the host running as $host_pid.
archive_example() {
    start_host "$@"
    "$bin/pelmora-cli" --dir "$folder" --host "$host" "$@" --quiet archive qiruvo
    chm="$folder/qiruvo.chm"
}

# start_screen: a 1000 x 700 Xvfb screen as $DISPLAY, with the readers' settings kept in $folder.
start_screen() {
    exec 3>"$folder/display"
    Xvfb -displayfd 3 -screen 0 1000x700x24 >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do
        [ -s "$folder/display" ] && break
        sleep 0.1
    done
    DISPLAY=":$(cat "$folder/display")"
    export DISPLAY
    export HOME="$folder" XDG_RUNTIME_DIR="$folder"
    mkdir -p "$out"
}

# shot NAME [SECONDS]: waits for the reader (3 seconds unless told), moves the pointer aside and takes
# the screen into $out/NAME.png.
shot() {
    sleep "${2:-3}"
    xdotool mousemove 999 699
    sleep 1
    import -window root "$out/$1.png"
}

# click X Y: a left click at X, Y.
click() { xdotool mousemove "$1" "$2" click 1; }

# open_xchm FILE: opens FILE in xchm, running as $pid, with its window moved to the corner and sized
# to the screen, where the scripts' clicks expect it.
open_xchm() {
    xchm "$1" >/dev/null 2>&1 &
    pid=$!
    sleep 4
    window=$(xdotool search --onlyvisible --name 'xCHM' | head -1)
    xdotool windowmove "$window" 0 0 windowsize "$window" 1000 700
}
