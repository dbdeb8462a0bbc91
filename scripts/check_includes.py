#!/usr/bin/env python3
"""Fails when a source folder includes a header of a folder it may not use.

The folders read bottom-up; each may include its own headers and those of the folders
listed for it here (and what they may use, listed again explicitly).
"""
import pathlib
import re
import sys

ALLOWED = {
    "common": set(),
    "settings": {"common"},
    "pictures": {"common"},
    "album": {"common", "settings"},
    "pages": {"common", "settings", "album"},
    "archive": {"common"},
    "save": {"common", "settings", "pictures", "album", "pages", "archive"},
    "shell": {"common"},
    "app": {"common", "settings", "pictures", "album", "pages", "archive", "save", "shell"},
    "make": {"common", "settings", "pictures", "album", "pages", "archive", "save"},
}
SOURCES = ("*.h", "*.cpp")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def main() -> int:
    top = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    owner = {}
    for folder in ALLOWED:
        for pattern in SOURCES:
            for f in (top / folder).rglob(pattern):
                owner.setdefault(f.name, set()).add(folder)
    faults = []
    for folder, allowed in ALLOWED.items():
        for pattern in SOURCES:
            for f in sorted((top / folder).rglob(pattern)):
                for header in INCLUDE.findall(f.read_text(encoding="utf-8", errors="replace")):
                    name = pathlib.PurePosixPath(header).name
                    owners = owner.get(name, set())
                    if owners and folder not in owners and not owners & allowed:
                        faults.append(f"{f.relative_to(top)}: includes {header} of {', '.join(sorted(owners))}")
    for fault in faults:
        print(fault)
    print(f"include layout: {len(faults)} upward include(s)")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
