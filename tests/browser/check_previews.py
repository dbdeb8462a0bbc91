#!/usr/bin/env python3
"""Link previews and the index page as a crawler and a browser without scripts see them. Albums
made by albumon-make with the default template, whose first photo is in turn a JPEG, a HEIC, a
PNG and a WebP, are served over HTTP from 127.0.0.1 and fetched without running any script: with
--public-url the index and every note page carry Open Graph and Twitter card tags, their
addresses absolute under the public address, and the og:image, fetched, is a 1200 x 630 JPEG of
at most 300 KB with no application segment but JFIF; without it no page carries one and no cover
is made. Then Chromium with JavaScript disabled shows every photo and caption of the index.

Usage: check_previews.py ALBUMON_MAKE TEMPLATE_DIR
"""

import base64
import os
import subprocess
import sys
import tempfile
import urllib.parse
import urllib.request
from html.parser import HTMLParser

from browser_checks import Failure, Server, check
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

HEAD = "旅 & \"海\" #1"
PUBLIC = "https://example.jp/友だち/albums"
# The first photo of each album: its file, its size as stored, and its kind.
FIRST_PHOTOS = [("first.jpg", (1600, 1200), "image/jpeg"), ("first.heic", (1200, 1600), None),
                ("first.png", (640, 480), "image/png"), ("first.webp", (3000, 1000), "image/webp")]
# The photos after it: a note below the second (its page), the third turned and with a note
# above, the fourth without a note.
NOTE_BELOW = "<b>清水寺</b> & \"夕方\"\r\n二行目\r\n"
NOTE_ABOVE = "港の朝\r\n"
CAPTIONS = {1: "清水寺 & \"夕方\"", 2: "港の朝"}
COVER_LIMIT = 300 * 1024


def start_browser(work):
    options = webdriver.ChromeOptions()
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                     "--disable-background-networking", "--no-first-run",
                     f"--user-data-dir={work}/profile", "--window-size=1024,900"):
        options.add_argument(argument)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_page_load_timeout(60)
    return driver


def drawn(driver, size, kind):
    """A picture of size drawn by the browser (a gradient and discs), encoded as kind."""
    driver.get("about:blank")
    data = driver.execute_script("""
        var c = document.createElement('canvas');
        c.width = arguments[0]; c.height = arguments[1];
        var g = c.getContext('2d');
        var fill = g.createLinearGradient(0, 0, c.width, c.height);
        fill.addColorStop(0, '#2a6'); fill.addColorStop(1, '#e94');
        g.fillStyle = fill; g.fillRect(0, 0, c.width, c.height);
        for (var i = 0; i < 60; i++) {
            g.fillStyle = 'hsla(' + (i * 37 % 360) + ',60%,50%,0.4)';
            g.beginPath();
            g.arc((i * 97) % c.width, (i * 53) % c.height, 20 + i * 3, 0, 7);
            g.fill();
        }
        return c.toDataURL(arguments[2], 0.9).split(',')[1];""", size[0], size[1], kind)
    return base64.b64decode(data)


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def make_album(driver, make, template, out, first, public):
    """An album of the first photo and three JPEGs; returns the index page's path."""
    sources = os.path.join(out, "in")
    os.makedirs(sources, exist_ok=True)
    name, size, kind = first
    path = os.path.join(sources, name)
    if name.endswith(".heic"):
        jpeg = path + ".jpg"
        write(jpeg, drawn(driver, size, "image/jpeg"))
        done = subprocess.run(["heif-enc", "-q", "60", "-o", path, jpeg], capture_output=True,
                              timeout=120)
        check(done.returncode == 0, f"heif-enc: {done.stderr.decode()}")
    else:
        write(path, drawn(driver, size, kind))
    others = []
    for i, other_size in enumerate([(1200, 900), (1000, 800), (800, 600)]):
        others.append(os.path.join(sources, f"p{i}.jpg"))
        write(others[-1], drawn(driver, other_size, "image/jpeg"))
    write(os.path.join(sources, "below.txt"), NOTE_BELOW.encode("utf-8"))
    write(os.path.join(sources, "above.txt"), NOTE_ABOVE.encode("utf-8"))
    command = [make, "-q", "-o", out, "--head", HEAD, "--template", template, path,
               others[0], "--note-below", os.path.join(sources, "below.txt"),
               others[1], "--rotate", "1", "--note-above", os.path.join(sources, "above.txt"),
               others[2]]
    if public:
        command[1:1] = ["--public-url", PUBLIC]
    result = subprocess.run(command, capture_output=True, timeout=300)
    check(result.returncode == 0, f"albumon-make: {result.stderr.decode()}")
    return os.path.join(out, HEAD + ".htm")


class PageReader(HTMLParser):
    """What a crawler reads of a page: its meta tags (in <head>) and its links."""

    def __init__(self):
        super().__init__()
        self.meta = {}
        self.links = []
        self.in_head = False

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "head":
            self.in_head = True
        elif tag == "meta" and self.in_head and ("property" in attrs or "name" in attrs):
            self.meta[attrs.get("property") or attrs.get("name")] = attrs.get("content")
        elif tag == "a" and attrs.get("href"):
            self.links.append(attrs["href"])

    def handle_endtag(self, tag):
        if tag == "head":
            self.in_head = False


def fetch(url):
    with urllib.request.urlopen(url, timeout=30) as response:
        return response.read()


def read_page(url):
    reader = PageReader()
    reader.feed(fetch(url).decode("utf-8"))
    return reader


def jpeg_facts(data):
    """The size of a JPEG and the markers of its application segments."""
    check(data[:2] == b"\xff\xd8", "the cover is no JPEG")
    at, apps, size = 2, [], None
    while at + 4 <= len(data):
        marker = data[at + 1]
        length = int.from_bytes(data[at + 2:at + 4], "big")
        if 0xE0 <= marker <= 0xEF:
            apps.append((marker, data[at + 4:at + 9]))
        if marker in (0xC0, 0xC1, 0xC2):
            size = (int.from_bytes(data[at + 7:at + 9], "big"),
                    int.from_bytes(data[at + 5:at + 7], "big"))
        if marker == 0xDA:
            break
        at += 2 + length
    return size, apps


def local(public_url, server):
    """The address on the test server of a public address."""
    check(public_url.startswith(urllib.parse.quote(PUBLIC, safe=":/") + "/"),
          f"not under the public address: {public_url}")
    return server.base + public_url[len(urllib.parse.quote(PUBLIC, safe=":/")) + 1:]


def check_preview(reader, server, kind, title, description, path):
    meta = reader.meta
    what = f"{path}: "
    check(meta.get("og:type") == kind, what + f"og:type {meta.get('og:type')}")
    check(meta.get("og:title") == title, what + f"og:title {meta.get('og:title')!r}")
    check(meta.get("og:description") == description,
          what + f"og:description {meta.get('og:description')!r}")
    expected_url = urllib.parse.quote(PUBLIC, safe=":/") + "/" + urllib.parse.quote(path)
    check(meta.get("og:url") == expected_url, what + f"og:url {meta.get('og:url')}")
    check(meta.get("twitter:card") == "summary_large_image", what + "twitter:card")
    image = meta.get("og:image") or ""
    parts = urllib.parse.urlsplit(image)
    check(parts.scheme == "https" and parts.netloc == "example.jp", what + f"og:image {image}")
    cover = fetch(local(image, server))
    size, apps = jpeg_facts(cover)
    check(size == (1200, 630), what + f"cover of {size}")
    check(len(cover) <= COVER_LIMIT, what + f"cover of {len(cover)} bytes")
    check([m for m, _ in apps] == [0xE0] and apps[0][1] == b"JFIF\0",
          what + f"cover segments {apps}")
    check((meta.get("og:image:width"), meta.get("og:image:height")) == ("1200", "630"),
          what + "og:image size")
    return len(cover)


def check_crawler(index, out, public):
    """Fetches the index and its note pages as a crawler does; returns the covers' sizes."""
    server = Server(out)
    try:
        reader = read_page(server.base + urllib.parse.quote(os.path.basename(index)))
        pages = [link for link in reader.links if link.endswith(".htm")]
        check(len(pages) == 2, f"the index links {pages}")
        if not public:
            for page in [reader] + [read_page(server.base + p) for p in pages]:
                tags = [k for k in page.meta if k.startswith(("og:", "twitter:"))]
                check(not tags, f"preview tags without a public address: {tags}")
            covers = os.listdir(os.path.join(out, HEAD + ".files", "albumon-sizes"))
            check(not [c for c in covers if "cover" in c], f"covers made: {covers}")
            return []
        sizes = [check_preview(reader, server, "website", HEAD, "4 枚の写真", HEAD + ".htm")]
        for k, page in zip((1, 2), pages):
            path = urllib.parse.unquote(page)
            sizes.append(check_preview(read_page(server.base + page), server, "article",
                                       CAPTIONS[k], CAPTIONS[k], path))
        return sizes
    finally:
        server.close()


def check_without_scripts(driver, index, out):
    """Chromium with JavaScript disabled sees every photo and caption of the index."""
    server = Server(out)
    try:
        driver.execute_cdp_cmd("Emulation.setScriptExecutionDisabled", {"value": True})
        driver.get(server.base + urllib.parse.quote(os.path.basename(index)))
        cards = driver.find_elements(By.CSS_SELECTOR, "#album-grid li.card")
        check(len(cards) == 4, f"{len(cards)} cards without scripts")
        driver.execute_cdp_cmd("Emulation.setScriptExecutionDisabled", {"value": False})
        # The page's own scripts did not run: their list was never built.
        check(driver.execute_script("return typeof Fname === 'undefined';"),
              "the page's scripts ran")
        for i, card in enumerate(cards):
            image = card.find_element(By.CSS_SELECTOR, ".thumb img")
            driver.execute_script("arguments[0].scrollIntoView();", image)
            loaded = driver.execute_script(
                "var i = arguments[0]; return new Promise(done => i.complete ? done(1) : "
                "(i.onload = () => done(1), i.onerror = () => done(0)))"
                ".then(() => i.naturalWidth);", image)
            check(loaded > 0, f"photo {i + 1} did not load without scripts")
            check(image.get_attribute("alt"), f"photo {i + 1} has no alt text")
            caption = card.find_elements(By.CSS_SELECTOR, ".caption .name")
            if i in CAPTIONS:
                check(caption and caption[0].text == CAPTIONS[i],
                      f"caption of photo {i + 1}: {[c.text for c in caption]}")
                check(image.get_attribute("alt") == CAPTIONS[i], f"alt of photo {i + 1}")
            check(card.find_element(By.TAG_NAME, "a").get_attribute("href"),
                  f"photo {i + 1} links nowhere")
        heading = driver.find_element(By.ID, "album-heading").text
        check(heading == HEAD, f"heading {heading!r}")
    finally:
        driver.execute_cdp_cmd("Emulation.setScriptExecutionDisabled", {"value": False})
        server.close()


def main():
    make, template = sys.argv[1], sys.argv[2]
    failures = []
    with tempfile.TemporaryDirectory(prefix="albumon-previews-") as work:
        driver = start_browser(work)
        try:
            cases = [(first, True) for first in FIRST_PHOTOS] + [(FIRST_PHOTOS[0], False)]
            for n, (first, public) in enumerate(cases):
                what = f"{first[0]} {'with' if public else 'without'} a public address"
                try:
                    out = os.path.join(work, f"out{n}")
                    index = make_album(driver, make, template, out, first, public)
                    sizes = check_crawler(index, out, public)
                    check_without_scripts(driver, index, out)
                    print(f"{what}: covers of {[s // 1024 for s in sizes]} KB")
                except Failure as failure:
                    failures.append(f"{what}: {failure}")
        finally:
            driver.quit()
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
