#!/usr/bin/env bash
# The programs as a user gets them: installed into a prefix with `cmake --install`, or unpacked from
# the Debian package. Each case runs in a temporary folder that also serves as HOME, so the
# documents folder is a temporary one too.
# Usage: install_test.sh CASE BUILD_DIR PROJECT_VERSION APP_ID
set -euo pipefail

case_name=${1:?case}
build=${2:?build folder}
version=${3:?project version}
app_id=${4:?application id}
cmake=${CMAKE:-cmake}
cpack=${CPACK:-cpack}

tmp=$(mktemp -d)
host_pid=
cleanup() {
    if [ -n "$host_pid" ]; then
        kill "$host_pid" 2>/dev/null || true
        wait "$host_pid" 2>/dev/null || true
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_DATA_HOME=$tmp/home/.local/share
unset XDG_DOCUMENTS_DIR PELMORA_BLOG_HOST
mkdir -p "$HOME"

install_prefix() {
    prefix=$tmp/prefix
    "$cmake" --install "$build" --prefix "$prefix" >"$tmp/install.log" || { cat "$tmp/install.log" >&2; fail "cmake --install"; }
}

# Starts the sample host of the given bin/ on a free port; sets host_url.
start_host() {
    "$1/pelmora-sample-host" --port 0 >"$tmp/host.out" 2>&1 &
    host_pid=$!
    for _ in $(seq 100); do
        grep -q '^listening on ' "$tmp/host.out" && break
        kill -0 "$host_pid" 2>/dev/null || break
        sleep 0.1
    done
    host_url=$(sed -n 's/^listening on //p' "$tmp/host.out")
    [ -n "$host_url" ] || { cat "$tmp/host.out" >&2; fail "the sample host did not start"; }
}

# "NAME 0.1.0" or "NAME 0.1.0 (git description)", and nothing else.
expect_version() {
    local program=$1 output
    output=$("$program" --version) || fail "$program --version exited with $?"
    local name
    name=$(basename "$program")
    [[ $output =~ ^$name\ ${version//./\\.}(\ \([A-Za-z0-9._~+-]+\))?$ ]] || fail "$program --version said: $output"
}

# Nothing may be written next to the installed programs.
expect_only_programs_in() {
    local listing
    listing=$(cd "$1" && ls -A | sort | tr '\n' ' ')
    [ "$listing" = "pelmora pelmora-cli pelmora-sample-host " ] || fail "$1 holds: $listing"
}

case $case_name in
version)
    install_prefix
    expect_version "$prefix/bin/pelmora-cli"
    # Without a display: --version needs none.
    env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/pelmora" --version >/dev/null ||
        fail "pelmora --version needs a display"
    expect_version "$prefix/bin/pelmora"
    [ ! -e "$HOME/Documents" ] || fail "--version created the documents folder"
    ;;

archive)
    install_prefix
    start_host "$prefix/bin"
    "$prefix/bin/pelmora-cli" --quiet --host "$host_url" archive qiruvo || fail "archive exited with $?"
    out=$HOME/Documents/Pelmora
    for file in qiruvo.ini qiruvo.chm qiruvo/index.html qiruvo/all.htm qiruvo/nolv.hhp; do
        [ -s "$out/$file" ] || fail "no $out/$file"
    done
    expect_only_programs_in "$prefix/bin"

    # The documents folder is the one user-dirs.dirs names; the window creates its folder on start.
    mkdir -p "$XDG_CONFIG_HOME"
    echo 'XDG_DOCUMENTS_DIR="$HOME/文档"' >"$XDG_CONFIG_HOME/user-dirs.dirs"
    QT_QPA_PLATFORM=offscreen "$prefix/bin/pelmora" --screenshot "$tmp/window.png" || fail "the window exited with $?"
    [ -d "$HOME/文档/Pelmora" ] || fail "the window did not create its folder"
    "$prefix/bin/pelmora-cli" --quiet --host "$host_url" find qiruvo || fail "find exited with $?"
    [ -s "$HOME/文档/Pelmora/qiruvo.ini" ] || fail "find did not write into the documents folder of user-dirs.dirs"

    # --dir still wins.
    "$prefix/bin/pelmora-cli" --quiet --host "$host_url" --dir "$tmp/elsewhere" find qiruvo || fail "find --dir exited with $?"
    [ -s "$tmp/elsewhere/qiruvo.ini" ] || fail "find --dir did not write into --dir"

    # A documents folder that cannot be created is an error, not a silent success.
    echo 'XDG_DOCUMENTS_DIR="$HOME/blocked/docs"' >"$XDG_CONFIG_HOME/user-dirs.dirs"
    : >"$HOME/blocked"
    if "$prefix/bin/pelmora-cli" --quiet --host "$host_url" find qiruvo 2>"$tmp/err"; then
        fail "find succeeded without a folder to write in"
    fi
    grep -q 'cannot create the folder' "$tmp/err" || fail "no reason given: $(cat "$tmp/err")"
    expect_only_programs_in "$prefix/bin"
    ;;

desktop)
    install_prefix
    share=$prefix/share
    desktop=$share/applications/$app_id.desktop
    metainfo=$share/metainfo/$app_id.metainfo.xml
    # Hints (two main categories, as wanted) are fine; errors and warnings are not.
    desktop-file-validate "$desktop" >"$tmp/desktop.log" 2>&1 || { cat "$tmp/desktop.log" >&2; fail "desktop-file-validate"; }
    if grep -E ': (error|warning):' "$tmp/desktop.log"; then fail "desktop-file-validate complains"; fi
    grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry names another icon"
    grep -qx "Exec=pelmora" "$desktop" || fail "the desktop entry starts another program"
    grep -q '^Name\[zh_CN\]=' "$desktop" && grep -q '^Comment\[zh_CN\]=' "$desktop" || fail "no Chinese name or comment"
    appstreamcli validate --no-net "$metainfo" >"$tmp/metainfo.log" 2>&1 || { cat "$tmp/metainfo.log" >&2; fail "appstreamcli validate"; }
    grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo's release is not $version"

    [ -s "$share/icons/hicolor/scalable/apps/$app_id.svg" ] || fail "no scalable icon"
    for size in 16 24 32 48 64 128 256; do
        png=$share/icons/hicolor/${size}x${size}/apps/$app_id.png
        [ -s "$png" ] || fail "no $png"
        [ "$(identify -format '%wx%h' "$png")" = "${size}x${size}" ] || fail "$png is not ${size}x${size}"
    done

    for program in pelmora pelmora-cli pelmora-sample-host; do
        man=$share/man/man1/$program.1.gz
        gzip -t "$man" || fail "$man is not gzip"
        warnings=$(zcat "$man" | groff -k -man -Tutf8 -ww -z 2>&1)
        [ -z "$warnings" ] || fail "$man: $warnings"
    done
    [ -d "$share/pelmora" ] || fail "no share/pelmora: the programs would not know they are installed"
    ;;

package)
    # The package of this build folder, made as `make package` makes it; cpack's staging stays in $tmp.
    (cd "$build" && "$cpack" -G DEB -B "$tmp/package" >"$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log" >&2; fail "cpack"; }
    deb=$tmp/package/pelmora_${version}_amd64.deb
    [ -f "$deb" ] || fail "no $(basename "$deb"), only: $(ls "$tmp/package")"
    depends=$(dpkg-deb -f "$deb" Depends)
    for package in libqt6core6 libqt6network6 libqt6widgets6 libqt6gui6 qt6-qpa-plugins; do
        [[ ", $depends," == *", $package "* || ", $depends," == *", $package,"* ]] || fail "Depends lacks $package: $depends"
    done
    [ "$(dpkg-deb -f "$deb" Recommends)" = "kchmviewer | xchm" ] || fail "Recommends: $(dpkg-deb -f "$deb" Recommends)"

    root=$tmp/root
    dpkg -x "$deb" "$root"
    bin=$root/usr/bin
    expect_version "$bin/pelmora-cli"
    # Unpacked, the tree looks installed: output goes to the documents folder.
    start_host "$bin"
    "$bin/pelmora-cli" --quiet --host "$host_url" find qiruvo || fail "find exited with $?"
    [ -s "$HOME/Documents/Pelmora/qiruvo.ini" ] || fail "the packaged pelmora-cli did not write into the documents folder"
    expect_only_programs_in "$bin"
    ;;

*)
    fail "unknown case $case_name"
    ;;
esac
