#!/usr/bin/env python3
"""Writes the workflow with one step removed, edited or moved, then runs the check on it, so that
a test can show the check rejecting what it must reject without keeping a drifting copy of the
whole file.

Usage: mutate_workflow.py IN_YML OUT_YML CHECKER (--drop NAME | --edit NAME OLD NEW |
       --before NAME OTHER)
"""
import argparse
import subprocess
import sys

import yaml


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("source")
    parser.add_argument("target")
    parser.add_argument("checker")
    change = parser.add_mutually_exclusive_group(required=True)
    change.add_argument("--drop", metavar="NAME", help="remove the step named NAME")
    change.add_argument("--edit", nargs=3, metavar=("NAME", "OLD", "NEW"),
                        help="replace OLD by NEW in the command of the step named NAME")
    change.add_argument("--before", nargs=2, metavar=("NAME", "OTHER"),
                        help="move the step named NAME to just before the step named OTHER")
    arguments = parser.parse_args()
    with open(arguments.source, encoding="utf-8") as source:
        workflow = yaml.safe_load(source)
    steps = next(iter(workflow["jobs"].values()))["steps"]
    index = {step.get("name"): i for i, step in enumerate(steps)}
    if arguments.drop:
        del steps[index[arguments.drop]]
    elif arguments.edit:
        name, old, new = arguments.edit
        step = steps[index[name]]
        if old not in step["run"]:
            raise SystemExit(f"'{old}' is not in the step '{name}'")
        step["run"] = step["run"].replace(old, new)
    else:
        name, other = arguments.before
        step = steps.pop(index[name])
        steps.insert([s.get("name") for s in steps].index(other), step)
    with open(arguments.target, "w", encoding="utf-8") as target:
        yaml.safe_dump(workflow, target, sort_keys=False)
    result = subprocess.run([sys.executable, arguments.checker, arguments.target], check=False)
    sys.exit(result.returncode)


if __name__ == "__main__":
    main()
