#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-dev clang-format
          libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
          qt6-base-dev qt6-svg-dev libgl-dev
          fonts-dejavu-core fonts-noto-color-emoji
          xvfb xauth trayer xdotool imagemagick python3 python3-yaml icnsutils
          libx11-dev libxi-dev libxtst-dev x11-xkb-utils
          libevdev-dev libudev-dev umockdev libumockdev-dev
          libxkbregistry-dev libxkbcommon-dev libwayland-dev libsystemd-dev sway qt6-wayland
          python3-dbus python3-gi
          dbus-daemon dpkg-dev lintian desktop-file-utils libglib2.0-bin
          libglib2.0-dev gnome-shell gjs kwin-wayland)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "Missing Debian packages: ${missing[*]}" >&2
      echo "Run this script as root (or install sudo) so that it can install them." >&2
      exit 1
    fi
    sudo="sudo"
  fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
