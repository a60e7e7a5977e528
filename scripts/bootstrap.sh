#!/usr/bin/env bash
# Installs every Debian 12 package that building, running and testing Velquon needs. Safe to run again.
set -euo pipefail
# The desktop tests need a virtual X display, a real window manager and an XEmbed tray, and ask the display
# what it shows (x11-utils) and click on it (xdotool).
# Without recommended packages, libqt6opengl6-dev and qt6-declarative-dev are what let CMake find the
# Charts and TextToSpeech packages (their configs ask for Qt6OpenGL and Qt6QmlIntegration).
PACKAGES=(
    cmake ninja-build g++ make pkg-config python3
    qt6-base-dev libqt6opengl6-dev qt6-declarative-dev qt6-serialport-dev qt6-charts-dev qt6-multimedia-dev
    qt6-speech-dev qt6-speech-flite-plugin
    libsqlite3-dev libsqlitecpp-dev libasound2-dev libasound2-plugins alsa-utils
    pulseaudio pulseaudio-utils
    libbenchmark-dev
    fonts-liberation poppler-utils locales clang-format
    clang libclang-rt-14-dev lld
    xvfb openbox trayer x11-utils xdotool libxcb1-dev
)
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "bootstrap: installing ${missing[*]}"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The date tests run under a German locale as well.
if ! locale -a 2>/dev/null | grep -qi '^de_DE.utf8$'; then
    $SUDO sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi
