#!/usr/bin/env python3
"""Checks the macOS CI workflow: valid YAML, a macOS runner, every step named (names unique, each
step either runs a command or uses an action), and the steps the project relies on present.

Usage: check_workflow.py WORKFLOW_YML
"""
import sys

import yaml

# (what the step does, a test on the step) for each step the workflow must have.
REQUIRED_STEPS = [
    ("checks out the sources", lambda s: str(s.get("uses", "")).startswith("actions/checkout@")),
    ("installs Qt and Ninja from Homebrew",
     lambda s: "brew install" in s.get("run", "") and " qt" in s.get("run", "")
     and "ninja" in s.get("run", "")),
    ("configures with Ninja", lambda s: "cmake -S" in s.get("run", "") and "-G Ninja" in s.get("run", "")),
    ("builds", lambda s: "cmake --build" in s.get("run", "")),
    ("runs the test suite", lambda s: "ctest" in s.get("run", "")),
    ("runs and checks the doctor",
     lambda s: "plivex-doctor" in s.get("run", "") and "check_doctor_output.py" in s.get("run", "")),
    ("verifies the bundle's signature", lambda s: "codesign --verify" in s.get("run", "")),
    ("packages the disk image", lambda s: "cpack" in s.get("run", "")),
]


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
    for purpose, matches in REQUIRED_STEPS:
        if not any(matches(step) for step in all_steps):
            fail(f"no step {purpose}")
    print(f"{sys.argv[1]}: {len(all_steps)} named steps, all required ones present")


if __name__ == "__main__":
    main()
