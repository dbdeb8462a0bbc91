#!/usr/bin/env python3
# Albumon's window under a real X server and window manager, driven by the real pointer and
# keyboard (xdotool) and judged from outside: the rows a screenshot shows, the album a save
# writes and the settings file. Usage: real_pointer_test.py BIN_FOLDER [CASE ...]
import glob
import os
import re
import subprocess
import sys
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, Program, distance, missing_tools, poll  # noqa: E402

# Photo colours: far from white, from the selection's blue and from each other.
PALETTE = [(220, 30, 30), (30, 200, 30), (240, 200, 0), (160, 40, 200), (0, 0, 0),
           (250, 130, 0), (120, 70, 20), (255, 0, 255), (0, 120, 60), (130, 130, 130),
           (200, 200, 90), (90, 0, 40), (0, 220, 220), (255, 150, 190), (60, 60, 130),
           (150, 220, 0), (240, 240, 0), (100, 140, 70)]
SELECTION = (48, 140, 198)
WHITE = (255, 255, 255)
DESIGN = (577, 490)

# Places in the window at its design size (client coordinates); the height a taller window
# adds goes to the lists and moves the buttons below them down.
LIST_LEFT, LIST_TOP, LIST_WIDTH, LIST_HEIGHT = 8, 26, 209, 356
THUMB_X = 30  # a column through the rows' thumbnails
TABS = {"input": (268, 12), "picture": (353, 12), "naming": (438, 12)}
PAGE = (227, 25)  # the pages' origin
PREVIEW = (PAGE[0] + 6 + 122, PAGE[1] + 6 + 122)
BUTTONS = {"上へ": (112, 404), "下へ": (184, 404), "削除": (41, 438), "クリア": (184, 438),
           "▶": (PAGE[0] + 320, PAGE[1] + 170), "保存": (PAGE[0] + 295, PAGE[1] + 405)}
MEMO = (PAGE[0] + 6, PAGE[1] + 256, 334, 110)


def tinted(colour):
    """A thumbnail's colour on a selected row."""
    return tuple(round(c * 0.7 + s * 0.3) for c, s in zip(colour, SELECTION))


def nearest(colour, palette):
    best = min(range(len(palette)), key=lambda k: distance(colour, palette[k]))
    return best if distance(colour, palette[best]) < 40 else None


class Album:
    """One run of the program on a fresh program folder, with numbered photos p01.jpg... of the
    palette's colours."""

    def __init__(self, desktop, bin_folder, photos, height=DESIGN[1], settings=""):
        self.desktop = desktop
        self.program = Program(desktop, bin_folder)
        self.out = os.path.join(self.program.folder, "out")
        os.makedirs(self.out)
        self.photos = make_photos(os.path.join(self.program.folder, "photos"), photos)
        self.extra = height - DESIGN[1]
        self.program.write_settings(
            "[File]\nOut=%s/\nNameDef=1\n[Option]\nWidth=%d\nHeight=%d\n%s"
            % (self.out, DESIGN[0], height, settings))
        self.window = None
        self.pitch = None

    def start(self, with_photos=True):
        self.window = self.program.start(*(self.photos if with_photos else []))
        if with_photos:
            self.wait_rows(lambda rows: len(rows) == len(self.photos), "every photo listed")
        return self.window

    def below(self, point):
        return (point[0], point[1] + self.extra)

    # The preview takes two thirds of the added height, the note box the rest below it.
    def preview_point(self):
        return (PREVIEW[0], PREVIEW[1] + self.extra // 3)

    def memo_point(self):
        return (MEMO[0] + 40, MEMO[1] + 20 + self.extra * 2 // 3)

    # --- what the list shows -------------------------------------------------------------
    def rows(self, shot=None):
        """The rows the list shows, top first: (photo number from 1, highlighted)."""
        shot = shot or self.window.shot()
        plain = PALETTE[:len(self.photos)]
        marked = [tinted(c) for c in plain]
        found, y, bottom = [], LIST_TOP + 2, LIST_TOP + LIST_HEIGHT + self.extra - 2
        while y < bottom:
            run = y
            while run < bottom and distance(shot.at(THUMB_X, run), WHITE) > 12 and \
                    distance(shot.at(THUMB_X, run), SELECTION) > 12:
                run += 1
            if run - y >= 12:
                middle = shot.at(THUMB_X, (y + run) // 2)
                side = shot.at(LIST_LEFT + LIST_WIDTH - 12, (y + run) // 2)
                highlighted = distance(side, WHITE) > 60
                number = nearest(middle, marked if highlighted else plain)
                found.append((None if number is None else number + 1, highlighted))
            y = max(run, y + 1)
        return found

    def wait_rows(self, test, what):
        self.window.park()
        seen = []

        def probe():
            seen[:] = self.rows()
            return test(seen)

        try:
            return poll(what, probe, timeout=15)
        except AssertionError:
            raise AssertionError("%s: the list shows %s" % (what, seen))

    def expect_rows(self, order, highlighted=None):
        """Waits for the list to show exactly these photos (and these rows highlighted)."""
        def test(rows):
            ok = [n for n, _ in rows] == order
            if highlighted is not None:
                ok = ok and [k for k, (_, h) in enumerate(rows) if h] == highlighted
            return ok
        self.wait_rows(test, "rows %s highlighted %s" % (order, highlighted))

    def row_point(self, row, where="middle"):
        """A point in a row: its middle, or in its upper or lower half; "end" is below the rows."""
        pitch = self.row_pitch()
        top = LIST_TOP + 2 + pitch * row
        return (LIST_LEFT + 120, top + {"middle": pitch // 2, "upper": pitch // 4,
                                        "lower": pitch * 3 // 4, "end": pitch // 2}[where])

    def row_pitch(self):
        if self.pitch is None:
            shot, starts, y = self.window.shot(), [], LIST_TOP + 2
            while y < LIST_TOP + LIST_HEIGHT and len(starts) < 2:
                if distance(shot.at(THUMB_X, y), WHITE) > 12 and \
                        distance(shot.at(THUMB_X, y), SELECTION) > 12:
                    starts.append(y)
                    while distance(shot.at(THUMB_X, y), WHITE) > 12 and \
                            distance(shot.at(THUMB_X, y), SELECTION) > 12:
                        y += 1
                y += 1
            if len(starts) < 2:
                raise AssertionError("fewer than two rows to measure")
            self.pitch = starts[1] - starts[0]
        return self.pitch

    # --- gestures --------------------------------------------------------------------------
    def select(self, rows):
        """A click on the first row, Ctrl+clicks on the others."""
        self.window.click(*self.row_point(rows[0]))
        for row in rows[1:]:
            self.window.click(*self.row_point(row), modifiers=("ctrl",))

    def drag(self, row, to_row, where):
        self.window.drag(self.row_point(row), self.row_point(to_row, where))

    def button(self, caption):
        self.window.click(*self.below(BUTTONS[caption]))

    def page(self, name):
        self.window.click(*TABS[name])

    def shown_photo(self):
        """The photo the picture page shows (by the colour in the preview's middle)."""
        self.page("picture")
        self.window.park()
        def photo():
            number = nearest(self.window.shot().at(*self.preview_point()),
                             PALETTE[:len(self.photos)])
            return None if number is None else number + 1

        return poll("a picture in the preview", photo, timeout=10)

    def save(self):
        """Saves from the naming page and returns the album's photos in page order, each
        checked by its content."""
        self.page("naming")
        self.window.click(*self.below(BUTTONS["保存"]))
        index = os.path.join(self.out, "無題.htm")
        poll("the album saved", lambda: os.path.exists(
            os.path.join(self.out, "無題.files", ".albumon.saved")), timeout=30)
        with open(index, encoding="utf-8") as page:
            names = re.findall(r'Fname\[\d+\]="([^"]*)"', page.read())
        order = []
        for name in names:
            number = int(name[1:])
            picture = os.path.join(self.out, "無題.files", name + ".jpg")
            colour = middle_colour(picture)
            if nearest(colour, PALETTE) != number - 1:
                raise AssertionError("%s holds %s, not photo %d" % (picture, colour, number))
            order.append(number)
        return order

    def note_files(self):
        """The saved notes: photo number -> the note's text as the album holds it."""
        notes = {}
        for path in glob.glob(os.path.join(self.out, "無題.files", "p*.htm")):
            with open(path, encoding="utf-8") as page:
                text = page.read()
            notes[int(os.path.basename(path)[1:3])] = text
        return notes

    def close(self):
        """Ends the program; when a check failed, a screenshot of the window is kept first
        (in real_pointer_failures/ of the working folder)."""
        if sys.exc_info()[0] is not None and self.window is not None:
            try:
                os.makedirs("real_pointer_failures", exist_ok=True)
                name = "%s.png" % time.strftime("%H%M%S")
                self.window.shot().save_png(os.path.join("real_pointer_failures", name))
                print("screenshot: real_pointer_failures/" + name)
            except Exception as error:  # the window may be gone: the failure says why
                print("no screenshot: %s" % error)
        self.program.stop()


def make_photos(folder, count):
    os.makedirs(folder)
    paths = []
    for k in range(count):
        ppm = b"P6 80 60 255\n" + bytes(PALETTE[k]) * (80 * 60)
        path = os.path.join(folder, "p%02d.jpg" % (k + 1))
        with open(path, "wb") as out:
            out.write(subprocess.run(["cjpeg", "-quality", "95"], input=ppm,
                                     capture_output=True, check=True).stdout)
        paths.append(path)
    return paths


def middle_colour(jpeg):
    ppm = subprocess.run(["djpeg", "-pnm", jpeg], capture_output=True, check=True).stdout
    parts = ppm.split(maxsplit=4)
    width, height = int(parts[1]), int(parts[2])
    pixels = parts[4]
    base = ((height // 2) * width + width // 2) * 3
    return tuple(pixels[base:base + 3])


def expect(what, got, wanted):
    if got != wanted:
        raise AssertionError("%s: got %s, wanted %s" % (what, got, wanted))


# --- cases -------------------------------------------------------------------------------
# Drags of rows: photos, window height, rows selected (first clicked, others Ctrl+clicked),
# the drag (from row, onto row, where in it), then the rows shown (photo numbers), the rows
# highlighted and the photo the picture page shows. A save must write the same order.
DRAGS = [
    ("last row to the top", 4, 490, [3], (3, 0, "upper"), [4, 1, 2, 3], [0], 4),
    ("last row to the top of 15", 15, 900, [14], (14, 0, "upper"),
     [15] + list(range(1, 15)), [0], 15),
    ("top row to the end", 5, 490, [0], (0, 5, "end"), [2, 3, 4, 5, 1], [4], 1),
    ("one row into an upper half", 5, 490, [1], (1, 3, "upper"), [1, 3, 2, 4, 5], [2], 2),
    ("three rows into the middle", 6, 490, [0, 2, 5], (5, 3, "lower"), [2, 4, 1, 3, 6, 5],
     [2, 3, 4], 1),
]


def note_on_third_photo(album):
    """Types a note for the third photo: it must stay with that photo wherever it goes."""
    album.select([2])
    album.page("picture")
    album.window.click(*album.memo_point())
    album.window.type("note of p03")


def drag_case(desktop, bin_folder, photos, height, selected, gesture, order, highlighted, shown):
    album = Album(desktop, bin_folder, photos, height)
    try:
        album.start()
        note_on_third_photo(album)
        album.select(selected)
        album.drag(*gesture)
        album.expect_rows(order, highlighted)
        expect("the picture page's photo", album.shown_photo(), shown)
        expect("the saved order", album.save(), order)
        notes = album.note_files()
        expect("the photos with notes", sorted(notes), [3])
        expect("the note of p03", "note of p03" in notes[3], True)
    finally:
        album.close()


def drag_then_down(desktop, bin_folder):
    album = Album(desktop, bin_folder, 5)
    try:
        album.start()
        album.select([4])
        album.drag(4, 0, "upper")
        album.expect_rows([5, 1, 2, 3, 4], [0])
        album.select([1])
        album.button("下へ")
        album.expect_rows([5, 2, 1, 3, 4], [2])
        expect("the saved order", album.save(), [5, 2, 1, 3, 4])
    finally:
        album.close()


JAPANESE = "吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。何でも薄暗いじめじめした" \
    "所でニャーニャー泣いていた事だけは記憶している。"


def memo_lines(shot):
    """The text lines the note box shows: bands of rows holding dark pixels."""
    left, top, width, height = MEMO
    lines, inside = [], False
    for y in range(top + 2, top + height - 18):
        dark = any(sum(shot.at(x, y)) < 300 for x in range(left + 4, left + width - 20))
        if dark and not inside:
            lines.append(y)
        inside = dark
    return lines


def note_wraps(desktop, bin_folder):
    """A 200-character Japanese note wraps at the box's width; the album keeps only the line
    end the user typed."""
    first = (JAPANESE * 3)[:120]
    second = (JAPANESE * 3)[:80]
    album = Album(desktop, bin_folder, 1)
    try:
        album.start()
        album.page("picture")
        album.window.click(*album.memo_point())
        album.window.paste(first)
        album.window.key("Return")
        album.window.paste(second)
        album.window.park()
        lines = poll("the note wrapped", lambda: len(memo_lines(album.window.shot())) >= 5
                     and memo_lines(album.window.shot()))
        # The start of each shown line is at the box's left edge, not scrolled away.
        shot = album.window.shot()
        for y in lines:
            starts = [x for x in range(MEMO[0] + 3, MEMO[0] + 40)
                      if any(sum(shot.at(x, y + d)) < 300 for d in range(0, 12))]
            if not starts:
                raise AssertionError("a shown line does not start at the box's left edge")
        expect("the saved order", album.save(), [1])
        text = album.note_files()[1]
        flat = re.sub(r"<[^>]*>", "\n", text)
        found = [line.strip() for line in flat.splitlines() if line.strip()]
        expect("the saved note's lines", [line for line in found if JAPANESE[:4] in line],
               [first, second])
    finally:
        album.close()


def window_state(desktop, bin_folder):
    """The first start has the design size; a size set with the pointer and the maximised
    state come back at the next start; a saved size larger than the screen is cut to it."""
    album = Album(desktop, bin_folder, 0)
    album.program.write_settings("[File]\nOut=%s/\n" % album.out)
    program = album.program
    try:
        window = album.start(with_photos=False)
        left, top, width, height = window.geometry()
        frame = window.frame()
        expect("the first start's size", (width, height), DESIGN)
        # The frame's lower right corner, dragged by the pointer.
        window.drag((width - 3, height + 3), (width + 97, height + 63))
        poll("the window resized", lambda: window.geometry()[2:] == (width + 100, height + 60),
             timeout=5)
        program.close(window)
        window = album.start(with_photos=False)
        expect("the size at the next start", window.geometry(),
               (left, top, width + 100, height + 60))
        # A double click on the title bar maximises.
        window.click(width // 2, -10, repeat=2)
        poll("the window maximised", lambda: "MAXIMIZED_HORZ" in window.state())
        program.close(window)
        window = album.start(with_photos=False)
        poll("the window maximised at the next start",
             lambda: "MAXIMIZED_HORZ" in window.state())
        window.click(200, -10, repeat=2)
        poll("the window restored", lambda: "MAXIMIZED_HORZ" not in window.state())
        poll("the size before maximising", lambda: window.geometry() == (
            left, top, width + 100, height + 60))
        program.close(window)
        settings = program.read_settings()
        expect("the position kept", (settings["Pos/Left"], settings["Pos/Top"]),
               (str(left - frame[0]), str(top - frame[2])))
        expect("the size kept", (settings["Option/Width"], settings["Option/Height"]),
               (str(width + 100), str(height + 60)))
        program.write_settings("[File]\nOut=%s/\n[Pos]\nLeft=2000\nTop=1500\n[Option]\n"
                               "Width=4000\nHeight=3000\nMaximized=0\n" % album.out)
        window = album.start(with_photos=False)
        x, y, w, h = window.geometry()
        if x < 0 or y < 0 or x + w > 1280 or y + h > 1024:
            raise AssertionError("window %s is not on the 1280x1024 screen" % ((x, y, w, h),))
    finally:
        album.close()


# Steps undone and redone with the keys: four photos, a note typed for the third; the gesture
# (after which the list shows order with rows highlighted), Ctrl+Z back to the order before it,
# Ctrl+Y forward, Ctrl+Z again and a save of the order before, with the note.
def delete_second(album):
    album.select([1])
    album.button("削除")


def drag_last_to_top(album):
    album.select([3])
    album.drag(3, 0, "upper")


def up_forward_delete(album):
    """上へ, then ▶ on the picture page: one row highlighted, and 削除 removes that one."""
    album.select([2])
    album.button("上へ")
    album.expect_rows([1, 3, 2, 4], [1])
    album.page("picture")
    album.window.click(*BUTTONS["▶"])
    album.expect_rows([1, 3, 2, 4], [2])
    album.button("削除")


UNDOS = [
    ("削除 undone", delete_second, [1, 2, 3, 4], [1, 3, 4], [1]),
    ("クリア undone", lambda album: album.button("クリア"), [1, 2, 3, 4], [], []),
    ("a drag undone", drag_last_to_top, [1, 2, 3, 4], [4, 1, 2, 3], [0]),
    ("上へ, ▶ and 削除 undone", up_forward_delete, [1, 3, 2, 4], [1, 3, 4], [2]),
]


def undo_case(desktop, bin_folder, gesture, before, order, highlighted):
    album = Album(desktop, bin_folder, 4)
    try:
        album.start()
        note_on_third_photo(album)
        gesture(album)
        album.expect_rows(order, highlighted)
        album.window.key("ctrl+z")
        album.expect_rows(before)
        album.window.key("ctrl+y")
        album.expect_rows(order, highlighted)
        album.window.key("ctrl+z")
        album.expect_rows(before)
        expect("the saved order", album.save(), before)
        notes = album.note_files()
        expect("the photos with notes", sorted(notes), [3])
        expect("the note of p03", "note of p03" in notes[3], True)
    finally:
        album.close()


CASES = [(name, lambda d, b, row=row: drag_case(d, b, *row)) for name, *row in DRAGS] + [
    (name, lambda d, b, row=row: undo_case(d, b, *row)) for name, *row in UNDOS] + [
    ("a drag then 下へ", drag_then_down),
    ("a 200-character Japanese note wraps", note_wraps),
    ("size and maximised state kept", window_state),
]


def main():
    if len(sys.argv) < 2:
        print(__doc__ or "usage: real_pointer_test.py BIN_FOLDER [CASE ...]")
        return 2
    missing = missing_tools()
    if missing:
        print("missing tools (scripts/setup.sh installs them): " + " ".join(missing))
        return 1
    bin_folder, chosen = sys.argv[1], sys.argv[2:]
    passed = failed = 0
    desktop = Desktop()
    try:
        for name, case in CASES:
            if chosen and not any(c in name for c in chosen):
                continue
            begun = time.monotonic()
            try:
                case(desktop, bin_folder)
                passed += 1
                print("PASS %s (%.1f s)" % (name, time.monotonic() - begun), flush=True)
            except Exception:
                failed += 1
                print("FAIL %s\n%s" % (name, traceback.format_exc()), flush=True)
    finally:
        desktop.close()
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 and passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
