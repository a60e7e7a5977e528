#!/usr/bin/env bash
# Runs one test program on a desktop of its own, as a user has it: a virtual X display (Xvfb) with a real
# window manager (openbox) and an XEmbed notification area (trayer). There is no sound server, as on a desktop
# without one; HOME and XDG_RUNTIME_DIR are private, so nothing of a real user's is touched.
set -u
for tool in Xvfb openbox trayer xdotool xprop; do
    if ! command -v "$tool" >/dev/null; then
        echo "with-desktop: $tool is not installed (scripts/bootstrap.sh installs it); the desktop tests cannot run"
        exit 1
    fi
done

RUNTIME=$(mktemp -d "${TMPDIR:-/tmp}/velquon-desktop.XXXXXX")
chmod 700 "$RUNTIME"
export XDG_RUNTIME_DIR="$RUNTIME"
export HOME="$RUNTIME/home"
mkdir -p "$HOME"
PIDS=()

cleanup() {
    # Newest first: the tray and the window manager go before their display.
    for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do
        kill "${PIDS[i]}" 2>/dev/null
        wait "${PIDS[i]}" 2>/dev/null
    done
    rm -rf "$RUNTIME"
}
trap cleanup EXIT

# The display picks a free number itself, so desktop tests may run side by side. By default an X server starts
# afresh whenever its last client leaves, and refuses the ones that come meanwhile: the polls below come and
# go before the window manager and the tray are connected, and one of those two could then fail to start.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$RUNTIME/display" 2>"$RUNTIME/xvfb.log" &
PIDS+=($!)
for _ in $(seq 1 100); do [ -s "$RUNTIME/display" ] && break; sleep 0.05; done
if [ ! -s "$RUNTIME/display" ]; then
    echo "with-desktop: Xvfb did not start:"
    cat "$RUNTIME/xvfb.log"
    exit 1
fi
export DISPLAY=":$(head -n1 "$RUNTIME/display")"

openbox --sm-disable >"$RUNTIME/openbox.log" 2>&1 &
PIDS+=($!)
WM=$!
trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel --height 24 --SetDockType true \
    >"$RUNTIME/trayer.log" 2>&1 &
PIDS+=($!)
TRAY=$!
# Both are up when the window manager has said who it is and the tray's window exists; the tests wait for
# the tray's selection themselves.
for _ in $(seq 1 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' &&
        xdotool search --classname trayer >/dev/null 2>&1 && break
    sleep 0.05
done
# A test on a desktop without them would fail far from the cause.
if ! kill -0 "$WM" 2>/dev/null || ! kill -0 "$TRAY" 2>/dev/null; then
    echo "with-desktop: the window manager or the tray did not start:"
    cat "$RUNTIME/openbox.log" "$RUNTIME/trayer.log"
    exit 1
fi

unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
"$@"
rc=$?
exit "$rc"
