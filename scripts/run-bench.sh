#!/usr/bin/env bash
# Runs every benchmark once, offscreen; the figures go to the terminal and to build/bench-results/*.json.
set -euo pipefail
BUILD_DIR=${1:-build}
export QT_QPA_PLATFORM=offscreen VELQUON_NONINTERACTIVE=1
mkdir -p "$BUILD_DIR/bench-results"
ran=0
for b in "$BUILD_DIR"/bench/bench_*; do
    # Only the programs: the build keeps folders of the same prefix beside them.
    [ -f "$b" ] && [ -x "$b" ] || continue
    name=$(basename "$b")
    "$b" --benchmark_out="$BUILD_DIR/bench-results/$name.json" --benchmark_out_format=json
    ran=$((ran + 1))
done
if [ "$ran" -eq 0 ]; then
    echo "run-bench: no benchmark programs in $BUILD_DIR/bench (is the Google Benchmark library installed?)" >&2
    exit 1
fi
echo "run-bench: ran $ran programs; results in $BUILD_DIR/bench-results/"
