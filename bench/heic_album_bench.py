#!/usr/bin/env python3
"""An album of 20 12 MP HEICs (a template that asks for no screen sizes): albumon-make on every
core and held to one core, side by side in rounds with the baseline (libheif's decode plus a
libjpeg-turbo encode of each file) on every core and on one thread.

Usage: heic_album_bench.py BINDIR TEMPLATE_DIR HEIC [ROUNDS]
Prints each one's median wall and CPU (user + system) time, CPU / wall, the mean number of its
threads ready to run (sampled from /proc: the cores it would keep busy on an idle machine, which
CPU / wall cannot show on a shared one), peak memory, and the speed-up from one core to all;
exits 1 when albumon-make keeps fewer threads ready than 0.9 of the baseline's on every core.
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from screen_bench import in_rounds, plain_template

PICTURES = 20
SAMPLE_SECONDS = 0.02


def ready_threads(pid):
    """The threads of pid's children that are running or ready to run."""
    ready = 0
    try:
        with open(f"/proc/{pid}/task/{pid}/children") as f:
            children = f.read().split()
    except OSError:
        return 0
    for child in children:
        try:
            tasks = os.listdir(f"/proc/{child}/task")
        except OSError:
            continue
        for task in tasks:
            try:
                with open(f"/proc/{child}/task/{task}/stat") as f:
                    ready += f.read().rpartition(")")[2].split()[0] == "R"
            except OSError:
                pass
    return ready


def sampled(command):
    """Wall seconds, peak resident kilobytes, CPU seconds and mean ready threads of a command."""
    process = subprocess.Popen(["/usr/bin/time", "-f", "%e %M %U %S"] + command,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    samples = []
    while process.poll() is None:
        samples.append(ready_threads(process.pid))
        time.sleep(SAMPLE_SECONDS)
    report = process.stderr.read()
    if process.returncode != 0:
        raise RuntimeError(f"{command[0]} failed: {report}")
    wall, peak, user, system = report.strip().splitlines()[-1].split()
    ready = sum(samples) / len(samples) if samples else 0
    return float(wall), int(peak), float(user) + float(system), ready


def main():
    bindir, template, heic = sys.argv[1:4]
    rounds = int(sys.argv[4]) if len(sys.argv) > 4 else 2
    cores = os.cpu_count() or 1
    with tempfile.TemporaryDirectory(prefix="albumon-heic-bench-") as work:
        plain = os.path.join(work, "plain")
        plain_template(template, plain)
        pictures = []
        for k in range(1, PICTURES + 1):
            pictures.append(os.path.join(work, f"IMG_{k:04}.HEIC"))
            shutil.copyfile(heic, pictures[-1])
        make = [os.path.join(bindir, "albumon-make"), "-q", "--template", plain]
        baseline = [os.path.join(bindir, "baseline_album"), "--heic"]
        one_core = ["taskset", "-c", "0"]
        commands = {
            "albumon-make": lambda out: make + ["-o", out] + pictures,
            "albumon-make, one core": lambda out: one_core + make + ["-o", out] + pictures,
            "baseline": lambda out: baseline + [str(cores), out] + pictures,
            "baseline, one thread": lambda out: baseline + ["1", out] + pictures,
        }
        runs = in_rounds(commands, rounds, work, sampled)
    print(f"{PICTURES} HEICs of 12 MP, {rounds} rounds, {cores} cores; "
          "the machine may be shared by other work")
    wall = {name: statistics.median(run[0] for run in r) for name, r in runs.items()}
    cpu = {name: statistics.median(run[2] for run in r) for name, r in runs.items()}
    ready = {name: statistics.median(run[3] for run in r) for name, r in runs.items()}
    for name, r in runs.items():
        print(f"{name:23} {wall[name]:6.2f} s wall ({wall[name] / PICTURES:.2f} s a picture), "
              f"{cpu[name]:6.2f} s CPU, CPU / wall {cpu[name] / wall[name]:.2f} of {cores}, "
              f"{ready[name]:.2f} threads ready, peak {max(run[1] for run in r) / 1024:.0f} MB")
    for name in ("albumon-make", "baseline"):
        one = "albumon-make, one core" if name == "albumon-make" else "baseline, one thread"
        print(f"{name}: {wall[one] / wall[name]:.2f} x the speed of one core")
    print(f"albumon-make / baseline on every core: {wall['albumon-make'] / wall['baseline']:.2f}"
          f" wall, {cpu['albumon-make'] / cpu['baseline']:.2f} CPU;"
          f" {ready['albumon-make']:.2f} threads ready against the baseline's"
          f" {ready['baseline']:.2f} (of {cores} cores)")
    return 0 if ready["albumon-make"] >= 0.9 * ready["baseline"] else 1


if __name__ == "__main__":
    sys.exit(main())
