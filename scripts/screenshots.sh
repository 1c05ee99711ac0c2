#!/usr/bin/env bash
# Writes PNG pictures of the interface into DIR for people to look at: the menu for every
# health, the settings window and the onboarding window, in English and Russian, drawn both on
# a real X server (Xvfb, in DIR/xvfb) and on Qt's offscreen platform (DIR/offscreen), and the
# virtual Mac's demo window after a short session (demo-window.png in both); and the menu, the
# settings and the onboarding window on the X11 backend, on an Xvfb whose keymap it sets for each
# state (DIR/x11).
# Usage: scripts/screenshots.sh DIR
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: scripts/screenshots.sh DIR" >&2
  exit 2
fi
mkdir -p "$1"
dir="$(cd "$1" && pwd)"
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target plivex-screenshots plivex-demo-shot \
  plivex-x11-shot
tool=build/Tests/Screenshots/plivex-screenshots
demo=build/Tests/Screenshots/plivex-demo-shot
mkdir -p "$dir/offscreen" "$dir/xvfb" "$dir/x11"

QT_QPA_PLATFORM=offscreen "$tool" "$dir/offscreen"
xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb "$tool" "$dir/xvfb"

QT_QPA_PLATFORM=offscreen "$demo" "$dir/offscreen/demo-window.png"
xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb "$demo" "$dir/xvfb/demo-window.png"
# -noreset: the keymap each state loads survives the moments without clients.
xvfb-run -a -s "-screen 0 1280x800x24 -noreset" env QT_QPA_PLATFORM=xcb \
  build/Tests/Screenshots/plivex-x11-shot "$dir/x11"
echo "Pictures in $dir/offscreen, $dir/xvfb and $dir/x11"
