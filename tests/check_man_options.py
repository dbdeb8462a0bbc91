#!/usr/bin/env python3
"""Runs PROGRAM --help and --version with no display and checks that the man page MANPAGE
gives every option the usage text lists an entry of its own (named in the line after a .TP),
and that groff formats the page without a warning: check_man_options.py PROGRAM MANPAGE."""
import os
import re
import subprocess
import sys

OPTION = re.compile(r"(?<![\w-])(--?[a-z][a-z-]*)")


def run(program, argument):
    environment = {k: v for k, v in os.environ.items()
                   if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    done = subprocess.run([program, argument], capture_output=True, text=True, timeout=30,
                          env=environment)
    if done.returncode != 0 or not done.stdout.strip():
        sys.exit(f"{program} {argument}: status {done.returncode}, output {done.stdout!r} "
                 f"{done.stderr!r}")
    return done.stdout


def main():
    program, manpage = sys.argv[1], sys.argv[2]
    usage = run(program, "--help")
    version = run(program, "--version")
    if not re.search(r"\d+\.\d+", version):
        sys.exit(f"--version printed no version: {version!r}")
    listed = set()
    for line in usage.splitlines():
        if line.lstrip().startswith("-"):
            listed.update(OPTION.findall(line.split("   ")[0]))
    with open(manpage, encoding="utf-8") as page:
        lines = page.read().replace("\\-", "-").splitlines()
    described = set()
    for before, line in zip(lines, lines[1:]):
        if before.strip() == ".TP":
            described.update(OPTION.findall(line))
    missing = sorted(listed - described)
    if not listed or missing:
        sys.exit(f"{manpage} has no entry for options of {program} --help: "
                 f"{missing or 'none listed'}")
    formatted = subprocess.run(["groff", "-k", "-Tutf8", "-man", "-ww", "-z", manpage],
                               capture_output=True, text=True, timeout=30)
    if formatted.returncode != 0 or formatted.stderr:
        sys.exit(f"groff warns about {manpage}:\n{formatted.stderr}")
    print(f"{len(listed)} options of --help have entries in {os.path.basename(manpage)}, "
          "which groff formats without a warning")


main()
