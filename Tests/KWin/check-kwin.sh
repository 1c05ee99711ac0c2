#!/usr/bin/env bash
# Plivex's KDE switcher and KDE key options against a real KWin: a headless KWin (virtual output,
# software compositing) on a private session bus, with a test home whose kxkbrc lists us and ru
# and sets compose:ralt. Checks that the switcher the session gets (PROBE,
# Tests/Wayland/DesktopSessionProbe.cpp) lists the layouts with KWin's names, selects the other one,
# which KWin then reports active, and hears KWin's change notice. Then KWin's keymap as a client
# receives it (KEYMAP_CLIENT, Tests/KWin/KWinKeymapClient.cpp): Caps Lock types Caps_Lock under
# the user's options, nothing (VoidSymbol) once the probe has taken its action away as Plivex
# does (caps:none in kxkbrc, then the reloadConfig signal), and Caps_Lock again once the probe
# has given the user's options back. Last, the program itself (PLIVEX): its settings window (no
# tray on this bus) has the frame KWin draws, and no graphics driver is loaded into it.
# Usage: check-kwin.sh KEYMAP_CLIENT PROBE PLIVEX
# Exit status: 0 passed, 1 failed, 77 skipped (no kwin_wayland here).
set -uo pipefail
client=$1
probe=$2
plivex=$3
for tool in kwin_wayland dbus-run-session dbus-daemon gdbus; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (Debian: kwin-wayland, dbus-daemon, libglib2.0-bin)"
    exit 77
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/.config" "$work/runtime"
chmod 700 "$work/runtime"
printf '[Layout]\nLayoutList=us,ru\nUse=true\nOptions=compose:ralt\nResetOldOptions=true\n' \
  >"$work/home/.config/kxkbrc"
# Debian gives kwin_wayland a file capability (CAP_SYS_RESOURCE); where the bounding set lacks
# it, as in a container, the kernel refuses to run the file at all. A copy carries no capability
# and KWin runs without it.
cp "$(command -v kwin_wayland)" "$work/kwin_wayland"

cat >"$work/inside.sh" <<'INSIDE'
set -uo pipefail
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
layouts() {
  gdbus call --session -d org.kde.keyboard -o /Layouts -m "org.kde.KeyboardLayouts.$1" 2>&1
}
# Waits up to 10 s for FILE to hold the line LINE.
has_line() {
  for _ in $(seq 1 100); do
    grep -qxF "$2" "$1" && return 0
    sleep 0.1
  done
  return 1
}
# Fake input makes KWin's seat offer the client a keyboard; KWin offers it to any client only
# without its permission checks.
KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 KWIN_COMPOSE=Q \
  "$WORK/kwin_wayland" --virtual --no-lockscreen --socket plivex-kwin >"$WORK/kwin.log" 2>&1 &
kwin=$!
trap 'kill "$kwin" 2>/dev/null' EXIT
for _ in $(seq 1 100); do
  layouts getLayoutsList >/dev/null && break
  sleep 0.1
done
list=$(layouts getLayoutsList)
[ "$list" = "([('us', '', 'English (US)'), ('ru', '', 'Russian')],)" ] ||
  fail "KWin lists: $list"

probe=$(XDG_CURRENT_DESKTOP=KDE "$PROBE" 1)
expected="desktop: KDE Plasma
before: us=English (US) ru=Russian active 0
select: yes
notice: yes
after: us=English (US) ru=Russian active 1"
[ "$probe" = "$expected" ] || fail "the KDE switcher saw: $probe"
[ "$(layouts getLayout)" = "(uint32 1,)" ] || fail "KWin's active layout: $(layouts getLayout)"

# The outputs are appended to, so that emptying one between checks leaves no gap in it.
mkfifo "$WORK/client-in" "$WORK/probe-in"
WAYLAND_DISPLAY=plivex-kwin "$CLIENT" <"$WORK/client-in" >>"$WORK/client.out" 2>&1 &
client=$!
exec {to_client}>"$WORK/client-in"
has_line "$WORK/client.out" "ready" || fail "no keymap reached the client: $(cat "$WORK/client.out")"
has_line "$WORK/client.out" "caps: Caps_Lock" || fail "Caps Lock under the user's options"
: >"$WORK/client.out"

mkdir "$WORK/notes"
XDG_CURRENT_DESKTOP=KDE "$PROBE" caps "$WORK/notes" <"$WORK/probe-in" >>"$WORK/probe.out" 2>&1 &
withholding=$!
exec {to_probe}>"$WORK/probe-in"
has_line "$WORK/probe.out" "withheld: compose:ralt,caps:none" ||
  fail "the probe's withholding said: $(cat "$WORK/probe.out")"
has_line "$WORK/client.out" "caps: VoidSymbol" ||
  fail "KWin did not apply caps:none: $(cat "$WORK/client.out")"
: >"$WORK/client.out"
# The probe gives the key back when its input ends.
exec {to_probe}>&-
has_line "$WORK/probe.out" "given back: compose:ralt" ||
  fail "the probe's giving back said: $(cat "$WORK/probe.out")"
wait "$withholding"
has_line "$WORK/client.out" "caps: Caps_Lock" ||
  fail "KWin did not apply the options given back: $(cat "$WORK/client.out")"

exec {to_client}>&-
wait "$client"

# KWin's scripting prints each window and whether KWin draws its frame.
QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=plivex-kwin XDG_SESSION_TYPE=wayland \
  XDG_CURRENT_DESKTOP=KDE "$PLIVEX" >>"$WORK/plivex.out" 2>&1 &
plivex=$!
echo 'workspace.clientList().forEach(c => print("window " + c.resourceClass + " framed " + !c.noBorder));' \
  >"$WORK/windows.js"
for attempt in $(seq 1 100); do
  gdbus call --session -d org.kde.KWin -o /Scripting -m org.kde.kwin.Scripting.loadScript \
    "$WORK/windows.js" "windows$attempt" >/dev/null &&
    gdbus call --session -d org.kde.KWin -o /Scripting -m org.kde.kwin.Scripting.start >/dev/null
  grep -q "window plivex" "$WORK/kwin.log" && break
  sleep 0.1
done
grep -q "window plivex framed true" "$WORK/kwin.log" ||
  fail "KWin does not frame Plivex's window: $(grep 'window ' "$WORK/kwin.log")"
if grep -E '_dri\.so|libEGL_mesa' "/proc/$plivex/maps"; then
  fail "a graphics driver is loaded into Plivex"
fi
kill "$plivex"
wait "$plivex" 2>/dev/null

kill "$kwin"
wait "$kwin" 2>/dev/null
if [ "$failures" -gt 0 ]; then
  echo "--- KWin's log"
  tail -20 "$WORK/kwin.log"
fi
exit $((failures > 0))
INSIDE

env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" WORK="$work" \
  CLIENT="$client" PROBE="$probe" PLIVEX="$plivex" dbus-run-session -- bash "$work/inside.sh"
status=$?
[ "$status" -eq 0 ] && echo "PASS: $("$work/kwin_wayland" --version 2>/dev/null)"
exit "$status"
