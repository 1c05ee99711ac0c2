#!/bin/sh
# Prints the oldest macOS a Mach-O binary runs on: the `minos` of its LC_BUILD_VERSION load
# command, or the `version` of the older LC_VERSION_MIN_MACOSX. Fails, saying why, when the binary
# is missing or names neither (then nobody knows where the bundle would launch).
# Usage: minimum-macos.sh BINARY
set -eu
binary="${1:?usage: minimum-macos.sh BINARY}"
if [ ! -f "$binary" ]; then
  echo "minimum-macos.sh: $binary does not exist" >&2
  exit 1
fi
version="$(otool -l "$binary" | awk '
  $1 == "cmd" { command = $2 }
  command == "LC_BUILD_VERSION" && $1 == "minos" { print $2; exit }
  command == "LC_VERSION_MIN_MACOSX" && $1 == "version" { print $2; exit }')"
case "$version" in
  [0-9]*.[0-9]*) echo "$version" ;;
  *)
    echo "minimum-macos.sh: $binary names no minimum macOS (no LC_BUILD_VERSION minos)" >&2
    exit 1
    ;;
esac
