#!/usr/bin/env python3
"""Checks the report of plivex-doctor: every key in its place, every value in its form, and
the blocking line consistent with the findings. The same check runs on the virtual Mac (Linux)
and on a real Mac (CI), so both print the same format.

Usage: check_doctor_output.py (--run PROGRAM | --file REPORT) [--expect KEY=VALUE]...
"""
import argparse
import re
import subprocess
import sys

GRANT = {"granted", "not-granted"}
BLOCKERS = ["accessibility", "input-monitoring", "post-event-access", "layouts", "globe-key(fn)",
            "caps-lock-abc(capsLock)", "secure-input"]
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


def check(text, expectations):
    pairs = parse(text)
    values = {}
    values["plivex-doctor"] = take(pairs, "plivex-doctor", r"\d+\.\d+\.\d+")
    values["backend"] = take(pairs, "backend", allowed={"macOS", "virtual Mac"})
    values["accessibility"] = take(pairs, "accessibility", allowed=GRANT)
    values["input-monitoring"] = take(pairs, "input-monitoring", allowed=GRANT)
    values["post-event-access"] = take(pairs, "post-event-access", allowed=GRANT)
    values["secure-input"] = take(pairs, "secure-input", allowed={"on", "off"})
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
    values["globe-key"] = take(pairs, "globe-key", r"absent|0 do-nothing|-?\d+ occupied")
    values["caps-lock-abc"] = take(pairs, "caps-lock-abc", r"absent|0 off|-?\d+ on")
    values["login-item"] = take(
        pairs, "login-item", allowed={"not-registered", "enabled", "requires-approval", "not-found"})
    values["settings"] = take(pairs, "settings", r'default|stored|unusable "(?:[^"\\]|\\.)*"')
    values["blocking"] = take(pairs, "blocking")
    if pairs:
        fail(f"unexpected '{pairs[0][0]}' after 'blocking'")

    expected = [
        word for word, applies in zip(BLOCKERS, [
            values["accessibility"] == "not-granted",
            values["input-monitoring"] == "not-granted",
            values["accessibility"] == "granted" and values["post-event-access"] == "not-granted",
            count < 2,
            values["globe-key"] != "0 do-nothing",
            values["caps-lock-abc"] != "0 off",
            values["secure-input"] == "on",
        ]) if applies
    ]
    if values["blocking"] != (", ".join(expected) or "none"):
        fail(f"'blocking' is {values['blocking']!r} but the findings say {expected}")

    for expectation in expectations:
        key, _, value = expectation.partition("=")
        if values.get(key) != value:
            fail(f"'{key}' is {values.get(key)!r}, expected {value!r}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    source = parser.add_mutually_exclusive_group(required=True)
    source.add_argument("--run", help="the doctor program to run")
    source.add_argument("--file", help="a report the doctor printed")
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
    check(text, arguments.expect)
    print(text, end="")


if __name__ == "__main__":
    main()
