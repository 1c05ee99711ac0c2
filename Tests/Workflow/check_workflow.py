#!/usr/bin/env python3
"""Checks the macOS CI workflow: valid YAML, a macOS runner, every step named (names unique, each
step either runs a command or uses an action), and the steps the project relies on present.

Usage: check_workflow.py WORKFLOW_YML
"""
import re
import sys

import yaml

# (what the step does, a test on the step) for each step the workflow must have.
REQUIRED_STEPS = [
    ("checks out the sources", lambda s: str(s.get("uses", "")).startswith("actions/checkout@")),
    # The `qt` formula brings every Qt module, QtWebEngine included.
    ("installs Ninja and Qt's base and SVG modules (not the whole qt formula) from Homebrew",
     lambda s: {"brew", "install", "ninja", "qtbase", "qtsvg"} <= words(s) and "qt" not in words(s)),
    ("checks that Homebrew's qtbase brings macdeployqt, failing when it does not",
     lambda s: "macdeployqt" in run(s) and "exit 1" in run(s)),
    ("reads the oldest macOS Homebrew's QtCore runs on",
     lambda s: "minimum-macos.sh" in run(s) and "QtCore" in run(s)
     and "GITHUB_ENV" in run(s)),
    ("configures with Ninja, finding Qt under Homebrew's prefix, stating QtCore's oldest macOS",
     lambda s: "cmake -S" in run(s) and "-G Ninja" in run(s)
     and 'CMAKE_PREFIX_PATH="$(brew --prefix)"' in run(s)
     and 'PLIVEX_BUNDLED_MINIMUM_MACOS="$QT_MINIMUM_MACOS"' in run(s)),
    ("builds", lambda s: "cmake --build" in run(s)),
    ("runs the test suite", lambda s: "ctest" in run(s) and "--label-regex" not in run(s)),
    ("runs the checks only a Mac can answer",
     lambda s: "ctest" in run(s) and "--label-regex macos-system" in run(s)),
    ("runs the input-source rounds under leaks",
     lambda s: "leaks --atExit" in run(s) and "MacSystemTests" in run(s)),
    ("runs and checks the doctor",
     lambda s: "plivex-doctor" in run(s) and "check_doctor_output.py" in run(s)),
    ("verifies the bundle's signature", lambda s: "codesign --verify" in run(s)),
    ("packages the disk image, trying again when it fails",
     lambda s: "cpack" in run(s) and re.search(r"\b(for|until|while)\b", run(s))),
    ("checks the disk image's QtCore against LSMinimumSystemVersion",
     lambda s: "LSMinimumSystemVersion" in run(s) and "minimum-macos.sh" in run(s)
     and "_CPack_Packages" in run(s)),
]

# (the step that must come first, the step that must come after it), by the start of what they do.
ORDER = [
    ("reads the oldest macOS", "configures with Ninja"),  # the configuration needs QtCore's
    ("configures with Ninja", "builds"),
    ("packages the disk image", "checks the disk image"),
]


def run(step):
    return str(step.get("run", ""))


def words(step):
    return set(run(step).split())


def fail(message):
    print(f"{sys.argv[1]}: {message}", file=sys.stderr)
    sys.exit(1)


def main():
    with open(sys.argv[1], encoding="utf-8") as source:
        try:
            workflow = yaml.safe_load(source)
        except yaml.YAMLError as error:
            fail(f"not valid YAML: {error}")
    if not isinstance(workflow, dict) or not workflow.get("name"):
        fail("no workflow name")
    # YAML 1.1 reads the key `on` as the boolean true.
    if not (workflow.get("on") or workflow.get(True)):
        fail("no trigger ('on')")
    jobs = workflow.get("jobs")
    if not isinstance(jobs, dict) or not jobs:
        fail("no jobs")
    all_steps = []
    for job_id, job in jobs.items():
        if not str(job.get("runs-on", "")).startswith("macos-"):
            fail(f"job '{job_id}' does not run on a macOS runner")
        steps = job.get("steps")
        if not isinstance(steps, list) or not steps:
            fail(f"job '{job_id}' has no steps")
        names = set()
        for number, step in enumerate(steps, 1):
            name = step.get("name") if isinstance(step, dict) else None
            if not isinstance(name, str) or not name.strip():
                fail(f"step {number} of job '{job_id}' has no name")
            if name in names:
                fail(f"job '{job_id}' names two steps '{name}'")
            names.add(name)
            if ("run" in step) == ("uses" in step):
                fail(f"step '{name}' must either run a command or use an action")
            all_steps.append(step)
    first_match = []
    for purpose, matches in REQUIRED_STEPS:
        found = [index for index, step in enumerate(all_steps) if matches(step)]
        if not found:
            fail(f"no step {purpose}")
        first_match.append(found[0])
    def position(start):
        return next(first_match[index] for index, (purpose, _) in enumerate(REQUIRED_STEPS)
                    if purpose.startswith(start))

    for before, after in ORDER:
        if position(before) > position(after):
            fail(f"the step that {after} ... comes before the one that {before} ...")
    print(f"{sys.argv[1]}: {len(all_steps)} named steps, all required ones present")


if __name__ == "__main__":
    main()
