#!/usr/bin/env bash
# Runs Plivex's GNOME Shell extension in a real GNOME Shell: a headless Wayland shell on private
# session and system buses, with a test home whose input sources are us and ru and whose enabled
# extensions name ours. Then checks what Plivex relies on over D-Bus: the list and the active
# source, activation, the Changed
# signal on an activation and on a new source list, and a refused index; then Plivex's own GNOME
# switcher (PROBE, Tests/Wayland/DesktopSessionProbe.cpp) lists, selects and hears the change.
# Last, the shell's own keymap (the shell runs in unsafe mode, so org.gnome.Shell.Eval reaches it,
# and a virtual keyboard taps keys): Caps Lock locks under the user's XKB options, does not while
# the probe has taken its action away as Plivex does (caps:none joins GNOME's xkb-options), and
# locks again once the probe has given the user's options back.
# Usage: check-extension.sh EXTENSION_FOLDER PROBE   (the variant this shell loads: legacy/ on 43–44)
# Exit status: 0 passed, 1 failed, 77 skipped (no gnome-shell here).
set -uo pipefail
extension=$(cd "$1" && pwd)
probe=$2
for tool in gnome-shell dbus-run-session dbus-daemon gdbus gsettings; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (Debian: gnome-shell, dbus-daemon, libglib2.0-bin)"
    exit 77
  fi
done

work=$(mktemp -d)
trap 'kill $(cat "$work/system-bus.pid" 2>/dev/null) 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
uuid=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["uuid"])' \
  "$extension/metadata.json")
mkdir -p "$work/home/.local/share/gnome-shell/extensions/$uuid"
cp "$extension"/* "$work/home/.local/share/gnome-shell/extensions/$uuid/"

# The shell asks the system bus for seats and accounts; a private one answers "not here".
cat >"$work/system-bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>system</type><listen>unix:path=$work/system-bus</listen>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/><allow user="*"/></policy>
</busconfig>
CONF
dbus-daemon --config-file="$work/system-bus.conf" --fork --print-pid >"$work/system-bus.pid"

cat >"$work/inside.sh" <<'INSIDE'
set -uo pipefail
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
call() {
  gdbus call --session -d org.plivex.InputSources -o /org/plivex/InputSources \
    -m "org.plivex.InputSources.$1" "${@:2}" 2>&1
}
gsettings set org.gnome.desktop.input-sources sources "[('xkb','us'),('xkb','ru')]"
gsettings set org.gnome.shell disable-user-extensions false
gsettings set org.gnome.shell enabled-extensions "['$UUID']"
gsettings set org.gnome.desktop.input-sources xkb-options "['compose:ralt']"
gnome-shell --headless --wayland --unsafe-mode --virtual-monitor 1024x768 >"$WORK/shell.log" 2>&1 &
shell=$!
list=""
for _ in $(seq 1 150); do
  list=$(call List) && break
  sleep 0.1
done
[ "$list" = "([('xkb:us', 'English (US)'), ('xkb:ru', 'Russian')],)" ] ||
  fail "List answered: $list"
[ "$(call Current)" = "(0,)" ] || fail "Current before any switch: $(call Current)"

gdbus monitor --session -d org.plivex.InputSources >"$WORK/signals.log" 2>&1 &
monitor=$!
sleep 0.3
[ "$(call Activate 1)" = "(true,)" ] || fail "Activate 1 was refused"
[ "$(call Current)" = "(1,)" ] || fail "Current after Activate 1: $(call Current)"
[ "$(call Activate 2)" = "(false,)" ] || fail "Activate 2 of two sources was not refused"

gsettings set org.gnome.desktop.input-sources sources "[('xkb','us'),('xkb','ru'),('xkb','de')]"
for _ in $(seq 1 50); do
  list=$(call List)
  [[ "$list" == *"'xkb:de'"* ]] && break
  sleep 0.1
done
[[ "$list" == *"('xkb:de', 'German')"* ]] || fail "a new source did not reach List: $list"
sleep 0.3
kill "$monitor"
changes=$(grep -c "org.plivex.InputSources.Changed" "$WORK/signals.log")
[ "$changes" -ge 2 ] || fail "Changed was sent $changes times for an activation and a new list"

# Plivex's switcher over the same interface.
probe=$(XDG_CURRENT_DESKTOP=GNOME "$PROBE" 0)
expected="desktop: GNOME
before: us=English (US) ru=Russian de=German active 1
select: yes
notice: yes
after: us=English (US) ru=Russian de=German active 0"
[ "$probe" = "$expected" ] || fail "the GNOME switcher saw: $probe"

# The shell's keymap. Each keymap the shell sets is recorded with the options it set it with (its
# keyboard manager's own record: the backend does not give them back), so the checks wait for the
# shell to have applied a change rather than for a while. The shell sets a new keymap as soon as
# xkb-options changes.
js() {
  gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell -m org.gnome.Shell.Eval "$1" 2>&1
}
# Waits up to 5 s for JS expression $1 to give JSON $2.
js_becomes() {
  local answer
  for _ in $(seq 1 50); do
    answer=$(js "$1")
    [ "$answer" = "(true, '$2')" ] && return 0
    sleep 0.1
  done
  echo "($1 stayed $answer)"
  return 1
}
answer=$(js 'const {Clutter} = imports.gi;
  global.plivexSeat = Clutter.get_default_backend().get_default_seat();
  global.plivexKeys = global.plivexSeat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
  global.plivexKeymaps = [];
  global.backend.connect("keymap-changed", () => global.plivexKeymaps.push(
    imports.misc.keyboardManager.getKeyboardManager()._currentKeymap.options));
  true')
[ "$answer" = "(true, 'true')" ] || fail "the shell did not make a virtual keyboard: $answer"
# Taps the keys with these evdev codes, in order.
tap() {
  local IFS=, answer
  answer=$(js "const t = imports.gi.GLib.get_monotonic_time(); const s = imports.gi.Clutter.KeyState;
    [$*].forEach((k, i) => { global.plivexKeys.notify_key(t + 2000 * i, k, s.PRESSED);
                             global.plivexKeys.notify_key(t + 2000 * i + 1000, k, s.RELEASED); });
    true")
  [ "$answer" = "(true, 'true')" ] || fail "the virtual keyboard did not tap $*: $answer"
}
caps_lock='global.plivexSeat.get_keymap().get_caps_lock_state()'
num_lock='global.plivexSeat.get_keymap().get_num_lock_state()'
last_keymap='global.plivexKeymaps[global.plivexKeymaps.length - 1] || ""'
readonly CAPS=58 NUM=69
# Caps Lock locks and unlocks under the options the shell has now.
caps_locks() {
  tap $CAPS
  js_becomes "$caps_lock" true || fail "Caps Lock did not lock ($1)"
  tap $CAPS
  js_becomes "$caps_lock" false || fail "Caps Lock did not unlock ($1)"
}
caps_locks "the user's options"

mkdir "$WORK/notes"
coproc withholding { XDG_CURRENT_DESKTOP=GNOME "$PROBE" caps "$WORK/notes"; }
# Copies, since bash drops the coprocess's descriptors when it ends (as it does on a failure).
probe_pid=$withholding_PID
exec {from_probe}<&"${withholding[0]}" {to_probe}>&"${withholding[1]}"
line=""
read -r -t 10 -u "$from_probe" line
[ "$line" = "withheld: compose:ralt,caps:none" ] || fail "the probe's withholding said: $line"
js_becomes "$last_keymap" '"compose:ralt,caps:none"' || fail "the shell did not apply caps:none"
# Num Lock after Caps Lock: once Num Lock has changed, the shell has handled the Caps Lock tap
# too. Num Lock's state before is the shell's affair: only the change counts.
num_was=$(js "$num_lock")
num_was=${num_was#"(true, '"}
num_was=${num_was%"')"}
tap $CAPS $NUM
js_becomes "$num_lock != $num_was" true || fail "Num Lock did not change while Caps Lock was withheld"
[ "$(js "$caps_lock")" = "(true, 'false')" ] || fail "Caps Lock locked while caps:none was set"
tap $NUM
js_becomes "$num_lock == $num_was" true || fail "Num Lock did not change back"
# The probe gives the key back when its input ends.
exec {to_probe}>&-
[ -n "${withholding[1]:-}" ] && exec {withholding[1]}>&-
line=""
read -r -t 10 -u "$from_probe" line
[ "$line" = "given back: compose:ralt" ] || fail "the probe's giving back said: $line"
wait "$probe_pid"
js_becomes "$last_keymap" '"compose:ralt"' || fail "the shell did not apply the options given back"
caps_locks "the options given back"

gsettings set org.gnome.shell enabled-extensions "[]"
for _ in $(seq 1 50); do call Current >/dev/null || break; sleep 0.1; done
call Current >/dev/null && fail "the name stayed on the bus after the extension was disabled"
kill "$shell"
wait "$shell" 2>/dev/null
if [ "$failures" -gt 0 ]; then
  echo "--- the shell's log"
  tail -20 "$WORK/shell.log"
fi
exit $((failures > 0))
INSIDE

env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" \
  DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/system-bus" WORK="$work" UUID="$uuid" PROBE="$probe" \
  dbus-run-session -- bash "$work/inside.sh"
status=$?
[ "$status" -eq 0 ] && echo "PASS: $uuid in $(gnome-shell --version)"
exit "$status"
