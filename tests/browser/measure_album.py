#!/usr/bin/env python3
"""Measures what a visitor's browser loads of an album of real-size photos made by albumon-make
with the default template, as a phone (390 x 844, 3 device pixels a CSS pixel) and a desktop
(1366 x 900, 1), over HTTP on 127.0.0.1 and from file://: the bytes of the index page after
scrolling to its end, whether every thumbnail shown is sharp, and the bytes of the viewer from
the click until the photo is shown, its one neighbour's preload included, for a JPEG of each
shape and for every HEIC, PNG and WebP beside them. Each of those is the same picture as one of
the JPEGs, so it may cost the viewer no more than that JPEG of the same size may. Prints the
figures.

Usage: measure_album.py ALBUMON_MAKE TEMPLATE_DIR
"""

import base64
import json
import os
import subprocess
import sys
import tempfile
import urllib.parse
import urllib.request

from browser_checks import Failure, Server, check
from selenium import webdriver
from selenium.common.exceptions import TimeoutException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

# Ten photos of 12 megapixels in album order, as (file, size, seed of the picture drawn): six
# JPEGs, two of them upright, and beside them two HEICs, a PNG and a WebP, each the same picture
# as the JPEG of the same seed. The last has a note, so a page.
PHOTOS = [("p0.jpg", (4000, 3000), 1), ("p1.jpg", (4000, 3000), 2), ("h0.heic", (4000, 3000), 1),
          ("p2.jpg", (4000, 3000), 3), ("s.png", (4000, 3000), 2), ("p3.jpg", (4000, 3000), 4),
          ("w.webp", (4000, 3000), 3), ("p4.jpg", (3000, 4000), 5), ("h1.heic", (3000, 4000), 5),
          ("p5.jpg", (3000, 4000), 6)]
# The entries whose viewer is measured: a JPEG of each shape and every other kind.
VIEWED = [0, 7, 2, 8, 4, 6]
SCREENS = {"phone": (390, 844, 3, True), "desktop": (1366, 900, 1, False)}
INDEX_LIMIT = 60 * 1024  # bytes a photo, at 3 device pixels a CSS pixel
VIEWER_LIMIT = 0.20  # of the original's bytes


def start_browser(work):
    options = webdriver.ChromeOptions()
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                     "--disable-background-networking", "--no-first-run",
                     f"--user-data-dir={work}/profile", "--window-size=1366,900"):
        options.add_argument(argument)
    # Every request the pages make, from a server or from file://, reaches the performance log.
    options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_page_load_timeout(120)
    return driver


def photo(driver, size, seed, kind="image/jpeg"):
    """A photo-like picture of size drawn by the browser (gradients, discs and grain), encoded
    as kind."""
    driver.get("about:blank")
    data = driver.execute_script("""
        var w = arguments[0], h = arguments[1], seed = arguments[2];
        var c = document.createElement('canvas');
        c.width = w; c.height = h;
        var g = c.getContext('2d');
        var fill = g.createLinearGradient(0, 0, w, h);
        fill.addColorStop(0, 'hsl(' + (seed * 47 % 360) + ',45%,35%)');
        fill.addColorStop(1, 'hsl(' + (seed * 89 % 360) + ',55%,70%)');
        g.fillStyle = fill; g.fillRect(0, 0, w, h);
        var r = seed * 9301 + 49297;
        function rnd() { r = (r * 9301 + 49297) % 233280; return r / 233280; }
        for (var i = 0; i < 400; i++) {
            g.fillStyle = 'hsla(' + Math.floor(rnd() * 360) + ',50%,50%,0.35)';
            g.beginPath();
            g.arc(rnd() * w, rnd() * h, 10 + rnd() * h / 6, 0, 7);
            g.fill();
        }
        var image = g.getImageData(0, 0, w, h), d = image.data;
        for (var p = 0; p < d.length; p += 4) {
            var n = (rnd() - 0.5) * 28;
            d[p] += n; d[p + 1] += n; d[p + 2] += n;
        }
        g.putImageData(image, 0, 0);
        return c.toDataURL(arguments[3], 0.92).split(',')[1];""", size[0], size[1], seed, kind)
    return base64.b64decode(data)


def make_album(driver, make, template, out):
    sources = os.path.join(out, "in")
    os.makedirs(sources)
    command = [make, "-q", "-o", out, "--head", "旅 2026", "--template", template]
    jpegs = {seed: name for name, _, seed in PHOTOS if name.endswith(".jpg")}
    for name, size, seed in PHOTOS:
        path = os.path.join(sources, name)
        if name.endswith(".heic"):
            # A phone's HEIC of the JPEG's picture, encoded by libheif's own tool.
            done = subprocess.run(["heif-enc", "-q", "60", "-o", path,
                                   os.path.join(sources, jpegs[seed])],
                                  capture_output=True, timeout=300)
            check(done.returncode == 0, f"heif-enc: {done.stderr.decode()}")
        else:
            kind = {".jpg": "image/jpeg", ".png": "image/png", ".webp": "image/webp"}
            with open(path, "wb") as f:
                f.write(photo(driver, size, seed, kind[os.path.splitext(name)[1]]))
        command.append(path)
    note = os.path.join(sources, "note.txt")
    with open(note, "wb") as f:
        f.write("<b>清水寺</b>の夕方\r\n二行目\r\n".encode("utf-8"))
    command += ["--note-below", note]
    result = subprocess.run(command, capture_output=True, timeout=300)
    check(result.returncode == 0, f"albumon-make: {result.stderr.decode()}")
    return os.path.join(out, "旅 2026.htm"), [os.path.getsize(os.path.join(sources, name))
                                              for name, _, _ in PHOTOS]


def local_path(url, out):
    """The file a loaded URL names, from the server or from file://."""
    parts = urllib.parse.urlsplit(url)
    path = urllib.parse.unquote(parts.path)
    if parts.scheme == "file":
        return path
    return os.path.join(out, path.lstrip("/"))


def requested(driver, out):
    """The bytes of every file the pages requested since the last call, by file."""
    files = set()
    for entry in driver.get_log("performance"):
        message = json.loads(entry["message"])["message"]
        if message["method"] == "Network.requestWillBeSent":
            url = message["params"]["request"]["url"]
            if not url.startswith("data:"):
                files.add(local_path(url, out))
    return {path: os.path.getsize(path) for path in files if os.path.isfile(path)}


def wait(driver, script, what, timeout=60):
    try:
        WebDriverWait(driver, timeout).until(lambda d: d.execute_script(script))
    except TimeoutException:
        raise Failure(f"timed out waiting for {what}")


def open_index(driver, url, out, screen):
    """Loads the index page with an empty cache as screen and scrolls to its end."""
    width, height, dpr, mobile = SCREENS[screen]
    driver.execute_cdp_cmd("Network.enable", {})
    driver.execute_cdp_cmd("Network.clearBrowserCache", {})
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": width, "height": height, "deviceScaleFactor": dpr, "mobile": mobile})
    driver.get("about:blank")
    requested(driver, out)
    driver.get(url)
    wait(driver, "return document.readyState === 'complete';", "the index page")
    for _ in range(40):
        at_end = driver.execute_script("""
            window.scrollBy(0, window.innerHeight * 0.8);
            return window.innerHeight + window.scrollY >= document.body.scrollHeight - 2;""")
        driver.execute_script("return new Promise(r => setTimeout(r, 150));")
        if at_end:
            break
    wait(driver, """return Array.from(document.querySelectorAll('.thumb img'))
        .every(i => i.complete && i.naturalWidth > 0);""", "every thumbnail")


def measure_index(driver, url, out, screen):
    dpr = SCREENS[screen][2]
    open_index(driver, url, out, screen)
    index = requested(driver, out)
    per_photo = sum(index.values()) / len(PHOTOS)
    # Sharp: the pixels of the file chosen cover the thumbnail's device pixels, or the file is
    # the photo itself.
    blurred = driver.execute_script("""
        var dpr = arguments[0];
        return Promise.all(Array.from(document.querySelectorAll('.thumb img')).map(img =>
            new Promise(done => {
                var real = new Image();
                var picture = Picture[Number(img.closest('li').id.split('-')[1]) - 1];
                real.onload = () => done(real.naturalWidth >= img.clientWidth * dpr - 1 ||
                    real.naturalWidth >= picture.width ? null :
                    img.currentSrc + ': ' + real.naturalWidth + ' px for ' +
                    img.clientWidth + ' CSS px');
                real.src = img.currentSrc;
            }))).then(r => r.filter(x => x));""", dpr)
    return per_photo, blurred


def measure_viewer(driver, url, out, screen, k):
    """The files the viewer loads from the click on entry k's card until its photo is shown,
    with the preload of the neighbour after it (none when that one has a page or is the last)."""
    open_index(driver, url, out, screen)
    requested(driver, out)
    driver.find_element(By.CSS_SELECTOR, f"#entry-{k + 1} a").click()
    wait(driver, """var p = document.querySelector('.viewer-photo');
        return p && p.complete && p.naturalWidth > 0 && p.currentSrc;""", "the viewer's photo")
    expected = 2 if k + 2 < len(PHOTOS) else 1
    viewer = {}
    for _ in range(50):  # the neighbour's preload may start after the photo is shown
        viewer.update(requested(driver, out))
        if len(viewer) >= expected:
            break
        driver.execute_script("return new Promise(r => setTimeout(r, 100));")
    return viewer, expected


def measure_album(driver, url, out, originals, screen, how):
    """Prints the figures of one screen and one way of loading; returns the failures."""
    failures = []
    per_photo, blurred = measure_index(driver, url, out, screen)
    print(f"{screen:7} {how:4}: index {per_photo / 1024:.1f} KB a photo, "
          f"{len(blurred)} blurred thumbnails")
    if blurred:
        failures.append(f"{screen} {how}: blurred {blurred}")
    if screen == "phone" and per_photo > INDEX_LIMIT:
        failures.append(f"{screen} {how}: index {per_photo:.0f} bytes a photo")
    for k in VIEWED:
        name, _, seed = PHOTOS[k]
        # The JPEG of the same picture and size: its original sets the budget.
        twin = next(j for j, (n, _, s) in enumerate(PHOTOS) if s == seed and n.endswith(".jpg"))
        viewer, expected = measure_viewer(driver, url, out, screen, k)
        ratio = sum(viewer.values()) / originals[twin]
        shown = ", ".join(f"{os.path.basename(p)} {n // 1024} KB"
                          for p, n in sorted(viewer.items()))
        kind = os.path.splitext(name)[1][1:].upper()
        print(f"{screen:7} {how:4}: viewer of {kind:4} {name:8} {sum(viewer.values()) // 1024} KB, "
              f"{ratio:.3f} x the {PHOTOS[twin][0]} original ({shown})")
        # A HEIC, PNG or WebP may cost what the JPEG of its picture may.
        if screen == "phone" and ratio > VIEWER_LIMIT:
            failures.append(f"{screen} {how}: viewer of {name} {ratio:.3f} x the original")
        if len(viewer) != expected:
            failures.append(f"{screen} {how}: the viewer of {name} loaded {sorted(viewer)}")
        # A phone gets display copies only, whatever the kind: never a 12 MP picture.
        originals_loaded = [p for p in viewer if "albumon-sizes" not in p]
        if screen == "phone" and originals_loaded:
            failures.append(f"{screen} {how}: the viewer of {name} loaded {originals_loaded}")
    return failures


def main():
    make, template = sys.argv[1], sys.argv[2]
    failures = []
    with tempfile.TemporaryDirectory(prefix="albumon-measure-") as work:
        driver = start_browser(work)
        server = None
        try:
            index, originals = make_album(driver, make, template, os.path.join(work, "out"))
            out = os.path.dirname(index)
            server = Server(out)
            urls = {"http": server.base + urllib.parse.quote(os.path.basename(index)),
                    "file": "file://" + urllib.request.pathname2url(index)}
            print(f"{len(PHOTOS)} photos of 12 MP, {sum(originals) / len(PHOTOS) / 1e6:.2f} MB "
                  "each on average")
            for screen in SCREENS:
                for how, url in urls.items():
                    failures += measure_album(driver, url, out, originals, screen, how)
        finally:
            if server:
                server.close()
            driver.quit()
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as failure:
        print("FAILED:", failure)
        sys.exit(1)
