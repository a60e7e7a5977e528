#!/usr/bin/env bash
# Runs every test the way CI does: offscreen, each test program with a private PulseAudio daemon whose only
# output is a null sink (scripts/with-sound-server.sh, which ctest runs), so sound, speech and the mixer are
# exercised for real. The desktop tests (label "desktop") run on a virtual X display of their own instead, with a
# window manager and a tray (scripts/with-desktop.sh).
set -uo pipefail
BUILD_DIR=${1:-build}
export QT_QPA_PLATFORM=offscreen
export VELQUON_NONINTERACTIVE=1
# In a sanitizer build (build-asan) any report ends the test with an error, leaks included; in a normal
# build these do nothing.
export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

# Say so at once when the sound tests cannot work, rather than only through their failures.
bash "$(dirname "$0")/with-sound-server.sh" amixer -D default sget Master >/dev/null 2>&1 \
    || echo "run-tests: ALSA's default mixer does not reach a PulseAudio of the tests' own; sound tests will fail"

ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" --timeout 600
