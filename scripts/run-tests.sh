#!/usr/bin/env bash
# Runs every test the way CI does: offscreen, with a private runtime folder and a private PulseAudio
# daemon whose only output is a null sink, so sound, speech and the mixer are exercised for real.
set -uo pipefail
BUILD_DIR=${1:-build}
export QT_QPA_PLATFORM=offscreen
export VELQUON_NONINTERACTIVE=1
RUNTIME=$(mktemp -d /tmp/velquon-run.XXXXXX)
chmod 700 "$RUNTIME"
export XDG_RUNTIME_DIR="$RUNTIME"
export PULSE_RUNTIME_PATH="$RUNTIME/pulse"
# In a sanitizer build (build-asan) any report ends the test with an error, leaks included; in a normal
# build these do nothing.
export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
# A throw-away HOME keeps tests away from the real user's settings even when one forgets VELQUON_HOME.
export HOME="$RUNTIME/home"
mkdir -p "$HOME"

cleanup() {
    pulseaudio --kill >/dev/null 2>&1 || true
    rm -rf "$RUNTIME"
}
trap cleanup EXIT

if command -v pulseaudio >/dev/null; then
    pulseaudio -D -n --exit-idle-time=-1 --system=false --disallow-exit \
        --load="module-null-sink sink_name=nullsink" --load=module-native-protocol-unix \
        >/dev/null 2>&1 || echo "run-tests: could not start PulseAudio; sound tests will fail"
    for _ in $(seq 1 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    pactl set-default-sink nullsink >/dev/null 2>&1 || true
    # Say so at once when the sound tests cannot work, rather than only through their failures.
    pactl list short sinks 2>/dev/null | grep -q nullsink \
        || echo "run-tests: PulseAudio has no null sink; sound tests will fail"
    amixer -D default sget Master >/dev/null 2>&1 \
        || echo "run-tests: ALSA's default mixer does not reach PulseAudio; mixer tests will fail"
fi

ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" --timeout 600
