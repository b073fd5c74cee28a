#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Stirwell need.
# Idempotent: packages already present are skipped. Works as root or through sudo.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build ccache pkg-config git
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # Qt 6
  qt6-base-dev qt6-base-dev-tools qt6-declarative-dev qt6-svg-dev qt6-lottie-dev
  qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts
  qml6-module-qtquick-window qml6-module-qtquick-shapes qml6-module-qtqml-workerscript
  qml6-module-qtquick-templates qml6-module-qtquick-particles qml6-module-qt-labs-lottieqt
  qml6-module-qtquick-dialogs qml6-module-qt-labs-platform
  libgl-dev libxkbcommon-dev
  # platform adapters
  libx11-dev libxext-dev libpulse-dev liblz4-dev libical-dev libecal2.0-dev
  libxcb1-dev libxcb-randr0-dev libxcb-screensaver0-dev
  libcanberra-dev libcanberra-pulse sound-theme-freedesktop libwayland-dev wayland-protocols
  plasma-wayland-protocols
  libpipewire-0.3-dev
  evolution-data-server
  # test environment: private buses, displays, sound server
  dbus dbus-x11 python3 python3-dbusmock python3-gi xvfb xauth xdotool x11-utils openbox
  pulseaudio pulseaudio-utils sox pipewire
  sway wtype grim qt6-wayland
  fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

echo "setup: installing ${#missing[@]} packages: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "setup: done"
