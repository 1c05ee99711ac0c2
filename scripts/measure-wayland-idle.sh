#!/usr/bin/env bash
# Measures Plivex at rest on the Wayland backend beside the smallest tray program, in one headless
# Sway session: memory (resident and proportional) and wake-ups over an idle stretch, each
# program started several times in turn (scripts/count-wakeups.sh measures each start).
# The session is a user's Sway in small: one output, a bar with a tray (swaybar, on a session bus
# of the script's own) and a keyboard of two layouts (us,ru, from sway-virtual-keyboard). The
# layouts are in Sway's configuration too, as a user sets them: once Plivex sets the keyboards'
# options, Sway makes the virtual keyboard's keymap from its configuration. Both
# programs draw through Qt's Wayland platform and show their icon in the bar's tray. Plivex
# reads one stand-in evdev keyboard (umockdev-run, with the Wayland tests' own stand-in) and asks
# Sway over its IPC socket; the tray program runs under the same umockdev-run, so both carry its
# preload library. Sway refuses to run as root: as root, Sway, its bar and the bus run as uid
# 65534, as in the tests.
# Usage: scripts/measure-wayland-idle.sh [idle seconds] [starts]   (default 60 and 3)
# The build folder is $PLIVEX_BUILD_DIR (default build-bench; configured here when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
idle="${1:-60}"
starts="${2:-3}"
build="${PLIVEX_BUILD_DIR:-build-bench}"
if [[ ! -f "$build/build.ninja" ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLIVEX_BUILD_BENCHMARKS=ON \
    >/dev/null
fi
cmake --build "$build" -j2 --target plivex plivex-minimal-tray plivex-evdev-standin \
  sway-virtual-keyboard >/dev/null
plivex="$build/Sources/Kestravane/Linux/plivex"
tray="$build/Benchmarks/plivex-minimal-tray"
keyboard="$(find "$build" -name sway-virtual-keyboard -type f -perm -u+x | head -n 1)"

work="$(mktemp -d /tmp/plivex-wayland-idle-XXXXXX)"
chmod 755 "$work"
mkdir -p "$work/run" "$work/bus" "$work/devices"
chmod 700 "$work/run"
as_sway=()
if [[ "$(id -u)" == 0 ]]; then
  as_sway=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  chown 65534:65534 "$work/run" "$work/bus"
fi
pids=()
cleanup() {
  exec 9>&- 2>/dev/null || true  # the keyboard's input ends: it leaves
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The session bus: anyone may connect, since Sway's bar and the measured programs are different
# users when this runs as root.
cat >"$work/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$work/bus/socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
EOF
bus="unix:path=$work/bus/socket"
"${as_sway[@]}" dbus-daemon --config-file="$work/bus.conf" --nofork &
pids+=($!)

printf 'xwayland disable\ninput type:keyboard xkb_layout us,ru\nbar {\n  tray_output *\n}\n' >"$work/config"
"${as_sway[@]}" env -i PATH="$PATH" WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=1 \
  WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman XDG_RUNTIME_DIR="$work/run" \
  DBUS_SESSION_BUS_ADDRESS="$bus" sway -c "$work/config" >"$work/sway.log" 2>&1 &
pids+=($!)
for _ in $(seq 200); do
  swaysock="$(find "$work/run" -name 'sway-ipc.*.sock' | head -n 1)"
  display="$(find "$work/run" -name 'wayland-*' -type s | head -n 1)"
  [[ -n "$swaysock" && -n "$display" ]] && break
  sleep 0.1
done
[[ -n "$swaysock" && -n "$display" ]] || { echo "sway did not start:" >&2; cat "$work/sway.log" >&2; exit 1; }

# The keyboard of two layouts stays while its input is open.
mkfifo "$work/keyboard.in"
XDG_RUNTIME_DIR="$work/run" WAYLAND_DISPLAY="${display##*/}" "$keyboard" us,ru \
  <"$work/keyboard.in" >"$work/keyboard.out" 2>&1 &
pids+=($!)
exec 9>"$work/keyboard.in"
for _ in $(seq 100); do grep -q ready "$work/keyboard.out" && break; sleep 0.1; done
grep -q ready "$work/keyboard.out" || { echo "no virtual keyboard" >&2; exit 1; }

devnode="$("$build/Benchmarks/plivex-evdev-standin" "$work/devices")"
standin=(umockdev-run -d "$work/devices/keyboard.umockdev" -i "$devnode=$work/devices/keyboard.ioctl" --)

echo "Sway $(sway --version | awk '{print $3}'), load average $(cut -d' ' -f1-3 /proc/loadavg)," \
  "$(nproc) cores, idle ${idle} s after ${PLIVEX_SETTLE_SECONDS:-5} s to settle"
results="$work/results"
for start in $(seq "$starts"); do
  for name in plivex tray; do
    program="$plivex"
    [[ "$name" == tray ]] && program="$tray"
    echo "== $name, start $start"
    # Midway, whether its icon is in the bar's tray (the watcher's list of items).
    (sleep "$(( ${PLIVEX_SETTLE_SECONDS:-5} + idle / 2 ))"
     DBUS_SESSION_BUS_ADDRESS="$bus" dbus-send --session --print-reply \
       --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
       org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
       string:RegisteredStatusNotifierItems | grep -c StatusNotifierItem |
       sed 's/^/  icons in the tray: /') &
    env -u DISPLAY WAYLAND_DISPLAY="$display" SWAYSOCK="$swaysock" XDG_CURRENT_DESKTOP=sway \
      DBUS_SESSION_BUS_ADDRESS="$bus" scripts/count-wakeups.sh "$idle" -- \
      "${standin[@]}" "$program" | tee "$work/last"
    printf '%s %s\n' "$name" "$(grep -E '^(wakeups|rss_kib)=' "$work/last" | tr '\n' ' ')" >>"$results"
  done
done
echo "load average $(cut -d' ' -f1-3 /proc/loadavg) at the end"
# One line per program: each start's wake-ups per minute, resident and proportional MiB.
awk -v idle="$idle" '
  { split($2, w, "="); split($4, r, "="); split($5, p, "=")
    line[$1] = line[$1] sprintf(" %.0f/min %.1f/%.1f MiB;", w[2] * 60 / idle, r[2] / 1024, p[2] / 1024) }
  END { for (name in line) printf "%-7s wake-ups, RSS/PSS per start:%s\n", name, line[name] }' "$results"
