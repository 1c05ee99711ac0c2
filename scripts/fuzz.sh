#!/usr/bin/env bash
# Builds the configuration-decoding fuzzer with clang and runs it for a bounded time.
# Usage: scripts/fuzz.sh [seconds]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
scripts/install-deps.sh
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPLIVEX_BUILD_FUZZERS=ON -DPLIVEX_BUILD_TESTS=OFF -DPLIVEX_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz --target ConfigDecodeFuzzer -j"$(nproc)"
corpus=build-fuzz/corpus
mkdir -p "$corpus"
cp Tests/Fuzz/seeds/* "$corpus"/ 2>/dev/null || true
build-fuzz/Tests/Fuzz/ConfigDecodeFuzzer -max_total_time="$seconds" -max_len=4096 "$corpus"
