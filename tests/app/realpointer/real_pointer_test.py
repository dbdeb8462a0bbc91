#!/usr/bin/env python3
# Albumon's window under a real X server and window manager, driven by the real pointer and
# keyboard (xdotool) and judged from outside: the rows a screenshot shows, the album a save
# writes and the settings file. Usage: real_pointer_test.py BIN_FOLDER [CASE ...]
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, missing_tools, poll, run_cases  # noqa: E402
from window_view import *  # noqa: E402,F401,F403


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


# Each kind of step undone and redone, in one program for all rows. The list starts empty (the
# album saved by the row before) and most rows fill it with 選択 (p01-p04, taken in the order
# p03 p01 p04 p02) and type a note for p03. Then the row's own preparation and its step; the undo
# (Ctrl+Z; the same right after the step's button or in the head text field; "元に戻す: ..." in
# the list's menu) must show the window as before the step, the redo (Ctrl+Y or Ctrl+Shift+Z) as
# after it. The album saved last, after one more undo or right after the redo, must hold what the
# row says: the photos by content in order, with their names, turns and notes.
TAKEN = [3, 1, 4, 2]
NOTE = "note of p03"


def album_of(order, noted=True, **changed):
    """The pages a save writes: (photo, name, upright, note, note above) for the photos in order,
    named pNN, lying as taken, p03 with NOTE below it; changed gives other values as field and
    photo number: name3="kenji", upright3=True, above3=True, note3="..."."""
    pages = []
    for photo in order:
        page = {"name": "p%02d" % photo, "upright": False,
                "note": NOTE if noted and photo == 3 else "", "above": False}
        for field in page:
            page[field] = changed.get("%s%d" % (field, photo), page[field])
        pages.append((photo, *page.values()))
    return pages


def filled(album):
    album.open_folder()
    note_on_third_photo(album)


def restart_with_photos(album):
    """The program ends and starts again with the photos on its command line."""
    album.program.close(album.window)
    album.start()


def drag_last_to_top(album):
    album.select([3])
    album.drag(3, 0, "upper")


def up_and_forward(album):
    """上へ, then ▶ on the picture page: one row highlighted, the one 削除 removes."""
    filled(album)
    album.button("上へ")
    album.expect_rows([1, 3, 2, 4], [1])
    album.page("picture")
    album.button("▶")
    album.expect_rows([1, 3, 2, 4], [2])


def on_picture_page(*captions):
    def press(album):
        album.page("picture")
        for caption in captions:
            album.button(caption)
    return press


def name_typed(album):
    on_picture_page("指定", "名前欄")(album)
    album.window.key("ctrl+a")
    album.window.type("kenji")


def note_typed(album):
    """More lines for p03's note in one visit of its entry: typed, then more in another place."""
    album.page("picture")
    album.window.click(*album.memo_point())
    album.window.key("ctrl+End")
    album.window.type(" more")
    album.window.key("Return")
    album.window.type("second line")
    album.window.click(*album.memo_point())
    album.window.type("!")


def sort_by_date(album):
    album.choose(BUTTONS["ソート"], 2)


AT_ONCE = "ctrl+z at once"  # the undo key right after the step's button
MENU = "元に戻す in the list's menu"
IN_FIELD = "ctrl+z in the head text field"  # a field with nothing typed to undo of its own

# name, preparation, step, undo, redo, the album saved after ("undone" or "redone"), what it holds
UNDOS = [
    ("command line", None, restart_with_photos, "ctrl+z", "ctrl+y", "redone",
     album_of([1, 2, 3, 4], noted=False)),
    ("選択", None, Album.open_folder, "ctrl+z", "ctrl+shift+z", "redone",
     album_of([1, 2, 3, 4], noted=False)),
    ("削除", lambda album: (filled(album), album.select([1])), lambda album: album.button("削除"),
     "ctrl+z", "ctrl+y", "undone", album_of([1, 2, 3, 4])),
    ("挿入", filled, lambda album: album.button("挿入"), "ctrl+z", "ctrl+shift+z", "undone",
     album_of([1, 2, 3, 4])),
    ("クリア", filled, lambda album: album.button("クリア"), IN_FIELD, "ctrl+y", "undone",
     album_of([1, 2, 3, 4])),
    ("上へ", filled, lambda album: album.button("上へ"), AT_ONCE, "ctrl+y", "redone",
     album_of([1, 3, 2, 4])),
    ("下へ", filled, lambda album: album.button("下へ"), MENU, "ctrl+shift+z", "undone",
     album_of([1, 2, 3, 4])),
    ("a drag", lambda album: (filled(album), album.select([3])),
     lambda album: album.drag(3, 0, "upper"), "ctrl+z", "ctrl+y", "redone",
     album_of([4, 1, 2, 3])),
    ("ソート", lambda album: (filled(album), drag_last_to_top(album)),
     lambda album: album.button("ソート"), "ctrl+z", "ctrl+shift+z", "undone",
     album_of([4, 1, 2, 3])),
    ("撮影日時順", filled, sort_by_date, "ctrl+z", "ctrl+y", "redone", album_of([3, 1, 4, 2])),
    ("右回転", filled, on_picture_page("右回転"), "ctrl+z", "ctrl+shift+z", "redone",
     album_of([1, 2, 3, 4], upright3=True)),
    ("左回転", lambda album: (filled(album), on_picture_page("右回転")(album)),
     on_picture_page("左回転"), "ctrl+z", "ctrl+y", "undone",
     album_of([1, 2, 3, 4], upright3=True)),
    ("メモ位置", filled, on_picture_page("上"), "ctrl+z", "ctrl+shift+z", "redone",
     album_of([1, 2, 3, 4], above3=True)),
    ("naming mode", filled, on_picture_page("自動"), "ctrl+z", "ctrl+y", "redone",
     album_of([1, 2, 3, 4], name3="無題001")),
    ("a name typed", filled, name_typed, "ctrl+z", "ctrl+shift+z", "undone",
     album_of([1, 2, 3, 4])),
    ("a note typed", filled, note_typed, "ctrl+z", "ctrl+y", "undone", album_of([1, 2, 3, 4])),
    ("削除 after 上へ and ▶", up_and_forward, lambda album: album.button("削除"), "ctrl+z",
     "ctrl+y", "undone", album_of([1, 3, 2, 4])),
]


class UndoProgram:
    """The program the undo rows share; a row that fails ends it and the next starts another."""
    album = None

    @classmethod
    def end(cls):
        if cls.album is not None:
            cls.album.close()
            cls.album = None


def undo(album, how):
    if how == MENU:
        rows = album.rows()
        album.choose(album.row_point([k for k, (_, h) in enumerate(rows) if h][0]), 1)
        return
    if how == IN_FIELD:
        album.page("naming")
        album.button("先頭固定部")
    album.window.key("ctrl+z")


def undo_case(desktop, bin_folder, prepare, step, how, redo, end, saved):
    if UndoProgram.album is None:
        started = Album(desktop, bin_folder, 4, taken=TAKEN)
        started.start(with_photos=False)
        UndoProgram.album = started
    album = UndoProgram.album
    done = False
    try:
        album.forget_saved()
        if prepare:
            prepare(album)
        before = album.look()
        step(album)
        if how == AT_ONCE:
            undo(album, how)
            album.expect_look(before, "undone")
            album.window.key(redo)
            after = album.look()
        else:
            after = album.look()
            undo(album, how)
            album.expect_look(before, "undone")
            album.window.key(redo)
            album.expect_look(after, "redone")
        if after == before:
            raise AssertionError("the step changed nothing the window shows")
        if end == "undone":
            undo(album, "ctrl+z")
            album.expect_look(before, "undone again")
        album.save()
        expect("the album saved " + end, album.saved_pages(), saved)
        done = True
    finally:
        if not done:
            UndoProgram.end()


# The undo rows come last: their program stays open from one row to the next.
CASES = [(name, lambda d, b, row=row: drag_case(d, b, *row)) for name, *row in DRAGS] + [
    ("a drag then 下へ", drag_then_down),
    ("a 200-character Japanese note wraps", note_wraps),
    ("size and maximised state kept", window_state),
] + [(name + " undone and redone", lambda d, b, row=row: undo_case(d, b, *row))
     for name, *row in UNDOS]


def main():
    if len(sys.argv) < 2:
        print(__doc__ or "usage: real_pointer_test.py BIN_FOLDER [CASE ...]")
        return 2
    missing = missing_tools()
    if missing:
        print("missing tools (scripts/setup.sh installs them): " + " ".join(missing))
        return 1
    bin_folder, chosen = sys.argv[1], sys.argv[2:]
    desktop = Desktop()
    try:
        return run_cases(CASES, chosen, lambda case: case(desktop, bin_folder))
    finally:
        UndoProgram.end()
        desktop.close()


if __name__ == "__main__":
    sys.exit(main())
