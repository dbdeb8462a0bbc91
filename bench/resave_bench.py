#!/usr/bin/env python3
"""The re-save benchmark: albumon-make saving the same album again after nothing, one note edit
and one turn changed, with the default template (card thumbnails and display copies), beside the
first save and a rebuild; with --zip after one note edit beside `cp` of the zip; and a gallery
generator (thumbsup, when installed) run again over its own output. Prints the median wall and
CPU (user + system) seconds of each.

The keys and the save record cost the first save at most what a re-save with nothing changed
costs in all (it computes every key, reads and writes the record, and does more): that bound is
printed as a share of the first save. thumbsup is taken from BUILD_DIR/thumbsup (installed there
by bench/install_thumbsup.sh) or else from PATH.

Usage: resave_bench.py BUILD_DIR CORPUS_DIR [COUNT]
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

REPEATS = int(os.environ.get("RESAVE_REPEATS", "3"))


def timed(command, **kwargs):
    """Wall and CPU seconds of one run of command (which must succeed)."""
    before = os.times()
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                   **kwargs)
    wall = time.perf_counter() - start
    after = os.times()
    cpu = (after.children_user - before.children_user) + (
        after.children_system - before.children_system)
    return wall, cpu


class Album:
    """An album of the pictures with a note on the first and a turn on the third."""

    def __init__(self, build, pictures, work, zip_too=False):
        self.maker = os.path.join(build, "bin", "albumon-make")
        self.pictures = pictures
        self.out = os.path.join(work, "out")
        self.note = os.path.join(work, "note.txt")
        self.turn = 1
        self.zip = zip_too
        with open(self.note, "w", encoding="utf-8") as f:
            f.write("夕方の海\n")

    def command(self, *extra):
        arguments = [self.maker, "-o", self.out, "--head", "bench", "--quiet"]
        if self.zip:
            arguments.append("--zip")
        for number, picture in enumerate(self.pictures, start=1):
            arguments.append(picture)
            if number == 1:
                arguments += ["--note-below", self.note]
            if number == 3:
                arguments += ["--rotate", str(self.turn)]
        return arguments + list(extra)

    def save(self, *extra):
        return timed(self.command(*extra))

    def edit_note(self, text):
        with open(self.note, "a", encoding="utf-8") as f:
            f.write(text + "\n")


def median_row(runs):
    return statistics.median(w for w, _ in runs), statistics.median(c for _, c in runs)


class Rows(dict):
    """Runs by row name, each printed as it is measured."""

    def add(self, name, run):
        self.setdefault(name, []).append(run)
        print(f"  {name}: {run[0]:.3f} s wall, {run[1]:.3f} s CPU", flush=True)


def measure(build, pictures):
    rows = Rows()
    for name in ("first save", "again, nothing changed", "after one note edit",
                 "after one turn", "--rebuild", "zip: after one note edit", "cp of the zip"):
        rows[name] = []
    for repeat in range(REPEATS):
        work = tempfile.mkdtemp(prefix="albumon-resave-")
        try:
            album = Album(build, pictures, work)
            rows.add("first save", album.save())
            rows.add("again, nothing changed", album.save())
            album.edit_note(f"edit {repeat}")
            rows.add("after one note edit", album.save())
            album.turn = 2
            rows.add("after one turn", album.save())
            rows.add("--rebuild", album.save("--rebuild"))
            shutil.rmtree(album.out)
            zipped = Album(build, pictures, work, zip_too=True)
            zipped.save()
            zipped.edit_note(f"zip edit {repeat}")
            rows.add("zip: after one note edit", zipped.save())
            archive = os.path.join(zipped.out, "bench.zip")
            rows.add("cp of the zip", timed(["cp", archive, archive + ".copy"]))
        finally:
            shutil.rmtree(work, ignore_errors=True)
    return {name: median_row(runs) for name, runs in rows.items()}


def thumbsup(build, pictures):
    """thumbsup's first run and its run again over its own output, when it is installed."""
    local = os.path.abspath(os.path.join(build, "thumbsup", "node_modules", ".bin", "thumbsup"))
    program = local if os.access(local, os.X_OK) else shutil.which("thumbsup")
    if not program:
        return None
    work = tempfile.mkdtemp(prefix="albumon-thumbsup-")
    try:
        source = os.path.join(work, "in")
        os.mkdir(source)
        for picture in pictures:
            os.symlink(picture, os.path.join(source, os.path.basename(picture)))
        command = [program, "--input", source, "--output", os.path.join(work, "out"),
                   "--thumb-size", "160", "--large-size", "2048", "--cleanup", "false"]
        first = timed(command, cwd=work)
        again = [timed(command, cwd=work) for _ in range(REPEATS)]
        return first, median_row(again)
    except subprocess.CalledProcessError as failed:
        return f"failed: {failed.stderr.decode(errors='replace')[-300:]}"
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    build, corpus = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 0
    pictures = sorted(os.path.join(corpus, n) for n in os.listdir(corpus)
                      if n.lower().endswith(".jpg"))
    if count:
        pictures = pictures[:count]
    print(f"{len(pictures)} pictures, {os.cpu_count()} cores, load {os.getloadavg()[0]:.1f}")
    rows = measure(build, pictures)
    first_cpu = rows["first save"][1]
    print(f"{'run':34} {'wall s':>8} {'CPU s':>8} {'CPU/first':>10}")
    for name, (wall, cpu) in rows.items():
        print(f"{name:34} {wall:8.3f} {cpu:8.3f} {cpu / first_cpu:10.3f}", flush=True)
    zip_ratio = rows["zip: after one note edit"][0] / max(rows["cp of the zip"][0], 1e-6)
    print(f"zip after one note edit / cp of the zip: {zip_ratio:.2f}", flush=True)
    # What packing adds to the same re-save without the zip, against copying the zip.
    packing = (rows["zip: after one note edit"][0] - rows["after one note edit"][0]) / max(
        rows["cp of the zip"][0], 1e-6)
    print(f"(zip after one note edit - after one note edit) / cp of the zip: {packing:.2f}")
    bound = rows["again, nothing changed"][0] / rows["first save"][0]
    print(f"keys and record, at most (again, nothing changed / first save, wall): {bound:.3f}",
          flush=True)
    print(f"load {os.getloadavg()[0]:.1f}", flush=True)
    peer = thumbsup(build, pictures)
    if peer is None:
        print("thumbsup: not installed")
    elif isinstance(peer, str):
        print(f"thumbsup: {peer}")
    else:
        (wall, cpu), (again_wall, again_cpu) = peer
        print(f"{'thumbsup, first run':34} {wall:8.3f} {cpu:8.3f}")
        print(f"{'thumbsup, again over its output':34} {again_wall:8.3f} {again_cpu:8.3f}")


if __name__ == "__main__":
    main()
