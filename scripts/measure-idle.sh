#!/usr/bin/env bash
# Measures Plivex at rest beside the smallest tray program: resident memory once started, and CPU
# time and wake-ups over an idle minute. Both run on an X server of their own (Xvfb) with a tray
# host (trayer), as on a desktop. Results go to standard output; docs/performance.md records them.
# Usage: scripts/measure-idle.sh [idle seconds]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DPLIVEX_BUILD_TESTS=OFF >/dev/null
cmake --build build-release -j"$(nproc)" --target AppIdleBenchmarks
export PLIVEX_IDLE_SECONDS="${1:-60}"
# -noreset: the keymap of two layouts that Plivex switches survives the moments without clients.
xvfb-run -a -s "-screen 0 1280x800x24 -noreset" bash -c '
  setxkbmap -layout us,ru
  trayer --edge top --align right --widthtype request --height 32 --SetDockType true &
  tray=$!
  sleep 1
  env -u DBUS_SESSION_BUS_ADDRESS build-release/Benchmarks/AppIdleBenchmarks
  kill "$tray"'
