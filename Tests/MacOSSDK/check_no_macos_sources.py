#!/usr/bin/env python3
"""Fails when a build for another platform compiles anything of the macOS-only folders.

Usage: check_no_macos_sources.py COMPILE_COMMANDS_JSON SOURCE_ROOT
"""
import json
import os
import sys

MACOS_ONLY = ("Sources/Platform/MacOS/", "Sources/Kestravane/MacOS/")


def main():
    commands_file, root = sys.argv[1], os.path.realpath(sys.argv[2])
    with open(commands_file, encoding="utf-8") as source:
        commands = json.load(source)
    if not commands:
        sys.exit(f"{commands_file} lists no compilation")
    leaked = []
    for command in commands:
        path = os.path.realpath(os.path.join(command.get("directory", ""), command["file"]))
        relative = os.path.relpath(path, root).replace(os.sep, "/")
        if relative.startswith(MACOS_ONLY):
            leaked.append(relative)
    if leaked:
        sys.exit("compiled in this build, though macOS-only: " + ", ".join(sorted(set(leaked))))
    print(f"{len(commands)} compilations, none of them macOS-only")


if __name__ == "__main__":
    main()
