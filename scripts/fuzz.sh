#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and UndefinedBehaviorSanitizer in their
# own build folder, and runs them.
#   scripts/fuzz.sh check        replays every corpus of fuzz/corpus/, then fuzzes each target briefly
#                                (FUZZ_SECONDS, default 20), FUZZ_PARALLEL targets at a time (default: one
#                                a core); what it finds new is not kept (make check)
#   scripts/fuzz.sh long [name]  fuzzes each target (or one) for FUZZ_SECONDS (default 3600) or FUZZ_RUNS
#                                executions, FUZZ_PARALLEL at a time (default 4), each in FUZZ_FORK worker
#                                processes (default 1: in the run's own process); new inputs go to
#                                <build>/corpus/<target> (make fuzz)
#   scripts/fuzz.sh merge        adds what a long run found, minimised, to fuzz/corpus/
# A crash or a broken check leaves the input in <build>/artifacts/ and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
MODE=${1:-check}
ONLY=${2:-}
BUILD=${FUZZ_BUILD_DIR:-build-fuzz}
JOBS=${JOBS:-4}
TARGETS=$(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')
[ -n "$ONLY" ] && TARGETS=$ONLY

if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVELQUON_FUZZ=ON >/dev/null
fi
cmake --build "$BUILD" -j "$JOBS" --target fuzzers

# The targets write their files into a private folder of their own; a memory file system keeps the many
# rewrites of the file readers cheap.
SCRATCH=$(mktemp -d "${FUZZ_SCRATCH:-/dev/shm}/velquon-fuzz.XXXXXX" 2>/dev/null || mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT
export TMPDIR=$SCRATCH
# Qt's own caches are released by the system at exit, not by the process: not leaks of the code under test.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ARTIFACTS="$BUILD/artifacts"
mkdir -p "$ARTIFACTS"

common_flags() {
    local t=$1
    local flags=(-timeout=10 -rss_limit_mb=2048 -artifact_prefix="$ARTIFACTS/$t-" -print_final_stats=1)
    [ -f "fuzz/dict/$t.dict" ] && flags+=(-dict="fuzz/dict/$t.dict")
    echo "${flags[@]}"
}

# A target's own flags for fuzzing (an input size that keeps it fast, say), one a line. A replay goes without
# them, so a kept input longer than that size is replayed whole.
own_flags() {
    local t=$1
    [ -f "fuzz/options/$t.options" ] && tr '\n' ' ' <"fuzz/options/$t.options"
    return 0
}

case "$MODE" in
check)
    seconds=${FUZZ_SECONDS:-20}
    # Each target's time is fixed, so the targets run side by side, one a core: the same fuzzing in less
    # time. Each says how it went in a file of its own, printed in order once all have ended.
    check_one() {
        local t=$1
        local corpus="fuzz/corpus/$t"
        local fresh="$SCRATCH/new-$t"
        local result="$SCRATCH/$t.result"
        mkdir -p "$corpus" "$fresh"
        # shellcheck disable=SC2046
        if ! "$BUILD/fuzz/$t" $(common_flags "$t") -runs=0 "$corpus" >"$SCRATCH/$t-replay.log" 2>&1; then
            { tail -40 "$SCRATCH/$t-replay.log"; echo "fuzz: $t failed on its corpus"; } >"$result"
            return 1
        fi
        # shellcheck disable=SC2046
        if ! "$BUILD/fuzz/$t" $(common_flags "$t") $(own_flags "$t") -max_total_time="$seconds" "$fresh" "$corpus" \
            >"$SCRATCH/$t.log" 2>&1; then
            { tail -40 "$SCRATCH/$t.log"; echo "fuzz: $t found a failing input (kept in $ARTIFACTS)"; } >"$result"
            return 1
        fi
        local runs
        runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$SCRATCH/$t.log" | awk '{print $2}' || true)
        echo "fuzz: $t: corpus replayed ($(ls "$corpus" | wc -l) inputs), ${runs:-?} runs in ${seconds} s, no failure" \
            >"$result"
    }
    parallel=${FUZZ_PARALLEL:-$(nproc)}
    running=0
    for t in $TARGETS; do
        check_one "$t" &
        running=$((running + 1))
        if [ "$running" -ge "$parallel" ]; then
            # Only a pace: bash's wait -n can answer 127 when two targets end together, so how each went
            # is read from its result file below.
            wait -n || true
            running=$((running - 1))
        fi
    done
    wait
    failed=0
    for t in $TARGETS; do
        if [ -f "$SCRATCH/$t.result" ]; then
            cat "$SCRATCH/$t.result"
            grep -q ', no failure$' "$SCRATCH/$t.result" || failed=1
        else
            echo "fuzz: $t: no result"
            failed=1
        fi
    done
    [ "$failed" -eq 0 ] || exit 1
    ;;
long)
    seconds=${FUZZ_SECONDS:-3600}
    # Allocation stacks are left out of reports for speed; a kept input replays with them in check mode.
    export ASAN_OPTIONS=${FUZZ_ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1:malloc_context_size=0}
    parallel=${FUZZ_PARALLEL:-4}
    fork=${FUZZ_FORK:-1}
    running=0
    for t in $TARGETS; do
        mkdir -p "$BUILD/corpus/$t" "fuzz/corpus/$t"
        # Worker processes share one run: its executions are the sum of theirs, and a failure in any ends it.
        workers=()
        [ "$fork" -gt 1 ] && workers=(-fork="$fork")
        # shellcheck disable=SC2046
        "$BUILD/fuzz/$t" $(common_flags "$t") $(own_flags "$t") "${workers[@]}" -max_total_time="$seconds" \
            ${FUZZ_RUNS:+-runs=$FUZZ_RUNS} "$BUILD/corpus/$t" "fuzz/corpus/$t" >"$BUILD/$t.log" 2>&1 &
        running=$((running + 1))
        if [ "$running" -ge "$parallel" ]; then
            wait -n || echo "fuzz: a target failed (see $BUILD/*.log and $ARTIFACTS)"
            running=$((running - 1))
        fi
    done
    while [ "$running" -gt 0 ]; do
        wait -n || echo "fuzz: a target failed (see $BUILD/*.log and $ARTIFACTS)"
        running=$((running - 1))
    done
    for t in $TARGETS; do
        log="$BUILD/$t.log"
        [ -f "$log" ] || continue
        # A run in one process ends with its own count; a forked run's count is on its last progress line.
        runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | tail -1 | awk '{print $2}' || true)
        [ -z "$runs" ] && runs=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#' || true)
        cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1 || true)
        failed=$(grep -c '==ERROR\|ERROR: libFuzzer\|fuzz check failed\|runtime error' "$log" || true)
        echo "fuzz: $t: ${runs:-?} executions, ${cov:-no coverage line}, $failed failure line(s)"
    done
    ;;
merge)
    for t in $TARGETS; do
        [ -d "$BUILD/corpus/$t" ] || continue
        "$BUILD/fuzz/$t" -merge=1 "fuzz/corpus/$t" "$BUILD/corpus/$t" >"$SCRATCH/$t-merge.log" 2>&1
        echo "fuzz: $t: $(ls "fuzz/corpus/$t" | wc -l) inputs in the corpus"
    done
    ;;
*)
    echo "usage: $0 check|long [target]|merge" >&2
    exit 2
    ;;
esac
