#!/usr/bin/env bash
# Writes PNG pictures of the interface into DIR for people to look at: the menu for every
# health, the settings window and the onboarding window, in English and Russian, drawn both on
# a real X server (Xvfb, in DIR/xvfb) and on Qt's offscreen platform (DIR/offscreen).
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
cmake --build build -j"$(nproc)" --target plivex-screenshots
tool=build/Tests/Screenshots/plivex-screenshots

QT_QPA_PLATFORM=offscreen "$tool" "$dir/offscreen"
xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb "$tool" "$dir/xvfb"

# The virtual Mac's demo window adds its pictures here once it exists, e.g.:
#   QT_QPA_PLATFORM=offscreen build/.../plivex-demo-screenshots "$dir/offscreen"
echo "Pictures in $dir/offscreen and $dir/xvfb"
