#!/usr/bin/env python3
"""Fails when a source folder includes a header of a folder it may not use, and when the files of
one picture wing include each other in a circle.

The folders read bottom-up; each may include its own headers and those of the folders listed for
it here (and what they may use, listed again explicitly). pictures/ is four wings, each a folder
of its own here; a picture header is included by its wing ("metadata/ExifTags.h"), and no source
lies in pictures/ itself. Inside a wing a file (a header and its source as one) never includes
one that includes it back, but for the includes listed in RECURSIONS.
"""
import pathlib
import re
import sys

PIXELS, METADATA = "pictures/pixels", "pictures/metadata"
CODECS, RENDITIONS = "pictures/codecs", "pictures/renditions"
PICTURES = {PIXELS, METADATA, CODECS, RENDITIONS}
ALLOWED = {
    "common": set(),
    "settings": {"common"},
    PIXELS: {"common"},
    METADATA: {"common"},
    CODECS: {"common", PIXELS, METADATA},
    RENDITIONS: {"common", PIXELS, METADATA, CODECS},
    "album": {"common", "settings"},
    "pages": {"common", "settings", "album"},
    "archive": {"common"},
    "save": {"common", "settings", "album", "pages", "archive"} | PICTURES,
    "publish": {"common", "settings", "album", "save"},
    "shell": {"common"},
    "app": {"common", "settings", "album", "pages", "archive", "save", "publish", "shell"} | PICTURES,
    "make": {"common", "settings", "album", "pages", "archive", "save", "publish"} | PICTURES,
}
# Includes that run back up inside a wing on purpose: an EXIF block's thumbnail is a JPEG file of
# its own, vetted for location as the file it lies in.
RECURSIONS = {("pictures/metadata/ExifLocation.cpp", "metadata/LocationStrip.h")}
SOURCES = ("*.h", "*.cpp")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def sources(top, folder):
    for pattern in SOURCES:
        yield from sorted((top / folder).rglob(pattern))


def owners_of(top):
    """Header name (a picture header by wing and name) -> the folders holding it."""
    owner = {}
    for folder in ALLOWED:
        for f in sources(top, folder):
            key = f"{folder.split('/', 1)[1]}/{f.name}" if folder in PICTURES else f.name
            owner.setdefault(key, set()).add(folder)
    return owner


def layout_faults(top, owner):
    faults = [f"{f.relative_to(top)}: lies in pictures/ outside its wings"
              for pattern in SOURCES for f in sorted((top / "pictures").glob(pattern))]
    bare = {key.split("/", 1)[1]: key for key, folders in owner.items() if folders & PICTURES}
    for folder, allowed in ALLOWED.items():
        for f in sources(top, folder):
            for header in INCLUDE.findall(f.read_text(encoding="utf-8", errors="replace")):
                if header in bare:
                    faults.append(f"{f.relative_to(top)}: includes {header} without its wing "
                                  f"({bare[header]})")
                    continue
                owners = owner.get(header, owner.get(pathlib.PurePosixPath(header).name, set()))
                if owners and folder not in owners and not owners & allowed:
                    faults.append(f"{f.relative_to(top)}: includes {header} of "
                                  f"{', '.join(sorted(owners))}")
    return faults


def circles(top, wing):
    """The circles of includes among the files of a wing, each as the files on it."""
    uses = {}
    for f in sources(top, wing):
        unit = f.with_suffix("").name
        uses.setdefault(unit, set())
        for header in INCLUDE.findall(f.read_text(encoding="utf-8", errors="replace")):
            folder, _, name = header.rpartition("/")
            used = pathlib.PurePosixPath(name).stem
            own = f"{wing}/{f.name}"
            if folder == wing.split("/", 1)[1] and used != unit and (own, header) not in RECURSIONS:
                uses[unit].add(used)
    # Tarjan's strongly connected components; one of more than one file is a circle.
    index, low, stack, on, found = {}, {}, [], set(), []

    def visit(unit):
        index[unit] = low[unit] = len(index)
        stack.append(unit)
        on.add(unit)
        for used in sorted(uses.get(unit, ())):
            if used not in index:
                visit(used)
                low[unit] = min(low[unit], low[used])
            elif used in on:
                low[unit] = min(low[unit], index[used])
        if low[unit] == index[unit]:
            component = []
            while not component or component[-1] != unit:
                component.append(stack.pop())
                on.discard(component[-1])
            if len(component) > 1:
                found.append(sorted(component))

    for unit in sorted(uses):
        if unit not in index:
            visit(unit)
    return found


def main() -> int:
    top = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    faults = layout_faults(top, owners_of(top))
    for wing in sorted(PICTURES):
        for circle in circles(top, wing):
            faults.append(f"{wing}: includes run in a circle through {', '.join(circle)}")
    for fault in faults:
        print(fault)
    print(f"include layout: {len(faults)} fault(s)")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
