#!/usr/bin/env python3
"""Checks that every symbol the macOS objects need from Apple's frameworks is exported by the
frameworks the program links, as their .tbd link stubs in the SDK list them for one architecture.

Usage: check_sdk_symbols.py --sdk DIR --arch ARCH --nm LLVM_NM --frameworks A,B,...
                            [--stand-in NAME=HEADER]... OBJECT...

Each undefined symbol of the objects (llvm-nm -u) is one of:
- a C symbol or Objective-C class exported by a linked framework (or libobjc): checked;
- declared by a stand-in header, for a framework the SDK lacks: listed, not checked;
- of the C and C++ runtime (declared in the SDK's usr/include, or emitted by the compiler
  itself), for which this SDK has no .tbd: listed, not checked;
- a C++ symbol (this program's own, libc++'s, Qt's) or Qt's version tag: counted, not checked.
Anything else is missing: the script names it and the object that needs it, and fails.
"""
import argparse
import collections
import os
import re
import subprocess
import sys

import yaml

# What the compiler emits calls to on its own, declared in no header of the SDK.
COMPILER_RUNTIME = {
    "___dynamic_cast", "___gxx_personality_v0", "___stack_chk_fail", "___stack_chk_guard",
    "___isPlatformVersionAtLeast", "___isOSVersionAtLeast", "___chkstk_darwin",
}
OBJC_CLASS = re.compile(r"^_OBJC_(?:CLASS|METACLASS)_\$_(.+)$")
OBJC_EHTYPE = re.compile(r"^_OBJC_EHTYPE_\$_(.+)$")
OBJC_IVAR = re.compile(r"^_OBJC_IVAR_\$_(.+)$")
INTERFACE = re.compile(r"^\s*@interface\s+(\w+)", re.MULTILINE)
LIBOBJC = "/usr/lib/libobjc.A.dylib"


class TbdLoader(yaml.CSafeLoader if hasattr(yaml, "CSafeLoader") else yaml.SafeLoader):
    """Reads the `--- !tapi-tbd` documents as plain mappings."""


TbdLoader.add_multi_constructor("!", lambda loader, suffix, node: loader.construct_mapping(node))


def fail(message):
    print(message, file=sys.stderr)
    sys.exit(1)


class Library:
    """One dynamic library of a .tbd: what it exports for the target, and what it re-exports."""

    def __init__(self, document, target):
        self.install_name = document.get("install-name", "")
        self.symbols = set()
        self.reexported = []
        for section in ("exports", "reexports"):
            for entry in document.get(section) or []:
                if target not in (entry.get("targets") or []):
                    continue
                for key in ("symbols", "weak-symbols", "thread-local-symbols"):
                    self.symbols.update(entry.get(key) or [])
                for key, prefix in (("objc-classes", "class:"), ("objc-eh-types", "ehtype:"),
                                    ("objc-ivars", "ivar:")):
                    self.symbols.update(prefix + name for name in entry.get(key) or [])
        for entry in document.get("reexported-libraries") or []:
            if target in (entry.get("targets") or []):
                self.reexported.extend(entry.get("libraries") or [])


class Sdk:
    """The SDK's .tbd files, read on demand and followed through their re-exports."""

    def __init__(self, root, target):
        self.root = root
        self.target = target
        self.libraries = {}  # install name -> Library
        self.absent = set()  # install names re-exported but not in this SDK

    def tbd_path(self, install_name):
        # /System/Library/Frameworks/A.framework/Versions/A/Frameworks/B.framework/Versions/A/B
        # lives at Frameworks/A.framework/Frameworks/B.framework/B.tbd; /usr/lib/x.dylib at lib/x.tbd.
        path = re.sub(r"/Versions/[^/]+/", "/", install_name)
        if path.startswith("/System/Library/"):
            path = path[len("/System/Library/"):]
        elif path.startswith("/usr/"):
            path = path[len("/usr/"):]
            path = re.sub(r"\.dylib$", "", path)
        return os.path.join(self.root, path + ".tbd")

    def read(self, path):
        """Reads a .tbd; returns the install name of the library it describes first."""
        first = None
        with open(path, encoding="utf-8") as source:
            for document in yaml.load_all(source, Loader=TbdLoader):
                if isinstance(document, dict) and document.get("install-name"):
                    library = Library(document, self.target)
                    # A file inlines the libraries it re-exports; the first copy read wins.
                    self.libraries.setdefault(library.install_name, library)
                    first = first or library.install_name
        if first is None:
            fail(f"{path} describes no library")
        return first

    def load(self, install_name):
        if install_name in self.libraries or install_name in self.absent:
            return
        path = self.tbd_path(install_name)
        if not os.path.isfile(path):
            self.absent.add(install_name)
            return
        self.read(path)
        if install_name not in self.libraries:
            fail(f"{path} does not describe {install_name}")

    def exports(self, install_name):
        """Everything the library exports, with what it re-exports, recursively."""
        exported, pending, seen = set(), [install_name], set()
        while pending:
            name = pending.pop()
            if name in seen:
                continue
            seen.add(name)
            self.load(name)
            library = self.libraries.get(name)
            if library:
                exported |= library.symbols
                pending.extend(library.reexported)
        return exported


def key_of(symbol):
    """The name a .tbd lists `symbol` under."""
    for pattern, prefix in ((OBJC_CLASS, "class:"), (OBJC_EHTYPE, "ehtype:"), (OBJC_IVAR, "ivar:")):
        match = pattern.match(symbol)
        if match:
            return prefix + match.group(1)
    return symbol


def undefined_symbols(nm, objects):
    """symbol -> the objects that need it."""
    needed = collections.defaultdict(list)
    for path in objects:
        if not os.path.isfile(path):
            fail(f"{path}: no such object (did its compile test run and pass?)")
        result = subprocess.run([nm, "-u", path], capture_output=True, text=True)
        if result.returncode != 0:
            fail(f"{nm} -u {path} failed: {result.stderr.strip()}")
        for line in result.stdout.split():
            needed[line.strip()].append(os.path.basename(path))
    return needed


def declared_in_headers(root, identifiers):
    """The identifiers that some header under `root` declares (as a whole word)."""
    remaining = set(identifiers)
    found = set()
    if not remaining:
        return found
    for directory, _, files in os.walk(root):
        for file in files:
            with open(os.path.join(directory, file), encoding="utf-8", errors="replace") as source:
                text = source.read()
            for identifier in [i for i in remaining if i in text]:
                if re.search(r"\b" + re.escape(identifier) + r"\b", text):
                    found.add(identifier)
                    remaining.discard(identifier)
            if not remaining:
                return found
    return found


def sample(names, limit=12):
    names = sorted(names)
    shown = ", ".join(names[:limit])
    return shown + (f", … ({len(names) - limit} more)" if len(names) > limit else "")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sdk", required=True)
    parser.add_argument("--arch", required=True)
    parser.add_argument("--nm", required=True)
    parser.add_argument("--frameworks", required=True, help="the linked frameworks, ','-separated")
    parser.add_argument("--stand-in", action="append", default=[], metavar="NAME=HEADER")
    parser.add_argument("objects", nargs="+")
    arguments = parser.parse_args()

    sdk = Sdk(arguments.sdk, f"{arguments.arch}-macos")
    stand_ins = {}
    for item in arguments.stand_in:
        name, _, header = item.partition("=")
        with open(header, encoding="utf-8") as source:
            stand_ins[name] = {"class:" + c for c in INTERFACE.findall(source.read())}
    frameworks = [f for f in arguments.frameworks.split(",") if f]
    # library label -> its exports; libobjc first, as the frameworks re-export it.
    exported = {"libobjc": sdk.exports(LIBOBJC)}
    for name in frameworks:
        if name in stand_ins:
            continue
        path = os.path.join(arguments.sdk, "Frameworks", f"{name}.framework", f"{name}.tbd")
        if not os.path.isfile(path):
            fail(f"{name} is linked, but the SDK has no {path} and no stand-in header stands for it")
        exported[name] = sdk.exports(sdk.read(path))

    needed = undefined_symbols(arguments.nm, arguments.objects)
    found = collections.Counter()
    standing_in = collections.defaultdict(set)
    unresolved = {}
    cxx = 0
    for symbol in needed:
        if symbol.startswith("__Z") or symbol.startswith("_qt_version_tag"):
            cxx += 1
            continue
        key = key_of(symbol)
        owner = next((label for label, symbols in exported.items() if key in symbols), None)
        if owner:
            found[owner] += 1
            continue
        stand_in = next((name for name, keys in stand_ins.items() if key in keys), None)
        if stand_in:
            standing_in[stand_in].add(key.partition(":")[2])
            continue
        unresolved[symbol] = key
    # What no framework exports may still belong to the C and C++ runtime.
    c_names = {symbol[1:] for symbol, key in unresolved.items() if key == symbol}
    runtime_names = declared_in_headers(os.path.join(arguments.sdk, "include"), c_names)
    runtime = {s for s in unresolved if s[1:] in runtime_names or s in COMPILER_RUNTIME}
    missing = sorted(set(unresolved) - runtime)

    arch = arguments.arch
    print(f"{arch}: {len(arguments.objects)} objects need {len(needed)} symbols from outside them")
    print(f"{arch}: exported by the linked frameworks' .tbd, each one found ({sum(found.values())}): "
          + ", ".join(f"{label} {count}" for label, count in sorted(found.items())))
    for name, classes in sorted(standing_in.items()):
        print(f"{arch}: {name} is not in the SDK; declared by its stand-in header, not checked "
              f"({len(classes)}): {sample(classes)}")
    print(f"{arch}: C and C++ runtime (libc, libc++, libdispatch, compiler support), which this "
          f"SDK has no .tbd for, not checked ({len(runtime)}): "
          f"{sample(s[1:] for s in runtime)}")
    print(f"{arch}: C++ symbols (this program's, libc++'s, Qt's), not checked ({cxx})")
    if sdk.absent:
        print(f"{arch}: re-exported libraries the SDK has no .tbd for: {sample(sdk.absent, 4)}")
    if missing:
        for symbol in missing:
            print(f"{arch}: MISSING {symbol}, needed by {', '.join(sorted(set(needed[symbol])))}: "
                  f"exported by none of {', '.join(exported)}", file=sys.stderr)
        sys.exit(1)


if __name__ == "__main__":
    main()
