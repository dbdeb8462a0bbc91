#!/usr/bin/env python3
"""Runs PROGRAM --help and --version with no display and checks that the man page MANPAGE
describes every option the usage text lists: check_man_options.py PROGRAM MANPAGE."""
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
        man = page.read().replace("\\-", "-")
    described = set(OPTION.findall(man))
    missing = sorted(listed - described)
    if not listed or missing:
        sys.exit(f"{manpage} lacks options of {program} --help: {missing or 'none listed'}")
    print(f"{len(listed)} options of --help are in {os.path.basename(manpage)}")


main()
