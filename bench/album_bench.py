#!/usr/bin/env python3
"""The album benchmark: albumon-make on a corpus of photographs side by side with the baseline
(thumbnail and copy on libjpeg-turbo, one thread and every core), vipsthumbnail and three gallery
generators. Prints wall time and peak memory of each, as ratios to the one-thread baseline.

Usage: album_bench.py BUILD_DIR CORPUS_DIR
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

REPEATS = 5  # runs of each quick program; the median wall time counts
ALBUMON_LIMIT = 1.10  # albumon-make's wall time at most this times the all-cores baseline
MEMORY_LIMIT_MB = 100


class Program:
    """One row of the table: how to run it in an empty output folder and what it makes."""

    def __init__(self, name, makes, command, thumbnails, copy_corpus=False, repeats=REPEATS):
        self.name = name
        self.makes = makes
        self.command = command  # function (output folder) -> argument list
        self.thumbnails = thumbnails  # function (output folder) -> number of thumbnails made
        self.copy_corpus = copy_corpus  # it works in a copy of the corpus (writes beside it)
        self.repeats = repeats
        self.walls = []
        self.cpus = []  # user + system seconds of each run
        self.peak_kb = 0
        self.failure = None


def count_files(folder, prefix, suffix=".jpg"):
    if not os.path.isdir(folder):
        return 0
    return sum(1 for n in os.listdir(folder) if n.startswith(prefix) and n.endswith(suffix))


def turned(count):
    """The input numbers (from 1) that albumon-make turns a quarter: three spread over the list
    (the last among the portrait pictures of the default corpus)."""
    return {min(3, count), max(1, count // 2), max(1, count - 5)}


def albumon_arguments(pictures):
    arguments = []
    for number, picture in enumerate(pictures, start=1):
        arguments.append(picture)
        if number in turned(len(pictures)):
            arguments += ["--rotate", "1"]
    return arguments


def design_template(build, folder):
    """The default template less the placeholders that ask for screen-size pictures, so that
    albumon-make does the work the baselines do: the design's thumbnails and pictures."""
    shutil.copytree(os.path.join(build, "bin", "Def"), folder)
    for page in (os.path.join(folder, "Def.htm"), os.path.join(folder, "Def.files", "DefPage.htm")):
        with open(page, "rb") as f:
            text = f.read()
        with open(page, "wb") as f:
            f.write(text.replace(b"$$$PICTURES$$$", b"").replace(b"$$$SRCSET$$$", b""))
    return folder


def baseline_arguments(pictures):
    """The baseline's picture list: a picture albumon-make turns is written +PATH, so that the
    baseline turns it too."""
    turns = turned(len(pictures))
    return [("+" if number in turns else "") + picture
            for number, picture in enumerate(pictures, start=1)]


def programs(build, pictures, cores, template):
    maker = os.path.join(build, "bin", "albumon-make")
    baseline = os.path.join(build, "bin", "baseline_album")
    turns = len(turned(len(pictures)))
    return [
        Program("baseline, 1 thread", f"thumbnails + copies ({turns} turned)",
                lambda out: [baseline, "1", out] + baseline_arguments(pictures),
                lambda out: count_files(out, "$_")),
        Program(f"baseline, {cores} threads", f"thumbnails + copies ({turns} turned)",
                lambda out: [baseline, str(cores), out] + baseline_arguments(pictures),
                lambda out: count_files(out, "$_")),
        Program("albumon-make", f"album ({turns} turned)",
                lambda out: [maker, "-q", "-o", out, "--head", "bench", "--template", template]
                + albumon_arguments(pictures),
                lambda out: count_files(os.path.join(out, "bench.files"), "$_")),
        Program("vipsthumbnail", "thumbnails only",
                lambda out: ["vipsthumbnail", "-s", "64", "-o", out + "/%s_t.jpg[Q=75]"]
                + pictures,
                lambda out: count_files(out, "", "_t.jpg")),
        Program("jigl", "gallery, originals as slides",
                lambda out: ["jigl", "-rs", "n", "-ft", "-ty", "64", "-uo", "-nogi", "-noskb",
                             "-nosxy", "-it", "bench", out],
                lambda out: count_files(os.path.join(out, "thumbs"), "thumb_"),
                copy_corpus=True, repeats=1),
        Program("llgal", "gallery, no slide pages",
                lambda out: ["llgal", "-d", out, "--tx", "64", "--ty", "64", "-s", "--title",
                             "bench"],
                lambda out: count_files(os.path.join(out, ".llgal"), "thumb_"),
                copy_corpus=True, repeats=1),
        Program("igal2", "gallery, no slide pages",
                lambda out: ["igal2", "-d", out, "--xy", "64", "-s", "-f"],
                lambda out: count_files(out, ".thumb_"),
                copy_corpus=True, repeats=1),
    ]


def time_values(time_report):
    """The values GNU time -v reported, by their names."""
    values = {}
    with open(time_report, encoding="utf-8", errors="replace") as report:
        for line in report:
            name, _, value = line.strip().rpartition(": ")
            values[name] = value
    return values


def run_once(program, corpus, pictures, work):
    """Runs program once in a fresh folder; records its wall time and peak memory, or why it
    failed."""
    out = os.path.join(work, "out")
    shutil.rmtree(out, ignore_errors=True)
    if program.copy_corpus:
        shutil.copytree(corpus, out)
    else:
        os.makedirs(out)
    command = program.command(out)
    if shutil.which(command[0]) is None:
        program.failure = "not installed"
        return
    report = os.path.join(work, "time.txt")
    home = os.path.join(work, "home")  # what a generator keeps in its user's home goes here
    os.makedirs(home, exist_ok=True)
    environment = dict(os.environ, HOME=home, LC_ALL="C.UTF-8")
    with open(os.path.join(work, "log.txt"), "w") as log:
        start = time.monotonic()
        result = subprocess.run(["/usr/bin/time", "-v", "-o", report] + command, cwd=out,
                                env=environment, stdin=subprocess.DEVNULL, stdout=log,
                                stderr=subprocess.STDOUT)
        wall = time.monotonic() - start
    if result.returncode != 0:
        program.failure = f"failed (exit {result.returncode}, see {work}/log.txt)"
        return
    made = program.thumbnails(out)
    if made != len(pictures):
        program.failure = f"made {made} of {len(pictures)} thumbnails"
        return
    values = time_values(report)
    program.walls.append(wall)
    program.cpus.append(float(values["User time (seconds)"]) +
                        float(values["System time (seconds)"]))
    program.peak_kb = max(program.peak_kb, int(values["Maximum resident set size (kbytes)"]))


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    build, corpus = (os.path.abspath(a) for a in sys.argv[1:])
    pictures = sorted(os.path.join(corpus, n) for n in os.listdir(corpus)
                      if n.startswith("photo_") and n.endswith(".jpg"))
    cores = len(os.sched_getaffinity(0))
    run_root = os.path.join(build, "album-run")
    os.makedirs(run_root, exist_ok=True)
    template = design_template(build, tempfile.mkdtemp(prefix="template-", dir=run_root) + "/Def")
    rows = programs(build, pictures, cores, template)
    for picture in pictures:  # the first run should not pay for reading the corpus from disk
        with open(picture, "rb") as f:
            f.read()
    load_before = os.getloadavg()[0]
    works = {}
    for program in rows:
        works[program.name] = tempfile.mkdtemp(prefix="run-", dir=run_root)
    for round_number in range(REPEATS):
        for program in rows:
            if program.failure is None and round_number < program.repeats:
                print(f"  {program.name} (run {round_number + 1})", file=sys.stderr, flush=True)
                run_once(program, corpus, pictures, works[program.name])
    for program in rows:  # a failed peer's folder stays for its log
        if program.failure is None:
            shutil.rmtree(works[program.name], ignore_errors=True)
    shutil.rmtree(os.path.dirname(template), ignore_errors=True)
    report(rows, pictures, cores, (load_before, os.getloadavg()[0]))
    return 0 if rows[2].failure is None else 1


def report(rows, pictures, cores, loads):
    def wall(program):
        return statistics.median(program.walls)

    base = rows[0]
    if base.failure is not None:
        print(f"The baseline failed: {base.failure}")
        return
    base_wall = wall(base)
    print()
    print(f"Album benchmark: {len(pictures)} photographs, {cores} cores; median of {REPEATS} runs"
          " for the baselines, albumon-make and vipsthumbnail, one run for each gallery"
          " generator.")
    print(f"Load average (1 min) before and after: {loads[0]:.1f}, {loads[1]:.1f}: other work"
          " on the machine takes cores from the runs.")
    print()
    print(f"{'program':<22} {'makes':<30} {'wall s':>8} {'/ 1-thread':>11} {'best s':>7}"
          f" {'CPU s':>7} {'peak MB':>8}")
    for program in rows:
        if program.failure is not None:
            print(f"{program.name:<22} {program.makes:<30} {program.failure}")
            continue
        w = wall(program)
        cpu = statistics.median(program.cpus)
        print(f"{program.name:<22} {program.makes:<30} {w:8.2f} {w / base_wall:11.2f}"
              f" {min(program.walls):7.2f} {cpu:7.2f} {program.peak_kb / 1024:8.1f}")
    print()
    albumon, all_cores = rows[2], rows[1]
    if albumon.failure is not None or all_cores.failure is not None:
        print("Targets not checked: albumon-make or the all-cores baseline failed.")
        return
    ratio = wall(albumon) / wall(all_cores)
    print(f"albumon-make / all-cores baseline: {ratio:.2f} (at most {ALBUMON_LIMIT}):"
          f" {'met' if ratio <= ALBUMON_LIMIT else 'MISSED'}")
    for peer in rows[3:]:
        if peer.failure is None:
            ahead = wall(albumon) < wall(peer)
            print(f"albumon-make ahead of {peer.name}: {'met' if ahead else 'MISSED'}"
                  f" ({wall(peer) / wall(albumon):.1f} times albumon-make's time)")
        else:
            print(f"albumon-make ahead of {peer.name}: not measured ({peer.failure})")
    peak = albumon.peak_kb / 1024
    print(f"albumon-make peak memory: {peak:.1f} MB (below {MEMORY_LIMIT_MB} MB):"
          f" {'met' if peak < MEMORY_LIMIT_MB else 'MISSED'}")


if __name__ == "__main__":
    sys.exit(main())
