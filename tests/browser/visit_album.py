#!/usr/bin/env python3
"""Visits an album made by albumon-make with the default template as a visitor would, in
Chromium driven by Selenium from file://: the grid, the viewer of pictures without a page (keys,
swipe, Esc, fragments, reload, the back button), the picture pages and their notes, commentary
pages, keyboard use, tap targets, contrast in light and dark mode, layout shifts, horizontal
scrolling on a phone and script errors; then albums whose head text looks like markup.

Usage: visit_album.py ALBUMON_MAKE TEMPLATE_DIR [--screenshots OUTDIR]
"""

import base64
import functools
import http.server
import os
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import urllib.request

from selenium import webdriver
from selenium.common.exceptions import TimeoutException, WebDriverException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

from browser_checks import CONTRAST_JS, FOCUS_JS, SHIFTS_JS, TARGETS_JS, Failure, check

HEAD = "春の 旅 #2 100%"
DESKTOP, PHONE, SMALL_PHONE = (1366, 900), (390, 844), (390, 640)

# The album in order: (output name, source size, note place, note lines); None as the size
# marks the commentary entry, whose output name the album gives (head + running number).
ENTRIES = [
    ("海 の朝", (1600, 1200), "above", ["朝の海。", "波の音がした"]),
    ("a#1 50%", (900, 1200), None, None),
    (HEAD + "001", None, "below", ["<b>解説</b>の一行目", "二行目 <i>斜体</i>", "", "四行目"]),
    ("京都", (1600, 700), "below", ["<b>BELOW</b> 一行目", "二行目<br>", "三行目",
                                    "<ul><li>項目</li></ul>"]),
    ("夜 #3", (800, 800), None, None),
    ("終わり%", (1000, 750), None, None),
]
# The lines each note shows, as the browser renders them.
SHOWN_LINES = {
    0: ["朝の海。", "波の音がした"],
    2: ["解説の一行目", "二行目 斜体", "", "四行目"],
    3: ["BELOW 一行目", "二行目", "三行目", "項目"],
}
COMMENTARY = 2
# The web server holds back entry 0's photo, so that it arrives after the page was drawn.
SLOW = 0
# Head texts that a page reading them as markup would break.
MARKUP_HEADS = ["<b>", "<!--", 'My "best" trip', "<!--<script>x"]


def file_url(path):
    return "file://" + urllib.request.pathname2url(path)


def start_browser(work):
    options = webdriver.ChromeOptions()
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                     "--disable-background-networking", "--disable-component-update",
                     "--no-first-run", f"--user-data-dir={work}/profile",
                     "--window-size=%d,%d" % DESKTOP):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_page_load_timeout(60)
    return driver


def set_size(driver, size):
    """Makes the page's viewport exactly size, on a phone-like touch screen for the phone."""
    phone = size[0] == PHONE[0]
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": size[0], "height": size[1], "deviceScaleFactor": 1, "mobile": phone})
    driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": phone})


def set_dark(driver, dark):
    driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"features": [
        {"name": "prefers-color-scheme", "value": "dark" if dark else "light"}]})


def jpeg(driver, size):
    """A JPEG of size drawn by the browser: a gradient with a disc."""
    driver.get("about:blank")
    data = driver.execute_script("""
        var c = document.createElement('canvas');
        c.width = arguments[0]; c.height = arguments[1];
        var g = c.getContext('2d');
        var fill = g.createLinearGradient(0, 0, c.width, c.height);
        fill.addColorStop(0, '#2f5d8a'); fill.addColorStop(1, '#e3a857');
        g.fillStyle = fill; g.fillRect(0, 0, c.width, c.height);
        g.fillStyle = 'rgba(255,255,255,0.5)';
        g.beginPath(); g.arc(c.width / 3, c.height / 3, c.height / 5, 0, 7); g.fill();
        return c.toDataURL('image/jpeg', 0.9).split(',')[1];""", *size)
    return base64.b64decode(data)


def make_album(driver, make, template, out, head, entries):
    """Makes the album of entries with head text head into out; returns the index page."""
    sources = os.path.join(out, "in")
    os.makedirs(sources, exist_ok=True)
    command = [make, "-q", "-o", out, "--head", head, "--template", template,
               "--thumb-size", "40"]
    for k, (name, size, place, lines) in enumerate(entries):
        note = None
        if lines is not None:
            note = os.path.join(sources, f"note{k}.txt")
            with open(note, "wb") as f:
                f.write("".join(line + "\r\n" for line in lines).encode("utf-8"))
        if size is None:
            command += ["--comment", note]
            continue
        source = os.path.join(sources, name + ".jpg")
        with open(source, "wb") as f:
            f.write(jpeg(driver, size))
        command += [source, "--keep"]
        if note:
            command += ["--note-" + place, note]
    result = subprocess.run(command, capture_output=True, timeout=120)
    check(result.returncode == 0,
          f"albumon-make ended with {result.returncode}: {result.stderr.decode()}")
    return os.path.join(out, head + ".htm")


class Visit:
    """The browser on one album, with the checks every page view gets."""

    def __init__(self, driver, index):
        self.driver = driver
        self.index = index
        self.folder = index[:-len(".htm")] + ".files"

    def page_url(self, k):
        return file_url(os.path.join(self.folder, ENTRIES[k][0] + ".htm"))

    def fragment(self, k):
        return "#photo=" + urllib.parse.quote(ENTRIES[k][0], safe="")

    def wait(self, condition, what, timeout=10):
        try:
            return WebDriverWait(self.driver, timeout).until(lambda d: condition())
        except TimeoutException:
            raise Failure(f"timed out waiting for {what} (at {self.driver.current_url})")

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def errors(self):
        """Script errors and failed loads the pages logged since the last call."""
        return [entry["message"] for entry in self.driver.get_log("browser")
                if entry["level"] == "SEVERE"]

    def open(self, url):
        self.driver.get(url)
        self.settled()

    def settled(self):
        """Waits until the page is complete, its pictures loaded and it shows itself."""
        self.wait(lambda: self.js("""
            if (document.readyState !== 'complete') return false;
            if (document.body.classList.contains('settling')) return false;
            var images = document.images;
            for (var i = 0; i < images.length; i++)
                if (images[i].getAttribute('src') && !images[i].complete) return false;
            return true;"""), "the page to settle")

    def where(self):
        """The entry on show: ('page', k) on a picture page, ('viewer', k) in the viewer,
        ('grid', None) on the index page's grid; from file:// or a web server."""
        path = urllib.parse.unquote(urllib.parse.urlsplit(self.driver.current_url).path)
        folder = "/" + os.path.basename(self.folder) + "/"
        if path.endswith("/" + os.path.basename(self.index)):
            if not self.js("var d = document.querySelector('dialog.viewer');"
                           "return !!(d && d.open);"):
                return ("grid", None)
            # The viewer names its picture by its place: "k / n".
            shown = self.js("return document.querySelector('.viewer-position').textContent;")
            place = shown.split(" / ")[0]
            check(place.isdigit() and 0 < int(place) <= len(ENTRIES),
                  f"the viewer shows {shown!r}")
            return ("viewer", int(place) - 1)
        for k, entry in enumerate(ENTRIES):
            if path.endswith(folder + entry[0] + ".htm"):
                return ("page", k)
        raise Failure(f"the browser is at {self.driver.current_url}")

    def key(self, key):
        ActionChains(self.driver).send_keys(key).perform()

    def common_checks(self, label):
        """What holds for every view: no script errors, no layout shift, no horizontal
        scrolling."""
        errors = self.errors()
        check(not errors, f"{label}: the page logged errors:\n" + "\n".join(errors))
        shifts = self.driver.execute_async_script(SHIFTS_JS)
        check(not shifts, f"{label}: elements moved after the page was shown: {shifts}")
        width = self.js("return [document.documentElement.scrollWidth,"
                        " document.documentElement.clientWidth];")
        check(width[0] <= width[1], f"{label}: scrolls sideways ({width[0]} > {width[1]} px)")


def check_grid(visit, size):
    visit.open(file_url(visit.index))
    visit.common_checks(f"index at {size[0]} px")
    check(visit.js("return document.getElementById('album-heading').textContent;") == HEAD,
          "the index page's heading is not the head text")
    cards = visit.driver.find_elements(By.CSS_SELECTOR, "#album-grid .card-link")
    check(len(cards) == len(ENTRIES), f"the grid shows {len(cards)} of {len(ENTRIES)} entries")
    for k, card in enumerate(cards):
        thumb = card.find_element(By.TAG_NAME, "img")
        size_ = visit.js("var r = arguments[0].getBoundingClientRect();"
                         "return [arguments[0].naturalWidth, r.width];", thumb)
        check(size_[0] > 0, f"the thumbnail of {ENTRIES[k][0]} did not load")
        check(size_[1] <= 2 * size_[0] + 0.5,
              f"the thumbnail of {ENTRIES[k][0]} is drawn {size_[1]} px wide from {size_[0]} px")


def check_viewer_from_grid(visit):
    """Opens a picture without a page from the scrolled grid of a small phone, swipes, closes
    with Esc and with the close button; the grid keeps its scroll position."""
    set_size(visit.driver, SMALL_PHONE)
    check_grid(visit, SMALL_PHONE)
    visit.js("window.scrollTo(0, document.documentElement.scrollHeight);")
    scrolled = visit.js("return window.scrollY;")
    check(scrolled > 0, "the phone grid of six entries does not scroll")
    cards = visit.driver.find_elements(By.CSS_SELECTOR, "#album-grid .card-link")
    cards[4].click()
    visit.wait(lambda: visit.where() == ("viewer", 4), "the viewer to show the card's picture")
    check(visit.driver.current_url.endswith(visit.fragment(4)),
          f"the viewer's URL has no fragment for its picture: {visit.driver.current_url}")
    photo = visit.driver.find_element(By.CSS_SELECTOR, ".viewer-photo")
    visit.wait(lambda: visit.js("return arguments[0].complete && arguments[0].naturalWidth;",
                                photo), "the viewer's photo")
    check(photo.get_attribute("alt") == ENTRIES[4][0], "the viewer's photo has no alt text")

    visit.common_checks("viewer on a phone")
    check(not visit.js(TARGETS_JS), f"small tap targets in the viewer: {visit.js(TARGETS_JS)}")
    swipe(visit, -150)
    visit.wait(lambda: visit.where() == ("viewer", 5), "a swipe to the left to show the next")
    swipe(visit, 150)
    visit.wait(lambda: visit.where() == ("viewer", 4), "a swipe to the right to go back")
    visit.key(Keys.ESCAPE)
    visit.wait(lambda: visit.where() == ("grid", None), "Esc to close the viewer")
    check("#" not in visit.driver.current_url, "the fragment stays after the viewer closed")
    check(visit.js("return window.scrollY;") == scrolled,
          f"the grid lost its scroll position {scrolled} -> {visit.js('return window.scrollY;')}")
    check(visit.js("return document.activeElement.closest('#entry-5') !== null;"),
          "the focus is not back on the card of the picture shown last")
    scrolled = visit.js("arguments[0].scrollIntoView({block: 'center'}); return scrollY;",
                        cards[1])
    cards[1].click()
    visit.wait(lambda: visit.where() == ("viewer", 1), "the viewer to open on a second card")
    visit.driver.find_element(By.CSS_SELECTOR, ".viewer-close").click()
    visit.wait(lambda: visit.where() == ("grid", None), "the close button to close the viewer")
    check(visit.js("return window.scrollY;") == scrolled, "the grid lost its scroll position")
    visit.common_checks("grid after the viewer")
    set_size(visit.driver, DESKTOP)


def swipe(visit, dx):
    """A one-finger horizontal swipe of dx px across the middle of the window."""
    x, y = SMALL_PHONE[0] / 2 - dx / 2, SMALL_PHONE[1] / 2
    for kind, at in (("touchStart", x), ("touchMove", x + dx / 2), ("touchEnd", x + dx)):
        points = [] if kind == "touchEnd" else [{"x": at, "y": y}]
        visit.driver.execute_cdp_cmd("Input.dispatchTouchEvent",
                                     {"type": kind, "touchPoints": points})


def check_walk(visit):
    """Steps through the whole album with the arrow keys from the first page to the last
    picture and back, across pages and the viewer; the browser's back button and a reload
    land on the picture shown."""
    visit.open(visit.page_url(0))
    path = [0]
    for direction, key in ((1, Keys.ARROW_RIGHT), (-1, Keys.ARROW_LEFT)):
        while 0 <= path[-1] + direction < len(ENTRIES):
            k = path[-1] + direction
            visit.key(key)
            expected = ("page" if ENTRIES[k][2] else "viewer", k)
            visit.wait(lambda: visit.where() == expected, f"{key!r} to lead to {expected}")
            visit.settled()
            path.append(k)
    check(path == list(range(len(ENTRIES))) + list(range(len(ENTRIES) - 2, -1, -1)),
          f"the keys walked {path}")
    check(not visit.errors(), "errors while walking the album")
    # Reload and back on a fragment of the viewer.
    visit.open(file_url(visit.index) + visit.fragment(5))
    check(visit.where() == ("viewer", 5), "a shared link to a picture does not show it")
    visit.driver.refresh()
    visit.settled()
    check(visit.where() == ("viewer", 5), "a reload does not land on the picture shown")
    visit.key(Keys.ARROW_LEFT)
    visit.wait(lambda: visit.where() == ("viewer", 4), "← in the viewer")
    visit.key(Keys.ARROW_LEFT)
    visit.wait(lambda: visit.where() == ("page", 3), "← from the viewer to a page")
    visit.driver.back()
    visit.wait(lambda: visit.where() == ("viewer", 4), "back from the page to the viewer")
    visit.settled()
    check(visit.driver.current_url.endswith(visit.fragment(4)), "back lost the fragment")
    visit.open(visit.page_url(3))
    visit.key(Keys.ESCAPE)
    visit.wait(lambda: visit.where() == ("grid", None), "Esc on a page to lead to the grid")
    visit.settled()
    check(visit.js("return document.activeElement.closest('#entry-4') !== null;"),
          "Esc on a page does not come back to its card")


def check_pages(visit, size):
    """Every picture page: position, notes as written, alt text, commentary as text."""
    for k, (name, _, place, lines) in enumerate(ENTRIES):
        if not place:
            continue
        visit.open(visit.page_url(k))
        label = f"{name}.htm at {size[0]} px"
        visit.common_checks(label)
        check(visit.js("return document.getElementById('position').textContent;")
              == str(k + 1), f"{label}: wrong position")
        check(visit.js("return document.getElementById('album-heading').textContent;") == HEAD,
              f"{label}: the head text is not shown in the top bar")
        note = visit.driver.find_element(By.CSS_SELECTOR, f".note-{place} td")
        shown = [line.strip() for line in note.get_property("innerText").strip().split("\n")]
        check(shown == SHOWN_LINES[k], f"{label}: the note shows the lines {shown}")
        if any("<b>" in line for line in lines):
            check(note.find_elements(By.TAG_NAME, "b"), f"{label}: the note's markup is lost")
        other = "below" if place == "above" else "above"
        check(not visit.driver.find_element(By.CSS_SELECTOR, f".note-{other}").is_displayed(),
              f"{label}: the note also stands {other} the picture")
        photo = visit.driver.find_element(By.ID, "photo")
        if k == COMMENTARY:
            check(not photo.is_displayed() and note.is_displayed(),
                  f"{label}: the commentary page shows its card instead of reading as text")
        else:
            check(photo.get_attribute("alt") == SHOWN_LINES[k][0],
                  f"{label}: the photo's alt text is {photo.get_attribute('alt')!r}")
            box = visit.js("var r = arguments[0].getBoundingClientRect();"
                           "return [r.width, r.height, arguments[0].naturalWidth,"
                           " arguments[0].naturalHeight];", photo)
            check(abs(box[0] / box[1] - box[2] / box[3]) < 0.02,
                  f"{label}: the photo is drawn out of shape {box}")


def check_looks(visit, size):
    """Contrast of every text node in light and dark mode and tap targets, on the grid, in
    the viewer, on a page with a note and on the commentary page."""
    views = [file_url(visit.index), file_url(visit.index) + visit.fragment(1),
             visit.page_url(3), visit.page_url(COMMENTARY)]
    for dark in (False, True):
        set_dark(visit.driver, dark)
        for url in views:
            visit.open(url)
            label = f"{urllib.parse.unquote(url.rsplit('/', 1)[1])} at {size[0]} px" + \
                (" dark" if dark else "")
            checked, failures = visit.js(CONTRAST_JS)
            check(checked > 2 and not failures, f"{label}: text below 4.5:1: {failures}")
            if size == PHONE:
                small = visit.js(TARGETS_JS)
                check(not small, f"{label}: tap targets below 44 px: {small}")
    set_dark(visit.driver, False)


def back_tab(visit):
    ActionChains(visit.driver).key_down(Keys.SHIFT).send_keys(Keys.TAB).key_up(Keys.SHIFT) \
        .perform()


def check_keyboard(visit):
    """Tab reaches every control of the grid, of a page and of the viewer, with a focus ring."""
    def tab_through(count):
        seen = []
        for _ in range(count):
            visit.key(Keys.TAB)
            label, ring = visit.js(FOCUS_JS)
            check(ring, f"{label} has no visible focus ring")
            seen.append(label)
        return seen

    visit.open(file_url(visit.index))
    visit.driver.find_element(By.ID, "album-heading").click()  # the page has the focus
    seen = tab_through(len(ENTRIES))
    check(len(set(seen)) == len(ENTRIES) and all(s.startswith("A:") for s in seen),
          f"Tab on the grid reached {seen}")
    back_tab(visit)
    visit.key(Keys.ENTER)  # on the fifth card, a picture without a page
    visit.wait(lambda: visit.where() == ("viewer", 4), "Enter on a card to open the viewer")
    seen = [visit.js(FOCUS_JS)[0]] + tab_through(3)
    check(["閉じる" in seen[0], "元の写真" in seen[1], "前の写真" in seen[2],
           "次の写真" in seen[3]] == [True] * 4, f"Tab in the viewer reached {seen}")
    visit.open(visit.page_url(3))
    visit.driver.find_element(By.ID, "album-heading").click()
    back_tab(visit)
    seen = [visit.js(FOCUS_JS)[0]] + tab_through(5)
    for control in ("一覧へ", "前へ", "一覧", "次へ"):
        check(any(control in s for s in seen), f"Tab on a page did not reach {control}: {seen}")


def check_markup_heads(driver, make, template, work):
    """Albums whose head text looks like markup still work: heading, grid, page."""
    for n, head in enumerate(MARKUP_HEADS):
        entries = [("写真 #1", (640, 480), "below", ["メモ"]), ("写真 2", (480, 640), None, None)]
        index = make_album(driver, make, template, os.path.join(work, f"head{n}"), head,
                           entries)
        visit = Visit(driver, index)
        visit.open(file_url(index))
        check(not visit.errors(), f"head {head!r}: the index page logged errors")
        check(visit.js("return document.getElementById('album-heading').textContent;") == head,
              f"head {head!r}: the heading does not show it")
        check(len(driver.find_elements(By.CSS_SELECTOR, ".card-link img:not(.missing)")) == 2,
              f"head {head!r}: the grid does not show both thumbnails")
        check(driver.title == head, f"head {head!r}: the window title is {driver.title!r}")
        visit.open(file_url(os.path.join(visit.folder, "写真 #1.htm")))
        check(not visit.errors(), f"head {head!r}: the page logged errors")
        check(visit.js("return document.getElementById('album-heading').textContent;") == head,
              f"head {head!r}: the page's top bar does not show it")
        # With a srcset the natural width is the chosen candidate's, scaled to its slot: the
        # photo has loaded when it is complete with a width.
        check(visit.js("var p = document.getElementById('photo');"
                       "return p.complete && p.naturalWidth > 0 && p.currentSrc.endsWith("
                       "'%E5%86%99%E7%9C%9F%20%231.jpg');"),
              f"head {head!r}: the page's photo did not load")


def resources(visit):
    return visit.js("return performance.getEntriesByType('resource')"
                    ".map(function(e) { return decodeURIComponent(e.name); });")


def check_server(visit):
    """The album served by a web server: a page whose photo comes late does not move, the
    viewer on a fragment preloads the next picture, the pages load nothing from elsewhere, the
    keys walk between viewer and page."""
    slow = "/" + urllib.parse.quote(ENTRIES[SLOW][0] + ".jpg")

    class Quiet(http.server.SimpleHTTPRequestHandler):
        def do_GET(self):
            if self.path.endswith(slow):
                time.sleep(1.5)
            super().do_GET()

        def log_message(self, *args):
            pass

    handler = functools.partial(Quiet, directory=os.path.dirname(visit.index))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    try:
        base = f"http://127.0.0.1:{server.server_address[1]}/"
        index = base + urllib.parse.quote(os.path.basename(visit.index))
        visit.open(index)
        visit.open(base + urllib.parse.quote(os.path.basename(visit.folder) + "/" +
                                             ENTRIES[SLOW][0] + ".htm"))
        visit.common_checks("page served with its photo late")
        visit.open(index + visit.fragment(4))
        check(visit.where() == ("viewer", 4), "served, a link to a picture does not show it")
        # One neighbour is preloaded: the one a step forward shows.
        visit.wait(lambda: any(name.endswith("/" + ENTRIES[5][0] + ".jpg")
                               for name in resources(visit)),
                   f"the viewer to preload the neighbour {ENTRIES[5][0]}")
        visit.open(index + visit.fragment(1))
        check(visit.where() == ("viewer", 1), "served, a link to a picture does not show it")
        visit.common_checks("viewer served")
        visit.key(Keys.ARROW_RIGHT)
        visit.wait(lambda: visit.where() == ("page", 2), "served, → from the viewer to a page")
        visit.settled()
        visit.common_checks("page served")
        foreign = [name for name in resources(visit) if not name.startswith(base)]
        check(not foreign, f"served, the page loads resources from elsewhere: {foreign}")
        visit.key(Keys.ARROW_LEFT)
        visit.wait(lambda: visit.where() == ("viewer", 1), "served, ← from the page to the viewer")
    finally:
        server.shutdown()
        server.server_close()


def save_screenshots(visit, out):
    os.makedirs(out, exist_ok=True)
    views = [("index", file_url(visit.index)),
             ("viewer", file_url(visit.index) + visit.fragment(1)),
             ("note-above", visit.page_url(0)), ("note-below-markup", visit.page_url(3)),
             ("commentary", visit.page_url(COMMENTARY))]
    for size in (DESKTOP, PHONE):
        set_size(visit.driver, size)
        for dark in (False, True):
            set_dark(visit.driver, dark)
            for name, url in views:
                visit.open(url)
                time.sleep(0.2)
                shot = f"{name}-{size[0]}x{size[1]}{'-dark' if dark else ''}.png"
                visit.driver.save_screenshot(os.path.join(out, shot))
    print(f"screenshots in {out}")


def main():
    args = sys.argv[1:]
    shots = None
    if len(args) == 4 and args[2] == "--screenshots":
        shots = os.path.abspath(args[3])
        args = args[:2]
    if len(args) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    make, template = (os.path.abspath(a) for a in args)
    with tempfile.TemporaryDirectory(prefix="albumon-visit-") as work:
        driver = None
        try:
            driver = start_browser(work)
            index = make_album(driver, make, template, os.path.join(work, "out"), HEAD,
                               ENTRIES)
            visit = Visit(driver, index)
            if shots:
                save_screenshots(visit, shots)
                return 0
            set_size(driver, DESKTOP)
            check_grid(visit, DESKTOP)
            check_viewer_from_grid(visit)
            check_walk(visit)
            for size in (DESKTOP, PHONE):
                set_size(driver, size)
                check_pages(visit, size)
                check_looks(visit, size)
            set_size(driver, DESKTOP)
            check_keyboard(visit)
            check_server(visit)
            check_markup_heads(driver, make, template, work)
        except (Failure, WebDriverException, subprocess.TimeoutExpired) as failure:
            print(f"FAILED: {failure}", file=sys.stderr)
            return 1
        finally:
            if driver:
                driver.quit()
    print("A visit of the album in Chromium went as a visitor expects.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
