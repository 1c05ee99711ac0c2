#!/usr/bin/env bash
# Installs what is missing, builds, and runs Plivex.
#   scripts/run.sh            on your X11 session: a lone tap of the trigger switches your own
#                             keyboard layouts (on Wayland it says why it cannot, and runs the demo)
#   scripts/run.sh --demo     on the virtual Mac, a model of macOS, with its demo window to type in
#   scripts/run.sh --console  the text console on the virtual Mac (also where there is no display)
# Further arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=app
arguments=()
case "${1:-}" in
  --console) mode=console; shift ;;
  --demo) arguments=(--demo); shift ;;
esac
if [ "$mode" = app ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
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
exec build/Sources/Kestravane/Linux/plivex "${arguments[@]}" "$@"
