#!/usr/bin/env bash
# Plivex as a user starts it in its demo (--demo), on a real X server: Xvfb with trayer as the
# system tray. The test finds Plivex's icon in the tray, clicks it, sees the menu open, chooses
# "Settings…" from it, sees the settings window, and quits from the menu; a second start brings
# the running one's demo window forward and ends. Screenshots of each step go to OUTDIR.
# Skipped (exit 77) where Xvfb is missing.
# Usage: TrayEndToEndTest.sh PLIVEX OUTDIR
set -uo pipefail
plivex="$1"
out="$2"

if ! command -v Xvfb >/dev/null; then
  echo "SKIPPED: Xvfb is not installed (Debian package xvfb)"
  exit 77
fi
for tool in trayer xdotool xwininfo import; do
  if ! command -v "$tool" >/dev/null; then
    echo "FAILED: $tool is missing (scripts/install-deps.sh installs it)"
    exit 1
  fi
done

mkdir -p "$out"
rm -f "$out"/*.png
work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAILED: $*"
  echo "--- Xvfb's and trayer's output:"
  cat "$work/xvfb.log" "$work/trayer.log" 2>/dev/null
  echo "--- plivex's output:"
  cat "$work/plivex.log" 2>/dev/null
  exit 1
}

# Polls `command` every 0.1 s for up to `seconds`: a real X server answers in real time.
wait_for() {
  local seconds="$1"
  shift
  local tries=$((seconds * 10))
  while ! "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}

shot() {
  import -window root "$out/$1.png" && echo "screenshot: $out/$1.png"
}

# A display of its own. With -displayfd, Xvfb takes the lowest number whose sockets it can bind
# and makes no lock file, so a server of another machine sharing /tmp (a container beside this
# one) does not keep it off that number, and the two then take each other's socket file. A
# number picked at random in a high range, with the lock file that every server honours, and
# checked by talking to it, keeps this run on its own display. -noreset: an X server resets
# when its last client leaves, dropping whoever connects meanwhile (trayer, after the check).
start_display() {
  local attempt number pid
  for attempt in 1 2 3 4 5 6 7 8; do
    number=$((100 + RANDOM % 900))
    [ -e "/tmp/.X$number-lock" ] && continue
    Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp -noreset 2>"$work/xvfb.log" &
    pid=$!
    if wait_for 10 env DISPLAY=":$number" xdotool getdisplaygeometry; then
      pids+=("$pid")
      export DISPLAY=":$number"
      return 0
    fi
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  return 1
}
start_display || fail "Xvfb did not start"

trayer --edge top --align right --widthtype request --height 32 --SetDockType true \
  --transparent false --tint 0x303030 >"$work/trayer.log" 2>&1 &
pids+=($!)
wait_for 10 xdotool search --class trayer || fail "trayer did not start"
trayer_windows="$(xdotool search --class trayer)"

# Started as a user starts it, with a fresh configuration and a runtime directory of its own
# (one Plivex runs per user); without a session bus Qt uses the X11 system tray protocol, which
# trayer speaks.
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
# In a sanitizer build, what a system library does on its own is not the program's fault: a
# buffer libdbus keeps, and Qt's hand-overs between its own threads under locks that
# ThreadSanitizer cannot see (Qt is not built with it). The program's own code stays checked.
here="$(cd "$(dirname "$0")" && pwd)"
export LSAN_OPTIONS="suppressions=$here/LeakSuppressions.txt${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export TSAN_OPTIONS="ignore_noninstrumented_modules=1${TSAN_OPTIONS:+ $TSAN_OPTIONS}"
env -u DBUS_SESSION_BUS_ADDRESS XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb \
  "$plivex" --demo >"$work/plivex.log" 2>&1 &
plivex_pid=$!
pids+=("$plivex_pid")

# Plivex's small visible window whose parent belongs to the tray.
tray_icon() {
  local window parent
  for window in $(xdotool search --onlyvisible --class plivex 2>/dev/null); do
    parent="$(xwininfo -tree -id "$window" | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p')"
    [ -n "$parent" ] || continue
    # The icon is embedded into a socket window that the tray owns (its parent, or above it).
    while [ -n "$parent" ] && [ "$((parent))" -ne 0 ]; do
      for tray in $trayer_windows; do
        if [ "$((parent))" -eq "$tray" ]; then
          echo "$window"
          return 0
        fi
      done
      parent="$(xwininfo -tree -id "$parent" | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p')"
    done
  done
  return 1
}
wait_for 15 tray_icon || fail "no Plivex icon in the tray"
# The virtual Mac's demo window opens beside the tray icon. Nothing keeps it off the tray's
# panel here, as a window manager would: it is moved below the panel.
demo_shown() { xdotool search --onlyvisible --name '^Plivex — virtual Mac$'; }
demo_gone() { ! demo_shown; }
wait_for 10 demo_shown || fail "the demo window did not show"
xdotool windowmove "$(demo_shown | head -n1)" 0 40
icon="$(tray_icon)"
grep -q "no system tray" "$work/plivex.log" && fail "Plivex saw no system tray"
shot 1-tray-icon

settings_shown() { xdotool search --onlyvisible --name '^Plivex Settings$'; }
settings_gone() { ! settings_shown; }

# Started again, Plivex says so and ends; the running one brings its demo window forward, also
# when that window had been taken off the screen.
xdotool windowunmap "$(demo_shown | head -n1)"
wait_for 5 demo_gone || fail "the demo window could not be taken off the screen"
second="$(env -u DBUS_SESSION_BUS_ADDRESS XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb \
  timeout 20 "$plivex" --demo 2>&1)" || fail "a second start ended with an error: $second"
echo "$second" | grep -q "Plivex is already running" || fail "a second start said: $second"
wait_for 5 demo_shown || fail "a second start did not bring the demo window forward"
shot 2-second-start

visible_windows() { xdotool search --onlyvisible --class plivex 2>/dev/null | sort; }
# Clicks the icon until a new window (the menu) shows; a click that lands while a window is
# still being mapped may go unseen, and a user would simply click again.
open_menu() {
  local attempt before
  for attempt in 1 2 3; do
    before="$(visible_windows)"
    xdotool mousemove --window "$icon" 10 10 click 1
    menu_opened() { [ -n "$(comm -13 <(echo "$before") <(visible_windows))" ]; }
    wait_for 2 menu_opened && return 0
  done
  return 1
}
open_menu || fail "clicking the icon opened no menu"
shot 3-menu

# At first start nothing is granted: the menu's selectable items are "② Request
# Accessibility", "Open settings…", "Settings…", "Enable", "Quit". The third is "Settings…".
xdotool key Down Down Down Return
wait_for 5 settings_shown || fail "choosing Settings… showed no settings window"
shot 4-settings

# Quit from the menu (its last item): the program ends by itself, without an error.
open_menu || fail "clicking the icon again opened no menu"
shot 5-menu-again
xdotool key Up Return
ended() { ! kill -0 "$plivex_pid" 2>/dev/null; }
wait_for 10 ended || fail "Quit did not end the program"
wait "$plivex_pid"
status=$?
[ "$status" -eq 0 ] || fail "the program ended with status $status"
echo "PASSED: demo window and tray icon found, second start handed over, menu opened, settings shown, quit"
