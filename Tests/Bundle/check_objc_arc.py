#!/usr/bin/env python3
"""Fails when an Objective-C++ file (.mm) of the build is compiled without automatic reference
counting (-fobjc-arc): its ownership would silently follow other rules, and leak.

Usage: check_objc_arc.py COMPILE_COMMANDS_JSON
"""
import json
import shlex
import sys


def main():
    with open(sys.argv[1], encoding="utf-8") as source:
        commands = json.load(source)
    objective = [c for c in commands if c["file"].endswith(".mm")]
    if not objective:
        sys.exit(f"{sys.argv[1]} lists no Objective-C++ file")
    without = []
    for command in objective:
        words = command.get("arguments") or shlex.split(command.get("command", ""))
        if "-fobjc-arc" not in words:
            without.append(command["file"])
    if without:
        sys.exit("compiled without -fobjc-arc: " + ", ".join(sorted(set(without))))
    print(f"{len(objective)} Objective-C++ compilations, each with -fobjc-arc")


if __name__ == "__main__":
    main()
