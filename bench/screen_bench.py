#!/usr/bin/env python3
"""The save with screen-size pictures side by side with today's save and with the baseline that
does the same work on libjpeg-turbo alone, in rounds, each command in its own output folder.

Usage: screen_bench.py BINDIR TEMPLATE_DIR CORPUS_DIR [ROUNDS]
Prints each one's median wall time, its peak memory (maximum resident set size) and the ratios
of the save with screen sizes to the baseline and to today's save.
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile


def plain_template(template, folder):
    """A copy of the template without the placeholders that ask for screen-size pictures."""
    shutil.copytree(template, folder)
    for path in (os.path.join(folder, "Def.htm"), os.path.join(folder, "Def.files", "DefPage.htm")):
        with open(path, "rb") as f:
            text = f.read()
        for placeholder in (b"$$$PICTURES$$$", b"$$$SRCSET$$$"):
            text = text.replace(placeholder, b"")
        with open(path, "wb") as f:
            f.write(text)


def timed(command):
    """Wall seconds, peak resident kilobytes and CPU seconds of a command."""
    result = subprocess.run(["/usr/bin/time", "-f", "%e %M %U %S"] + command,
                            capture_output=True, text=True, check=True)
    wall, peak, user, system = result.stderr.strip().splitlines()[-1].split()
    return float(wall), int(peak), float(user) + float(system)


def in_rounds(commands, rounds, work, measure=timed):
    """Each command (a function of its output folder) run once a round, in a fresh folder under
    work: the measurements of each, by name."""
    runs = {name: [] for name in commands}
    for round_ in range(rounds):
        for index, (name, command) in enumerate(commands.items()):
            out = os.path.join(work, f"out-{round_}-{index}")
            os.makedirs(out)
            runs[name].append(measure(command(out)))
            shutil.rmtree(out)
    return runs


def main():
    bindir, template, corpus = sys.argv[1:4]
    rounds = int(sys.argv[4]) if len(sys.argv) > 4 else 3
    pictures = sorted(os.path.join(corpus, name) for name in os.listdir(corpus)
                      if name.lower().endswith(".jpg"))
    threads = str(os.cpu_count() or 1)
    with tempfile.TemporaryDirectory(prefix="albumon-screen-bench-") as work:
        plain = os.path.join(work, "plain")
        plain_template(template, plain)
        make = os.path.join(bindir, "albumon-make")
        commands = {
            "screen sizes": lambda out: [make, "-q", "-o", out, "--template", template] + pictures,
            "today's save": lambda out: [make, "-q", "-o", out, "--template", plain] + pictures,
            "baseline": lambda out: [os.path.join(bindir, "baseline_album"), "--screen",
                                     threads, out] + pictures,
        }
        runs = in_rounds(commands, rounds, work)
    print(f"{len(pictures)} pictures, {rounds} rounds, {threads} threads; "
          "the machine may be shared by other work")
    median = {name: statistics.median(run[0] for run in r) for name, r in runs.items()}
    cpu = {name: statistics.median(run[2] for run in r) for name, r in runs.items()}
    for name, r in runs.items():
        print(f"{name:13} {median[name]:7.2f} s median wall, {cpu[name]:7.2f} s CPU, "
              f"peak {max(run[1] for run in r) / 1024:6.1f} MB")
    to_baseline = median["screen sizes"] / median["baseline"]
    peak = max(run[1] for run in runs["screen sizes"]) / 1024
    print(f"screen sizes / baseline     {to_baseline:.2f} wall, "
          f"{cpu['screen sizes'] / cpu['baseline']:.2f} CPU (limit 1.15)")
    to_today = median["screen sizes"] / median["today's save"]
    today_cpu = cpu["screen sizes"] / cpu["today's save"]
    print(f"screen sizes / today's save {to_today:.2f} wall, {today_cpu:.2f} CPU")
    print(f"peak memory {peak:.1f} MB (limit 100)")
    return 0 if to_baseline <= 1.15 and peak < 100 else 1


if __name__ == "__main__":
    sys.exit(main())
