#!/usr/bin/env bash
# Runs every fuzz target for a while: fuzz/run.sh BUILD_DIR SECONDS [TARGET...]
# New inputs go to BUILD_DIR/corpus/<target> (the seeds in fuzz/corpus stay as they are); an input
# that crashes, hangs, leaks or breaks a property goes to BUILD_DIR/artifacts/<target>/.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:?build folder}
seconds=${2:-180}
shift 2 || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(listparser articlebody taskfile helpproject htmlscan gbkcodec lzx)

failed=()
for t in "${targets[@]}"; do
    corpus=$build/corpus/$t
    artifacts=$build/artifacts/$t
    log=$build/fuzz-$t.log
    mkdir -p "$corpus" "$artifacts"
    args=(-max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1
          -artifact_prefix="$artifacts/")
    [ -f "fuzz/$t.dict" ] && args+=(-dict="fuzz/$t.dict")
    case $t in
        # Pages and LZX data are larger than libFuzzer's default of 4 KiB.
        listparser | articlebody | htmlscan) args+=(-max_len=16384) ;;
        lzx) args+=(-max_len=65536) ;;
    esac
    echo "== $t: $seconds s"
    if "$build/fuzz/${t}_fuzz" "${args[@]}" "$corpus" "fuzz/corpus/$t" >"$log" 2>&1; then
        grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" | tr '\n' ' '
        echo
    else
        failed+=("$t")
        tail -n 40 "$log"
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing found faults in: ${failed[*]} (inputs in $build/artifacts, logs in $build/fuzz-*.log)"
    exit 1
fi
echo "fuzzing found nothing in ${targets[*]}"
