#!/usr/bin/env python3
"""Measures what a visitor's browser loads of an album of real-size photos made by albumon-make
with the default template, as a phone (390 x 844, 3 device pixels a CSS pixel) and a desktop
(1366 x 900, 1), over HTTP on 127.0.0.1 and from file://: the bytes of the index page after
scrolling to its end, whether every thumbnail shown is sharp, and the bytes of the viewer from
the click until the photo is shown, its one neighbour's preload included. Prints the figures.

Usage: measure_album.py ALBUMON_MAKE TEMPLATE_DIR
"""

import base64
import functools
import http.server
import json
import os
import subprocess
import sys
import tempfile
import threading
import urllib.parse
import urllib.request

from selenium import webdriver
from selenium.common.exceptions import TimeoutException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

# Six photos of 12 megapixels, two of them upright; the last has a note, so a page.
PHOTOS = [(4000, 3000)] * 4 + [(3000, 4000)] * 2
SCREENS = {"phone": (390, 844, 3, True), "desktop": (1366, 900, 1, False)}
INDEX_LIMIT = 60 * 1024  # bytes a photo, at 3 device pixels a CSS pixel
VIEWER_LIMIT = 0.20  # of the original's bytes


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


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


def photo(driver, size, seed):
    """A photo-like JPEG of size drawn by the browser: gradients, discs and grain."""
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
        return c.toDataURL('image/jpeg', 0.92).split(',')[1];""", size[0], size[1], seed)
    return base64.b64decode(data)


def make_album(driver, make, template, out):
    sources = os.path.join(out, "in")
    os.makedirs(sources)
    command = [make, "-q", "-o", out, "--head", "旅 2026", "--template", template]
    for k, size in enumerate(PHOTOS):
        path = os.path.join(sources, f"p{k}.jpg")
        with open(path, "wb") as f:
            f.write(photo(driver, size, k + 1))
        command.append(path)
    note = os.path.join(sources, "note.txt")
    with open(note, "wb") as f:
        f.write("<b>清水寺</b>の夕方\r\n二行目\r\n".encode("utf-8"))
    command += ["--note-below", note]
    result = subprocess.run(command, capture_output=True, timeout=300)
    check(result.returncode == 0, f"albumon-make: {result.stderr.decode()}")
    return os.path.join(out, "旅 2026.htm"), [os.path.getsize(os.path.join(sources, f"p{k}.jpg"))
                                              for k in range(len(PHOTOS))]


class Server:
    """The album's folder served on 127.0.0.1."""

    def __init__(self, folder):
        class Quiet(http.server.SimpleHTTPRequestHandler):
            def log_message(self, *args):
                pass

        handler = functools.partial(Quiet, directory=folder)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()
        self.base = f"http://127.0.0.1:{self.httpd.server_address[1]}/"

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


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


def measure(driver, url, out, originals, screen):
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
    index = requested(driver, out)
    per_photo = sum(index.values()) / len(PHOTOS)
    # Sharp: the pixels of the file chosen cover the thumbnail's device pixels, or the file is
    # the photo itself.
    blurred = driver.execute_script("""
        var dpr = arguments[0];
        return Promise.all(Array.from(document.querySelectorAll('.thumb img')).map(img =>
            new Promise(done => {
                var real = new Image();
                real.onload = () => done(real.naturalWidth >= img.clientWidth * dpr - 1 ||
                    real.naturalWidth >= Picture[0].width ? null :
                    img.currentSrc + ': ' + real.naturalWidth + ' px for ' +
                    img.clientWidth + ' CSS px');
                real.src = img.currentSrc;
            }))).then(r => r.filter(x => x));""", dpr)
    # The viewer: from the click on the first card until its photo is shown.
    driver.execute_script("window.scrollTo(0, 0);")
    requested(driver, out)
    driver.find_element(By.CSS_SELECTOR, "#entry-1 a").click()
    wait(driver, """var p = document.querySelector('.viewer-photo');
        return p && p.complete && p.naturalWidth > 0 && p.currentSrc;""", "the viewer's photo")
    viewer = {}
    for _ in range(50):  # the neighbour's preload may start after the photo is shown
        viewer.update(requested(driver, out))
        if len(viewer) >= 2:
            break
        driver.execute_script("return new Promise(r => setTimeout(r, 100));")
    ratio = sum(viewer.values()) / originals[0]
    return per_photo, blurred, viewer, ratio


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
                    per_photo, blurred, viewer, ratio = measure(driver, url, out, originals,
                                                                screen)
                    shown = ", ".join(f"{os.path.basename(p)} {n // 1024} KB"
                                      for p, n in sorted(viewer.items()))
                    print(f"{screen:7} {how:4}: index {per_photo / 1024:.1f} KB a photo, "
                          f"{len(blurred)} blurred thumbnails; viewer {ratio:.3f} x the "
                          f"original ({shown})")
                    if blurred:
                        failures.append(f"{screen} {how}: blurred {blurred}")
                    if screen == "phone" and per_photo > INDEX_LIMIT:
                        failures.append(f"{screen} {how}: index {per_photo:.0f} bytes a photo")
                    if screen == "phone" and ratio > VIEWER_LIMIT:
                        failures.append(f"{screen} {how}: viewer {ratio:.3f} x the original")
                    if len(viewer) != 2:
                        failures.append(f"{screen} {how}: the viewer loaded {sorted(viewer)}")
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
