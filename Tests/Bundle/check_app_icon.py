#!/usr/bin/env python3
"""Makes the bundle's .icns as a Mac build does, with Debian's icnsutils in place of iconutil,
and checks it: the icon drawing renders into an iconset, png2icns packs it, and icns2png lists an
icon of every size macOS shows, 16 to 1024 pixels.

Usage: check_app_icon.py --render PROGRAM --svg ICON.svg --png2icns PATH --icns2png PATH --work DIR
"""
import argparse
import os
import re
import shutil
import subprocess
import sys

# Iconset image -> the pixel size png2icns stores it at (64 pixels is not an .icns size).
PACKED = {
    "icon_16x16.png": 16,
    "icon_32x32.png": 32,
    "icon_128x128.png": 128,
    "icon_256x256.png": 256,
    "icon_512x512.png": 512,
    "icon_512x512@2x.png": 1024,
}
ELEMENT = re.compile(r"'(\w{4})' (\d+)x(\d+) 32-bit icon")


def run(command):
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        print(f"{' '.join(command)} failed:\n{result.stdout}{result.stderr}", file=sys.stderr)
        sys.exit(1)
    return result.stdout


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for option in ("--render", "--svg", "--png2icns", "--icns2png", "--work"):
        parser.add_argument(option, required=True)
    arguments = parser.parse_args()

    shutil.rmtree(arguments.work, ignore_errors=True)
    iconset = os.path.join(arguments.work, "Plivex.iconset")
    icns = os.path.join(arguments.work, "Plivex.icns")
    run([arguments.render, arguments.svg, iconset])
    rendered = sorted(os.listdir(iconset))
    if len(rendered) != 10:
        sys.exit(f"the iconset holds {len(rendered)} images, not 10: {rendered}")
    run([arguments.png2icns, icns] + [os.path.join(iconset, name) for name in PACKED])
    listing = run([arguments.icns2png, "-l", icns])
    sizes = set()
    for kind, width, height in ELEMENT.findall(listing):
        if width != height:
            sys.exit(f"element '{kind}' is {width}x{height}, not square")
        sizes.add(int(width))
    missing = sorted(set(PACKED.values()) - sizes)
    if missing:
        sys.exit(f"{icns} has no icon of {missing} pixels; icns2png lists:\n{listing}")
    print(f"{icns}: icons of {', '.join(str(s) for s in sorted(sizes))} pixels")


if __name__ == "__main__":
    main()
