#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs the whole test suite.
# Usage: scripts/test.sh [address|thread]   (optional sanitizer build)
# With PLIVEX_MACOS_SDK naming an unpacked Apple macOS SDK in the environment, the suite also
# checks the macOS code against it (Tests/MacOSSDK; it needs clang-16 and llvm-16).
set -euo pipefail
cd "$(dirname "$0")/.."
sanitizer="${1:-}"
build="build${sanitizer:+-$sanitizer}"
scripts/install-deps.sh
# Inside a git work tree, commits go through the repository's own hooks (subject length).
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git config core.hooksPath scripts/git-hooks
fi
benchmarks=ON; [ -n "$sanitizer" ] && benchmarks=OFF
sdk=()
[ -n "${PLIVEX_MACOS_SDK:-}" ] && sdk=(-DPLIVEX_MACOS_SDK="$PLIVEX_MACOS_SDK")
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPLIVEX_SANITIZER="$sanitizer" -DPLIVEX_BUILD_BENCHMARKS="$benchmarks" "${sdk[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
if [ "$sanitizer" = "thread" ]; then
  export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
elif [ "$sanitizer" = "address" ]; then
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
# A skipped test says why in its own output, which ctest keeps to itself: show the reasons.
if grep -q ": Skipped$" "$build/Testing/Temporary/LastTest.log" 2>/dev/null; then
  echo "== skipped, and why =="
  grep -A1 ": Skipped$" "$build/Testing/Temporary/LastTest.log" | grep -v "^--$"
fi
