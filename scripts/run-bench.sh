#!/usr/bin/env bash
# Runs every benchmark once, offscreen; the figures go to the terminal and to build/bench/*.json.
set -euo pipefail
BUILD_DIR=${1:-build}
export QT_QPA_PLATFORM=offscreen VELQUON_NONINTERACTIVE=1
mkdir -p "$BUILD_DIR/bench-results"
for b in "$BUILD_DIR"/bench/bench_*; do
    [ -x "$b" ] || continue
    name=$(basename "$b")
    "$b" --benchmark_out="$BUILD_DIR/bench-results/$name.json" --benchmark_out_format=json
done
