#!/usr/bin/env bash
# Runs one test program with a sound server of its own: a private PulseAudio whose only output is a null
# sink, so sound, speech and the mixer are exercised for real. One server per test keeps the tests apart:
# no test hears another's streams or volume changes, and none gets a server event while it exits (Qt 6.4's
# sound engine can crash in its clean-up at exit when one arrives then).
set -u
RUNTIME=$(mktemp -d "${TMPDIR:-/tmp}/velquon-test.XXXXXX")
chmod 700 "$RUNTIME"
export XDG_RUNTIME_DIR="$RUNTIME"
# The daemon's socket is "native" in its folder, and a socket's name holds at most 107 bytes: under a long TMPDIR
# its folder is a short one of its own, so that the tests do not depend on the length of TMPDIR.
PULSE_DIR="$RUNTIME/pulse"
if [ $(( ${#PULSE_DIR} + 8 )) -gt 100 ]; then
    PULSE_DIR=$(mktemp -d /tmp/velquon-pulse.XXXXXX)
fi
export PULSE_RUNTIME_PATH="$PULSE_DIR"
# A throw-away HOME keeps tests away from the real user's settings even when one forgets VELQUON_HOME.
export HOME="$RUNTIME/home"
mkdir -p "$HOME"

cleanup() {
    pulseaudio --kill >/dev/null 2>&1 || true
    # The daemon writes into its folder while it exits: remove the folder once it has gone.
    for _ in $(seq 1 40); do pulseaudio --check >/dev/null 2>&1 || break; sleep 0.05; done
    rm -rf "$RUNTIME" "$PULSE_DIR"
}
trap cleanup EXIT

if command -v pulseaudio >/dev/null; then
    pulseaudio -D -n --exit-idle-time=-1 --system=false --disallow-exit \
        --load="module-null-sink sink_name=nullsink" --load=module-native-protocol-unix \
        >/dev/null 2>&1 || echo "with-sound-server: could not start PulseAudio; sound tests will fail"
    for _ in $(seq 1 100); do pactl info >/dev/null 2>&1 && break; sleep 0.05; done
    pactl set-default-sink nullsink >/dev/null 2>&1 || true
    # Say so at once when the sound tests cannot work, rather than only through their failures.
    pactl list short sinks 2>/dev/null | grep -q nullsink \
        || echo "with-sound-server: PulseAudio has no null sink; sound tests will fail"
else
    echo "with-sound-server: PulseAudio is not installed; sound tests will fail"
fi

"$@"
