#!/usr/bin/env bash
# Installs what is missing, builds, and runs Plivex on the virtual Mac: the Qt application (tray
# icon, menu and windows) when a display is available, the text console otherwise.
# Usage: scripts/run.sh [--console]
set -euo pipefail
cd "$(dirname "$0")/.."
mode=app
if [ "${1:-}" = "--console" ]; then
  mode=console
  shift
elif [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): running the text console instead."
  mode=console
fi
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if [ "$mode" = console ]; then
  cmake --build build -j"$(nproc)" --target plivex-console
  exec build/Sources/Console/plivex-console "$@"
fi
cmake --build build -j"$(nproc)" --target plivex
exec build/Sources/Kestravane/Linux/plivex "$@"
