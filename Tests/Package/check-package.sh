#!/usr/bin/env bash
# Checks the Debian package of the Linux programs as a user's machine would take it: builds it
# from the build folder with cpack (or takes PLIVEX_PACKAGE_FILE, one made already), then reads
# its files and control fields (dpkg-deb), runs the packed programs once, and runs lintian when
# it is installed. As root with PLIVEX_PACKAGE_INSTALL_TEST=1 (CI) it also installs the package
# with apt-get, starts each installed program once and removes the package again.
# Usage: check-package.sh BUILD_DIRECTORY VERSION
# Exit status: 0 passed, 1 failed, 77 skipped (no cpack or dpkg-deb here).
set -uo pipefail
build=$1
version=$2

for tool in cpack dpkg-deb dpkg-shlibdeps; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (Debian: cmake, dpkg-dev)"
    exit 77
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"  # apt reads the package as its own user
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

if [ -n "${PLIVEX_PACKAGE_FILE:-}" ]; then
  package=$PLIVEX_PACKAGE_FILE
else
  if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack did not make the package"
    exit 1
  fi
  package=$(ls "$work"/out/plivex_*.deb)
fi
echo "package: $package"
architecture=$(dpkg --print-architecture)
[ "$(basename "$package")" = "plivex_${version}_${architecture}.deb" ] ||
  fail "named $(basename "$package"), not plivex_${version}_${architecture}.deb"

# Every file, with its mode and owner; nothing else.
expected=(
  "-rwxr-xr-x root/root ./usr/bin/plivex"
  "-rwxr-xr-x root/root ./usr/bin/plivex-console"
  "-rwxr-xr-x root/root ./usr/bin/plivex-doctor"
  "-rw-r--r-- root/root ./usr/share/applications/plivex.desktop"
  "-rw-r--r-- root/root ./usr/share/doc/plivex/README.Debian"
  "-rw-r--r-- root/root ./usr/share/doc/plivex/changelog.gz"
  "-rw-r--r-- root/root ./usr/share/doc/plivex/copyright"
  "-rw-r--r-- root/root ./usr/share/gnome-shell/extensions/input-sources-legacy@plivex/extension.js"
  "-rw-r--r-- root/root ./usr/share/gnome-shell/extensions/input-sources-legacy@plivex/metadata.json"
  "-rw-r--r-- root/root ./usr/share/gnome-shell/extensions/input-sources@plivex/extension.js"
  "-rw-r--r-- root/root ./usr/share/gnome-shell/extensions/input-sources@plivex/metadata.json"
  "-rw-r--r-- root/root ./usr/share/icons/hicolor/scalable/apps/plivex.svg"
  "-rw-r--r-- root/root ./usr/share/man/man1/plivex-console.1.gz"
  "-rw-r--r-- root/root ./usr/share/man/man1/plivex-doctor.1.gz"
  "-rw-r--r-- root/root ./usr/share/man/man1/plivex.1.gz"
)
for pixels in 16 22 24 32 48 64 128 256 512; do
  expected+=("-rw-r--r-- root/root ./usr/share/icons/hicolor/${pixels}x${pixels}/apps/plivex.png")
done
dpkg-deb -c "$package" | awk '$1 !~ /^d/ { print $1, $2, $6 }' | sort >"$work/files"
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
if ! diff -u "$work/expected" "$work/files"; then
  fail "the files differ from those expected (- expected, + packed)"
fi
if dpkg-deb -c "$package" | awk '$1 ~ /^d/ && $1 != "drwxr-xr-x" { bad = 1 } END { exit !bad }'; then
  fail "a folder is not drwxr-xr-x"
fi

# The control fields.
field() { dpkg-deb -f "$package" "$1"; }
[ "$(field Package)" = plivex ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = "$architecture" ] || fail "Architecture is '$(field Architecture)'"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
depends=$(field Depends)
echo "Depends: $depends"
# The package names alone, one a line ("libqt6core6 (>= 6.4.0)" -> "libqt6core6").
sed 's/, */\n/g' <<<"$depends" | sed 's/[ (].*//' >"$work/depends"
# libxkbregistry0 is opened with dlopen: only the explicit field names it.
for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 libxkbregistry0; do
  grep -qxF "$library" "$work/depends" || fail "Depends lacks $library"
done
if [[ "$depends" =~ -dev|libasan|libtsan|libubsan ]]; then
  fail "Depends names a development or sanitizer library"
fi

# The packed programs: stripped, and each answers once run.
dpkg-deb -x "$package" "$work/root"
for program in plivex plivex-console plivex-doctor; do
  if readelf -S "$work/root/usr/bin/$program" | grep -q '\.debug_info'; then
    fail "$program carries debug information"
  fi
done
[ "$("$work/root/usr/bin/plivex" --version)" = "Plivex $version" ] ||
  fail "plivex --version does not print 'Plivex $version'"
# Each theme image is the size its folder names (a PNG's width and height follow its signature).
for pixels in 16 22 24 32 48 64 128 256 512; do
  image="$work/root/usr/share/icons/hicolor/${pixels}x${pixels}/apps/plivex.png"
  size=$(od -An -tu1 -j16 -N8 "$image" 2>/dev/null |
    awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 "x" $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
  [ "$size" = "${pixels}x${pixels}" ] || fail "the ${pixels}x${pixels} icon is ${size:-unreadable}"
done
grep -qx 'Exec=plivex' "$work/root/usr/share/applications/plivex.desktop" ||
  fail "the menu entry does not start plivex"
# The input group a Wayland session needs: how to join it, and the description points there.
grep -qF 'sudo usermod -aG input $USER' "$work/root/usr/share/doc/plivex/README.Debian" ||
  fail "README.Debian does not say how to join the input group"
field Description | grep -qF README.Debian || fail "the description does not name README.Debian"

if command -v lintian >/dev/null; then
  echo "lintian:"
  lintian --fail-on error,warning --info "$package" || fail "lintian found errors or warnings"
else
  echo "lintian is not installed: not run (Debian: lintian)"
fi

# Runs an installed program once with an empty home of its own; its output in $work/out.txt.
run_installed() {
  env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" \
    XDG_RUNTIME_DIR="$work/home/runtime" "$@" >"$work/out.txt" 2>&1
}

if [ "${PLIVEX_PACKAGE_INSTALL_TEST:-}" = 1 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    fail "PLIVEX_PACKAGE_INSTALL_TEST=1 needs root (apt-get install)"
  else
    echo "installing with apt-get:"
    cp "$package" "$work/"
    (cd "$work" && DEBIAN_FRONTEND=noninteractive apt-get install -y -q "./$(basename "$package")") ||
      fail "apt-get could not install the package"
    mkdir -p -m 700 "$work/home/runtime"
    run_installed plivex --version
    [ "$(cat "$work/out.txt")" = "Plivex $version" ] || fail "installed plivex --version: $(cat "$work/out.txt")"
    run_installed plivex-doctor --version
    [ "$(cat "$work/out.txt")" = "plivex-doctor $version" ] ||
      fail "installed plivex-doctor --version: $(cat "$work/out.txt")"
    run_installed plivex-doctor || fail "installed plivex-doctor failed: $(cat "$work/out.txt")"
    echo quit | run_installed plivex-console || fail "installed plivex-console failed"
    grep -q "Plivex on a virtual Mac" "$work/out.txt" || fail "plivex-console said: $(cat "$work/out.txt")"
    run_installed plivex
    grep -q "plivex: no display" "$work/out.txt" || fail "plivex without a display said: $(cat "$work/out.txt")"
    man -w plivex >/dev/null 2>&1 || [ ! -x /usr/bin/man ] || fail "man does not find plivex(1)"
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -q plivex || fail "apt-get could not remove it"
    [ ! -e /usr/bin/plivex ] || fail "/usr/bin/plivex is still there after removal"
  fi
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "the package passed every check"
