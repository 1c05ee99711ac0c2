#!/usr/bin/env python3
"""Checks the report of plivex-doctor: every key in its place, every value in its form, and
the blocking line consistent with the findings. The same check runs on the virtual Mac (Linux)
and on a real Mac (CI), so both print the same format; an X11 session's report (the display
itself, no Mac permissions) and a Wayland session's have their own keys.

The blocking words, their order and the login-item words are the program's own (its --words).

Usage: check_doctor_output.py (--run PROGRAM | --file REPORT --words-from PROGRAM)
                              [--expect KEY=VALUE]...
"""
import argparse
import re
import subprocess
import sys

GRANT = {"granted", "not-granted"}
LAYOUT = re.compile(r'^(\S+) "((?:[^"\\]|\\.)*)"( current)?$')


def fail(message):
    print("doctor report: " + message, file=sys.stderr)
    sys.exit(1)


def parse(text):
    lines = text.splitlines()
    if not lines:
        fail("empty report")
    pairs = []
    for number, line in enumerate(lines, 1):
        key, sep, value = line.partition(": ")
        if not sep or not key:
            fail(f"line {number} is not 'key: value': {line!r}")
        pairs.append((key, value))
    return pairs


def take(pairs, key, pattern=None, allowed=None):
    if not pairs:
        fail(f"missing '{key}'")
    found, value = pairs.pop(0)
    if found != key:
        fail(f"expected '{key}', found '{found}'")
    if allowed is not None and value not in allowed:
        fail(f"'{key}' is {value!r}, not one of {sorted(allowed)}")
    if pattern is not None and not re.fullmatch(pattern, value):
        fail(f"'{key}' is {value!r}, not of the form {pattern}")
    return value


def vocabulary(program):
    result = subprocess.run([program, "--words"], capture_output=True, text=True, timeout=60)
    if result.returncode != 0:
        fail(f"the doctor's --words exited with {result.returncode}: {result.stderr}")
    words = {key: value.split(", ") for key, value in parse(result.stdout)}
    if set(words) != {"blocking", "login-item"}:
        fail(f"--words printed {sorted(words)}, not 'blocking' and 'login-item'")
    return words


# Whether the findings call for each blocking word, by its name (a key conflict with its trigger).
CONDITIONS = {
    "accessibility": lambda v, count: v["accessibility"] == "not-granted",
    "input-monitoring": lambda v, count: v["input-monitoring"] == "not-granted",
    "post-event-access": lambda v, count: (v["accessibility"] == "granted"
                                           and v["post-event-access"] == "not-granted"),
    "layouts": lambda v, count: count < 2,
    "globe-key(fn)": lambda v, count: v["globe-key"] != "0 do-nothing",
    "caps-lock-abc(capsLock)": lambda v, count: v["caps-lock-abc"] != "0 off",
    "secure-input": lambda v, count: v["secure-input"] == "on",
    # Only a Linux desktop (KDE Plasma) acts on a lone Meta tap; the X11 report says it.
    "meta-launcher(rightCommand)": lambda v, count: False,
    # A Linux session's own: its reports say them.
    "display": lambda v, count: False,
    "desktop": lambda v, count: False,
    "input-group": lambda v, count: False,
}


QUOTED = r'"(?:[^"\\]|\\.)*"'
FILE = QUOTED + r" (?:present|absent)|unknown"


def take_layouts(pairs, values):
    count = int(take(pairs, "layouts", r"\d+"))
    values["layouts"] = str(count)
    current = 0
    for _ in range(count):
        match = LAYOUT.fullmatch(take(pairs, "layout"))
        if not match:
            fail("a 'layout' line is not: ID \"NAME\" [current]")
        current += bool(match.group(3))
    if current > 1:
        fail("more than one layout is marked current")
    values["current-source"] = take(pairs, "current-source", r"\S+")
    return count


def take_session_closing(pairs, values, words):
    """A Linux session's last lines: the login item, the settings, their files, the blocking."""
    values["login-item"] = take(pairs, "login-item", allowed=set(words["login-item"]))
    values["autostart-entry"] = take(pairs, "autostart-entry", FILE)
    values["settings"] = take(pairs, "settings", r'default|stored|unusable ' + QUOTED)
    values["settings-file"] = take(pairs, "settings-file", FILE)
    values["blocking"] = take(pairs, "blocking")
    if pairs:
        fail(f"unexpected '{pairs[0][0]}' after 'blocking'")


def check_x11(pairs, values, words):
    """An X11 session's report: the display itself, no Mac permissions."""
    values["display"] = take(pairs, "display", r"\S+")
    values["xinput2"] = take(pairs, "xinput2", allowed={"present", "absent"})
    values["xkb"] = take(pairs, "xkb", allowed={"present", "absent"})
    count = take_layouts(pairs, values)
    values["xkb-options"] = take(pairs, "xkb-options", QUOTED)
    values["trigger"] = take(pairs, "trigger", r"\S+")
    values["trigger-conflict"] = take(pairs, "trigger-conflict")
    values["kde-meta"] = take(pairs, "kde-meta", r"none|" + QUOTED)
    values["withheld-key"] = take(
        pairs, "withheld-key", r"none|\d+ (?:by-running-plivex|left-by-ended-run) " + QUOTED)
    take_session_closing(pairs, values, words)
    # Blocked by the display's own findings: XInput 2, the layouts, the XKB Caps Lock options.
    known = {"accessibility": values["xinput2"] == "absent",
             "input-monitoring": values["xinput2"] == "absent",
             "layouts": count < 2,
             "meta-launcher(rightCommand)": values["kde-meta"] != "none",
             "caps-lock-abc(capsLock)": any(
                 option.startswith("grp:") and "caps" in option
                 for option in values["xkb-options"].strip('"').split(","))}
    expected = [word for word in words["blocking"] if known.get(word, False)]
    if values["blocking"] != (", ".join(expected) or "none"):
        fail(f"'blocking' is {values['blocking']!r} but the findings say {expected}")


KEYBOARD = re.compile(r'^/dev/input/event\d+ ' + QUOTED + r' (?:readable|refused|unreadable '
                      + QUOTED + r')$')
ACCESS = {"granted", "no-keyboards", "not-in-input-group", "permission-denied", "unreadable"}
JOIN_INPUT_GROUP = '"sudo usermod -aG input $USER", then log out and in'


def check_wayland(pairs, values, words):
    """A Wayland session's report: the desktop, its layouts, the keyboards' devices."""
    values["display"] = take(pairs, "display", QUOTED)
    values["desktop"] = take(pairs, "desktop", QUOTED)
    values["switching"] = take(pairs, "switching", r"available|unavailable " + QUOTED)
    count = take_layouts(pairs, values)
    keyboards = int(take(pairs, "keyboards", r"\d+"))
    values["keyboards"] = str(keyboards)
    states = []
    for _ in range(keyboards):
        line = take(pairs, "keyboard")
        if not KEYBOARD.fullmatch(line):
            fail(f"a 'keyboard' line is not: /dev/input/eventN \"NAME\" STATE: {line!r}")
        states.append(line.rsplit('" ', 1)[1].split(" ")[0])
    access = take(pairs, "keyboard-access", allowed=ACCESS)
    values["keyboard-access"] = access
    consistent = {"granted": "readable" in states, "no-keyboards": not states,
                  "not-in-input-group": "refused" in states and "readable" not in states,
                  "permission-denied": "refused" in states and "readable" not in states,
                  "unreadable": "readable" not in states}
    if not consistent[access]:
        fail(f"'keyboard-access' is {access!r} but the keyboards are {states}")
    values["input-group"] = take(pairs, "input-group", allowed={"member", "not-member", "none"})
    if access == "not-in-input-group" and values["input-group"] != "not-member":
        fail("'keyboard-access' blames the input group, but 'input-group' is "
             + values["input-group"])
    values["remedy"] = take(pairs, "remedy", allowed={"none", JOIN_INPUT_GROUP})
    if (values["remedy"] != "none") != (access == "not-in-input-group"):
        fail(f"'remedy' is {values['remedy']!r} with 'keyboard-access' {access!r}")
    values["trigger"] = take(pairs, "trigger", r"\S+")
    values["trigger-action"] = take(pairs, "trigger-action", allowed={"taken-away", "kept"})
    values["withheld-key"] = take(
        pairs, "withheld-key",
        r"none|" + QUOTED + " (?:by-running-plivex|left-by-ended-run) " + QUOTED)
    while pairs and pairs[0][0] == "withheld-key":
        take(pairs, "withheld-key", QUOTED + " (?:by-running-plivex|left-by-ended-run) " + QUOTED)
    take_session_closing(pairs, values, words)
    # The keyboards stand for a Mac's permissions; the report does not show the desktop's key
    # options, so a key conflict it names is taken as it is.
    unreadable = access not in {"granted", "no-keyboards"}
    known = {"accessibility": unreadable, "input-monitoring": unreadable,
             "post-event-access": False, "layouts": count < 2, "secure-input": False,
             "display": False, "desktop": values["switching"] != "available",
             "input-group": access == "not-in-input-group"}
    named = values["blocking"].split(", ")
    expected = [word for word in words["blocking"]
                if known.get(word, False) or (word not in known and word in named)]
    if values["blocking"] != (", ".join(expected) or "none"):
        fail(f"'blocking' is {values['blocking']!r} but the findings say {expected}")


def check(text, expectations, words):
    pairs = parse(text)
    values = {}
    values["plivex-doctor"] = take(pairs, "plivex-doctor", r"\d+\.\d+\.\d+")
    values["backend"] = take(pairs, "backend", allowed={"macOS", "virtual Mac", "X11", "wayland"})
    if values["backend"] == "X11":
        check_x11(pairs, values, words)
        check_expectations(values, expectations)
        return
    if values["backend"] == "wayland":
        check_wayland(pairs, values, words)
        check_expectations(values, expectations)
        return
    values["accessibility"] = take(pairs, "accessibility", allowed=GRANT)
    values["input-monitoring"] = take(pairs, "input-monitoring", allowed=GRANT)
    values["post-event-access"] = take(pairs, "post-event-access", allowed=GRANT)
    values["secure-input"] = take(pairs, "secure-input", allowed={"on", "off"})
    count = take_layouts(pairs, values)
    values["globe-key"] = take(pairs, "globe-key", r"absent|0 do-nothing|-?\d+ occupied")
    values["caps-lock-abc"] = take(pairs, "caps-lock-abc", r"absent|0 off|-?\d+ on")
    values["login-item"] = take(pairs, "login-item", allowed=set(words["login-item"]))
    values["settings"] = take(pairs, "settings", r'default|stored|unusable "(?:[^"\\]|\\.)*"')
    values["blocking"] = take(pairs, "blocking")
    if pairs:
        fail(f"unexpected '{pairs[0][0]}' after 'blocking'")

    unknown = [word for word in words["blocking"] if word not in CONDITIONS]
    if unknown:
        fail(f"no rule here for the doctor's blocking words {unknown}")
    expected = [word for word in words["blocking"] if CONDITIONS[word](values, count)]
    if values["blocking"] != (", ".join(expected) or "none"):
        fail(f"'blocking' is {values['blocking']!r} but the findings say {expected}")

    check_expectations(values, expectations)


def check_expectations(values, expectations):
    for expectation in expectations:
        key, _, value = expectation.partition("=")
        if values.get(key) != value:
            fail(f"'{key}' is {values.get(key)!r}, expected {value!r}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    source = parser.add_mutually_exclusive_group(required=True)
    source.add_argument("--run", help="the doctor program to run")
    source.add_argument("--file", help="a report the doctor printed")
    parser.add_argument("--words-from", help="the doctor whose --words to use (default: --run)")
    parser.add_argument("--expect", action="append", default=[], help="KEY=VALUE")
    arguments = parser.parse_args()
    if arguments.run:
        result = subprocess.run([arguments.run], capture_output=True, text=True, timeout=60)
        if result.returncode != 0:
            fail(f"the doctor exited with {result.returncode}: {result.stderr}")
        text = result.stdout
    else:
        with open(arguments.file, encoding="utf-8") as report:
            text = report.read()
    words_from = arguments.words_from or arguments.run
    if not words_from:
        fail("--file needs --words-from PROGRAM")
    check(text, arguments.expect, vocabulary(words_from))
    print(text, end="")


if __name__ == "__main__":
    main()
