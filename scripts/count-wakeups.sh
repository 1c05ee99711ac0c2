#!/usr/bin/env bash
# Counts how often a program wakes up at rest: the voluntary context switches of all its threads
# (/proc/<pid>/task/*/status) over an idle stretch, after it has settled; and its memory at the
# end of that stretch (resident and proportional set sizes, /proc/<pid>/smaps_rollup). The
# program runs with a fresh configuration and runtime folder, in an X11 session on the display
# given in DISPLAY or, when WAYLAND_DISPLAY is set and DISPLAY is not, in that Wayland session:
# WAYLAND_DISPLAY (a path, or a name in the caller's XDG_RUNTIME_DIR), the session bus, SWAYSOCK
# and XDG_CURRENT_DESKTOP pass on; Qt draws through its Wayland platform unless QT_QPA_PLATFORM
# says otherwise. A program started through umockdev-run (its stand-in devices) is measured, not the
# umockdev-run that waits for it.
# Usage: DISPLAY=:N scripts/count-wakeups.sh [idle seconds] -- program [arguments...]
#        env -u DISPLAY WAYLAND_DISPLAY=PATH scripts/count-wakeups.sh [idle seconds] -- program ...
# Prints: wakeups=<count> seconds=<idle seconds>, the count per thread name, and
# rss_kib=<resident> pss_kib=<proportional>.
set -euo pipefail
idle=60
if [[ "${1:-}" != "--" ]]; then idle="$1"; shift; fi
[[ "${1:-}" == "--" ]] && shift
settle="${PLIVEX_SETTLE_SECONDS:-5}"
home="$(mktemp -d /tmp/plivex-wakeups-XXXXXX)"
mkdir -p "$home/config" "$home/runtime" "$home/tmp"
chmod 700 "$home/runtime"
trap 'rm -rf "$home"' EXIT

count() {  # voluntary context switches of every thread of $1, "tid name count" per thread
  for task in /proc/"$1"/task/*; do
    printf '%s %s %s\n' "${task##*/}" "$(tr ' ' '_' <"$task/comm" 2>/dev/null)" \
      "$(awk '/^voluntary_ctxt_switches/ {print $2}' "$task/status" 2>/dev/null)"
  done
}

if [[ -n "${WAYLAND_DISPLAY:-}" && -z "${DISPLAY:-}" ]]; then
  # The runtime folder is the program's own, so the display is named by its path.
  display="$WAYLAND_DISPLAY"
  [[ "$display" == /* ]] || display="${XDG_RUNTIME_DIR:?to find WAYLAND_DISPLAY}/$display"
  session=(-u DISPLAY XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY="$display"
           QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-wayland}")
else
  session=(-u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS XDG_SESSION_TYPE=x11)
fi
env "${session[@]}" HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/runtime" \
  TMPDIR="$home/tmp" "$@" 2>"$home/log" &
started=$!
sleep "$settle"
pid=$started
while [[ "$(cat /proc/"$pid"/comm 2>/dev/null)" == umockdev-run ]]; do
  child="$(cat /proc/"$pid"/task/*/children 2>/dev/null || true)"
  [[ -n "$child" ]] || { echo "umockdev-run $pid started no program:" >&2; cat "$home/log" >&2; exit 1; }
  pid="${child%% *}"
done
before="$(count "$pid")"
sleep "$idle"
after="$(count "$pid")"
memory="$(awk '/^Rss:/ {rss = $2} /^Pss:/ {pss = $2} END {printf "rss_kib=%d pss_kib=%d", rss, pss}' \
  /proc/"$pid"/smaps_rollup)"
kill -TERM "$pid"
wait "$started" || true
# Threads are matched by id; one that started meanwhile counts from zero, and the wake-ups of one
# that ended meanwhile are not seen (the per-thread lines say which).
awk -v idle="$idle" '
  NR == FNR { before[$1] = $3; next }
  { woke = $3 - ($1 in before ? before[$1] : 0); total += woke
    printf "  %-8s %-20s %d%s\n", $1, $2, woke, ($1 in before ? "" : " (new)"); seen[$1] = 1 }
  END { for (tid in before) if (!(tid in seen)) printf "  %-8s ended meanwhile\n", tid
        printf "wakeups=%d seconds=%d\n", total, idle }' <(echo "$before") <(echo "$after")
echo "$memory"
