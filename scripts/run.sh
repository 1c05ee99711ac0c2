#!/usr/bin/env bash
# Installs what is missing, builds, and runs Plivex on the virtual Mac.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target plivex-console
exec build/Sources/Console/plivex-console "$@"
