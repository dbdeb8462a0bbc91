# The window of the real-pointer suite as seen from outside: where its controls are, the rows,
# highlight, preview and note a screenshot shows, the album a save writes, and the test photos.
import glob
import os
import re
import shutil
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Program, distance, poll  # noqa: E402


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
TAB_MARKS = {"input": (235, 8), "picture": (318, 8), "naming": (400, 8)}  # white when chosen
PAGE = (227, 25)  # the pages' origin
PREVIEW = (PAGE[0] + 6 + 122, PAGE[1] + 6 + 122)
BUTTONS = {"ソート": (41, 404), "上へ": (112, 404), "下へ": (184, 404), "削除": (41, 438),
           "挿入": (112, 438), "クリア": (184, 438), "選択": (PAGE[0] + 298, PAGE[1] + 380),
           "右回転": (PAGE[0] + 299, PAGE[1] + 20), "左回転": (PAGE[0] + 299, PAGE[1] + 52),
           "上": (PAGE[0] + 288, PAGE[1] + 106), "下": (PAGE[0] + 288, PAGE[1] + 128),
           "▶": (PAGE[0] + 320, PAGE[1] + 170), "自動": (PAGE[0] + 36, PAGE[1] + 408),
           "指定": (PAGE[0] + 178, PAGE[1] + 408), "名前欄": (PAGE[0] + 274, PAGE[1] + 408),
           "保存": (PAGE[0] + 295, PAGE[1] + 405),
           "先頭固定部": (PAGE[0] + 199, PAGE[1] + 20)}
MEMO = (PAGE[0] + 6, PAGE[1] + 256, 334, 110)
# Places that a taller window does not move.
STAY = {"右回転", "左回転", "上", "下", "▶", "先頭固定部"}
OUTPUTS = (PAGE[0] + 10, PAGE[1] + 92, 328, 196)  # inside the naming page's list of names


def tinted(colour):
    """A thumbnail's colour on a selected row."""
    return tuple(round(c * 0.7 + s * 0.3) for c, s in zip(colour, SELECTION))


def nearest(colour, palette):
    best = min(range(len(palette)), key=lambda k: distance(colour, palette[k]))
    return best if distance(colour, palette[best]) < 40 else None


def names_pixels(shot):
    """The pixels of the naming page's list of names."""
    left, top, width, height = OUTPUTS
    return b"".join(shot.pixels[y * shot.line + left * shot.size:
                                y * shot.line + (left + width) * shot.size]
                    for y in range(top, top + height))


def memo_lines(shot):
    """The text lines the note box shows: bands of rows holding dark pixels (more than a text
    cursor's one)."""
    left, top, width, height = MEMO
    lines, inside = [], False
    for y in range(top + 2, top + height - 18):
        row = y * shot.line + shot.order[1]  # the green of each pixel is enough
        greens = shot.pixels[row + (left + 4) * shot.size:row + (left + width - 20) * shot.size:
                             shot.size]
        dark = sum(green < 100 for green in greens) > 2
        if dark and not inside:
            lines.append(y)
        inside = dark
    return lines


class Album:
    """One run of the program on a fresh program folder, with numbered photos p01.jpg... of the
    palette's colours."""

    def __init__(self, desktop, bin_folder, photos, height=DESIGN[1], settings="", taken=()):
        self.desktop = desktop
        self.program = Program(desktop, bin_folder)
        self.out = os.path.join(self.program.folder, "out")
        os.makedirs(self.out)
        folder = os.path.join(self.program.folder, "photos")
        self.photos = make_photos(folder, photos, taken)
        self.extra = height - DESIGN[1]
        self.program.write_settings(
            "[File]\nOut=%s/\nIn=%s\nNameDef=1\n[Option]\nWidth=%d\nHeight=%d\n%s"
            % (self.out, folder, DESIGN[0], height, settings))
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

    # --- what the window shows of the album, for undo and redo ---------------------------------
    def look(self):
        """What the window shows of the album: the list's rows with their highlight; on the
        picture page the photo shown, whether it stands upright and the note box's text lines; on
        the naming page the pixels of its list of names (each row's note place and name). It
        ends on the naming page, where no field holds an undo of its own."""
        shown = self.settled("picture", self.picture_look)
        names = self.settled("naming", names_pixels)
        return (self.rows(), *shown, names)

    def expect_look(self, look, what):
        """Waits for the window to show the album as look saw it."""
        rows, *shown, names = look
        try:
            self.expect_rows([n for n, _ in rows], [k for k, (_, h) in enumerate(rows) if h])
            self.page("picture")
            self.window.park()
            poll("the picture page", lambda: self.picture_look(self.window.shot()) == tuple(shown),
                 timeout=10)
            self.page("naming")
            self.window.park()
            poll("the names", lambda: names_pixels(self.window.shot()) == names, timeout=10)
        except AssertionError as error:
            raise AssertionError("%s: %s" % (what, error))

    def settled(self, page, read):
        """Shows the page and reads it once two screenshots in a row agree."""
        self.page(page)
        self.window.park()
        last = []

        def probe():
            shot = self.window.shot()
            if distance(shot.at(*TAB_MARKS[page]), WHITE) > 6:
                return None
            value = read(shot)
            agreed = last == [value]
            last[:] = [value]
            return agreed and [value]

        return poll("the %s page settled" % page, probe, timeout=10)[0]

    def picture_look(self, shot):
        """The photo the preview shows, whether it is taller than wide, the note's lines."""
        x, y = self.preview_point()
        colour = shot.at(x, y)
        up = left = 0
        while distance(shot.at(x, y - up - 1), colour) < 30 and up < 200:
            up += 1
        while distance(shot.at(x - left - 1, y), colour) < 30 and left < 200:
            left += 1
        return (nearest_photo(colour), up > left, len(memo_lines(shot)))

    # --- gestures --------------------------------------------------------------------------
    def select(self, rows):
        """A click on the first row, Ctrl+clicks on the others."""
        self.window.click(*self.row_point(rows[0]))
        for row in rows[1:]:
            self.window.click(*self.row_point(row), modifiers=("ctrl",))

    def drag(self, row, to_row, where):
        self.window.drag(self.row_point(row), self.row_point(to_row, where))

    def button(self, caption):
        place = BUTTONS[caption]
        self.window.click(*(place if caption in STAY else self.below(place)))

    def choose(self, place, items_down):
        """Opens the context menu at place with the right button and takes its item so many
        places down (disabled items count) with the keys."""
        shown = self.window.popups()
        self.window.click(*place, button=3)
        poll("the menu shown", lambda: self.window.popups() > shown, timeout=10)
        self.window.key(*["Down"] * items_down, "Return")
        poll("the menu closed", lambda: self.window.popups() == shown, timeout=10)

    def open_folder(self):
        """選択 on the input page: the photo folder of the settings comes in."""
        self.page("input")
        self.button("選択")
        self.expect_rows(list(range(1, len(self.photos) + 1)))

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
        """Saves from the naming page and returns the album's photos in page order, each known by
        its content (a page named pNN must hold photo NN)."""
        # The record is written as a save starts, so only the index (placed last) and the
        # notice that follows tell that the save is done; an earlier album would pass for it.
        self.forget_saved()
        self.page("naming")
        self.window.click(*self.below(BUTTONS["保存"]))
        poll("the album saved", lambda: os.path.exists(os.path.join(self.out, "無題.htm"))
             and self.notice_shown(), timeout=60)
        order = []
        for photo, name, *_ in self.saved_pages():
            if re.fullmatch(r"p\d\d", name) and photo != int(name[1:]):
                raise AssertionError("the page %s holds photo %s" % (name, photo))
            order.append(photo)
        return order

    def saved_pages(self):
        """The album a save wrote, page by page: (photo by content, page name, upright: taller
        than wide, the note's text, whether the note stands above the photo)."""
        with open(os.path.join(self.out, "無題.htm"), encoding="utf-8") as page:
            names = re.findall(r'Fname\[\d+\]="([^"]*)"', page.read())
        pages = []
        for name in names:
            picture = os.path.join(self.out, "無題.files", name + ".jpg")
            width, height = jpeg_size(picture)
            text = ""  # a photo without a note has no page of its own
            if os.path.exists(os.path.join(self.out, "無題.files", name + ".htm")):
                with open(os.path.join(self.out, "無題.files", name + ".htm"),
                          encoding="utf-8") as page:
                    text = page.read()
            above, below = (note_text(text, "note-" + side) for side in ("above", "below"))
            pages.append((nearest_photo(middle_colour(picture)), name, height > width,
                          above or below, bool(above)))
        return pages

    def notice_shown(self):
        """Whether the save's notice is shown: the window has grown by its height."""
        return self.window.geometry()[3] > DESIGN[1] + self.extra

    def forget_saved(self):
        """Removes the album saved, so the next save writes anew without a question."""
        shutil.rmtree(os.path.join(self.out, "無題.files"), ignore_errors=True)
        if os.path.exists(os.path.join(self.out, "無題.htm")):
            os.remove(os.path.join(self.out, "無題.htm"))

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


def make_photos(folder, count, taken=()):
    """Photos p01.jpg... of the palette's colours, 80x60; taken lists photo numbers in the order
    they were taken (an EXIF capture date each), the others have none."""
    os.makedirs(folder)
    paths = []
    for k in range(count):
        ppm = b"P6 80 60 255\n" + bytes(PALETTE[k]) * (80 * 60)
        jpeg = subprocess.run(["cjpeg", "-quality", "95"], input=ppm, capture_output=True,
                              check=True).stdout
        if k + 1 in taken:
            when = "2026:05:%02d 10:00:00" % (1 + list(taken).index(k + 1))
            jpeg = jpeg[:2] + exif_taken(when) + jpeg[2:]
        path = os.path.join(folder, "p%02d.jpg" % (k + 1))
        with open(path, "wb") as out:
            out.write(jpeg)
        paths.append(path)
    return paths


def exif_taken(when):
    """An EXIF segment (APP1) holding only a capture date, DateTimeOriginal "YYYY:MM:DD hh:mm:ss":
    a big-endian TIFF block whose first directory points to the EXIF directory."""
    text = when.encode("ascii") + b"\0"
    tiff = b"MM\0\x2a" + struct.pack(">I", 8)
    first = struct.pack(">HHHII", 1, 0x8769, 4, 1, 26) + struct.pack(">I", 0)  # at 8
    exif = struct.pack(">HHHII", 1, 0x9003, 2, len(text), 44) + struct.pack(">I", 0)  # at 26
    body = b"Exif\0\0" + tiff + first + exif + text  # the date at 44
    return b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body


def nearest_photo(colour):
    number = nearest(colour, PALETTE)
    return None if number is None else number + 1


def jpeg_size(jpeg):
    header = subprocess.run(["djpeg", "-pnm", jpeg], capture_output=True, check=True).stdout
    parts = header.split(maxsplit=3)
    return int(parts[1]), int(parts[2])


def note_text(page, place):
    """The text of a page's note box of that class, its lines joined by line ends."""
    found = re.search(r'<div class="note %s">(.*?)</div>' % place, page, re.S)
    flat = re.sub(r"<[^>]*>", "\n", found.group(1)) if found else ""
    return "\n".join(line.strip() for line in flat.splitlines() if line.strip())


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
