#!/usr/bin/env python3
"""Checks the texts Albumon ships (the window's and albumon-make's messages, the help page, the man
pages, the desktop entry, the AppStream file and the package description) for "JPEG" or "jpg"
where a photo of any kind is meant: Albumon takes HEIC/HEIF, PNG and WebP as well. A text naming
the kinds it takes names all four. check_picture_words.py SOURCE_DIR"""
import glob
import os
import re
import sys

# "JPEG files", "JPGファイル", "のjpgが": the format's name standing for any picture. A file name
# (".jpg", "DefNote.jpg") or the quality of the JPEG written is no such use.
ANY_PICTURE = re.compile(
    r"(?<![.A-Za-z0-9_/])(?:jpe?g|ｊｐｇ|ＪＰＧ)s?"
    r"(?:[ \u3000]*(?:画像|写真|ファイル|が|を)|[ ]+(?:pictures?|photos?|images?|files?)\b)",
    re.IGNORECASE)
# A summary naming one kind of photo names them all.
KINDS = ("JPEG", "HEIC", "PNG", "WebP")
SUMMARIES = (
    re.compile(r"^Comment(?:\[\w+\])?=(.*)$", re.MULTILINE),
    re.compile(r"<summary[^>]*>(.*?)</summary>", re.DOTALL),
    re.compile(r"CPACK_PACKAGE_DESCRIPTION(?:_SUMMARY)? \"(.*?)\"\)", re.DOTALL),
)
STRING_LITERAL = re.compile(r'"(?:[^"\\\n]|\\.)*"')
SOURCE_FOLDERS = ("common", "settings", "pictures", "album", "pages", "archive", "save", "shell",
                  "app", "make")


def shipped_texts(top):
    """(name, text) of every shipped text; of the sources only their string literals."""
    for name in ("albumon_help/help.htm", "desktop/albumon.1", "desktop/albumon-make.1",
                 "desktop/albumon.desktop", "desktop/albumon.metainfo.xml",
                 "desktop/CMakeLists.txt"):
        with open(os.path.join(top, name), encoding="utf-8") as file:
            yield name, file.read()
    for folder in SOURCE_FOLDERS:
        for path in sorted(glob.glob(os.path.join(top, folder, "*.cpp")) +
                           glob.glob(os.path.join(top, folder, "*.h"))):
            with open(path, encoding="utf-8") as file:
                lines = file.read().splitlines()
            # Each line keeps only its string literals, so that line numbers stay.
            yield os.path.relpath(path, top), "\n".join(
                "" if line.lstrip().startswith(("//", "#include"))
                else " ".join(STRING_LITERAL.findall(line)) for line in lines)


def main():
    top = sys.argv[1]
    faults = []
    checked = 0
    for name, text in shipped_texts(top):
        checked += 1
        for match in ANY_PICTURE.finditer(text):
            line = text[:match.start()].count("\n") + 1
            faults.append(f"{name}: \"{match.group(0)}\" where any photo is meant (line {line})")
        for summary in SUMMARIES:
            for found in summary.finditer(text):
                words = found.group(1)
                named = [kind for kind in KINDS if kind.lower() in words.lower()]
                if named and len(named) < len(KINDS):
                    faults.append(f"{name}: \"{words.strip()}\" names {', '.join(named)} only")
    if faults:
        sys.exit("\n".join(faults))
    print(f"{checked} shipped texts say 写真 / photo where any photo is meant")


main()
