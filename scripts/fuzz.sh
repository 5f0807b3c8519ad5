#!/usr/bin/env bash
# Runs every fuzzer of a fuzzing build from the tests' seed corpus, as many at once as
# there are processors. A first 10-second slice measures each fuzzer's speed; the slow
# ones (those that take a whole configuration image) then get the most time, so that
# they reach as deep as the fast ones.
#   scripts/fuzz.sh [FUZZ_BUILD_DIR [SEED_DIR]]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
seeds=${2:-build/fuzz-seeds}
mkdir -p "$build/corpus" "$build/fuzz-logs"
[ -d "$seeds" ] || build/tests/zolmar_fuzz_seeds "$seeds"

fuzz_one() {
    local target=$1 seeds=$2 build=$3
    local name corpus log speed rest
    name=$(basename "$target")
    corpus="$build/corpus/$name"
    log="$build/fuzz-logs/$name.log"
    mkdir -p "$corpus"
    local seed=()
    [ -d "$seeds/$name" ] && seed=("$seeds/$name")
    if ! "$target" -max_total_time=10 -print_final_stats=1 -rss_limit_mb=4096 "$corpus" \
        "${seed[@]}" >"$log" 2>&1; then
        echo "$name FAILED"; tail -60 "$log"; return 1
    fi
    speed=$(sed -n 's/^stat::average_exec_per_sec:[[:space:]]*//p' "$log" | tail -1)
    speed=${speed:-0}
    if [ "$speed" -lt 10 ]; then rest=160
    elif [ "$speed" -lt 300 ]; then rest=80
    elif [ "$speed" -lt 3000 ]; then rest=30
    else rest=10; fi
    if ! "$target" -max_total_time=$rest -print_final_stats=1 -rss_limit_mb=4096 "$corpus" \
        >>"$log" 2>&1; then
        echo "$name FAILED"; tail -60 "$log"; return 1
    fi
    echo "$name: $speed runs/s, $((rest + 10)) s, $(grep -c . <(ls "$corpus")) inputs"
}
export -f fuzz_one

ls "$build"/fuzz/fuzz_* | xargs -P "$(nproc)" -I{} bash -c 'fuzz_one "$@"' _ {} "$seeds" "$build"
