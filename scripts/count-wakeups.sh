#!/usr/bin/env bash
# Counts how often a program wakes up at rest: the voluntary context switches of all its threads
# (/proc/<pid>/task/*/status) over an idle stretch, after it has settled. The program runs with
# a fresh configuration and runtime folder on the X display given in DISPLAY.
# Usage: DISPLAY=:N scripts/count-wakeups.sh [idle seconds] -- program [arguments...]
# Prints: wakeups=<count> seconds=<idle seconds>, and the count per thread name.
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

env -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS XDG_SESSION_TYPE=x11 HOME="$home" \
  XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/runtime" TMPDIR="$home/tmp" \
  "$@" 2>"$home/log" &
pid=$!
sleep "$settle"
before="$(count "$pid")"
sleep "$idle"
after="$(count "$pid")"
kill -TERM "$pid"
wait "$pid" || true
# Threads are matched by id; one that started meanwhile counts from zero, and the wake-ups of one
# that ended meanwhile are not seen (the per-thread lines say which).
awk -v idle="$idle" '
  NR == FNR { before[$1] = $3; next }
  { woke = $3 - ($1 in before ? before[$1] : 0); total += woke
    printf "  %-8s %-20s %d%s\n", $1, $2, woke, ($1 in before ? "" : " (new)"); seen[$1] = 1 }
  END { for (tid in before) if (!(tid in seen)) printf "  %-8s ended meanwhile\n", tid
        printf "wakeups=%d seconds=%d\n", total, idle }' <(echo "$before") <(echo "$after")
