#!/usr/bin/env python3
"""Checks the Info.plist of Plivex.app: it parses as a property list and has every key the
bundle needs, with the right type and value. With --contents, the built bundle's Contents
directory, also that the icon it names is there, as an .icns file.

Usage: check_info_plist.py PLIST --version VERSION --identifier ID --executable NAME --icon FILE
                           [--contents DIR]
"""
import argparse
import os
import plistlib
import sys


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("plist")
    parser.add_argument("--version", required=True, help="the project's version")
    parser.add_argument("--identifier", required=True)
    parser.add_argument("--executable", required=True)
    parser.add_argument("--icon", required=True, help="the icon file in Contents/Resources")
    parser.add_argument("--contents", help="the built bundle's Contents directory")
    arguments = parser.parse_args()

    with open(arguments.plist, "rb") as source:
        info = plistlib.load(source)

    expected = {
        "CFBundleIdentifier": arguments.identifier,
        "CFBundleName": "Plivex",
        "CFBundleExecutable": arguments.executable,
        "CFBundleIconFile": arguments.icon,
        "CFBundlePackageType": "APPL",
        "CFBundleInfoDictionaryVersion": "6.0",
        "CFBundleShortVersionString": arguments.version,
        "CFBundleVersion": arguments.version,
        # An agent: no Dock icon while no window is open.
        "LSUIElement": True,
        # SMAppService (the login item) exists from macOS 13 on.
        "LSMinimumSystemVersion": "13.0",
    }
    problems = []
    for key, value in expected.items():
        if key not in info:
            problems.append(f"{key} is missing")
        elif type(info[key]) is not type(value) or info[key] != value:
            problems.append(f"{key} is {info[key]!r}, expected {value!r}")
    copyright_text = info.get("NSHumanReadableCopyright")
    if not isinstance(copyright_text, str) or "Plivex" not in copyright_text:
        problems.append(f"NSHumanReadableCopyright is {copyright_text!r}")
    if "@" in repr(info):
        problems.append("a placeholder of the template was left unreplaced")
    if arguments.contents:
        icon = os.path.join(arguments.contents, "Resources", str(info.get("CFBundleIconFile")))
        try:
            with open(icon, "rb") as source:
                if source.read(4) != b"icns":
                    problems.append(f"{icon} is not an .icns file")
        except OSError as error:
            problems.append(f"the icon cannot be read: {error}")
    if problems:
        for problem in problems:
            print(f"{arguments.plist}: {problem}", file=sys.stderr)
        sys.exit(1)
    print(f"{arguments.plist}: {len(info)} keys, all as expected")


if __name__ == "__main__":
    main()
