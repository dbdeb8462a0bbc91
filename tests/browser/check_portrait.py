#!/usr/bin/env python3
"""Makes an album of one phone-like portrait photo (stored lying down, EXIF orientation 6)
through albumon-make and opens it in headless Chromium: the thumbnail and the photo, as the
browser shows them, must have the same aspect ratio (both upright).

Usage: check_portrait.py ALBUMON_MAKE TEMPLATE_DIR
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import urllib.parse


def exif_orientation_block(orientation):
    """An APP1 segment holding a big-endian TIFF header and one IFD with the orientation tag."""
    ifd = struct.pack(">H", 1) + struct.pack(">HHIHH", 0x0112, 3, 1, orientation, 0)
    ifd += struct.pack(">I", 0)
    payload = b"Exif\0\0" + b"MM\0\x2a" + struct.pack(">I", 8) + ifd
    return b"\xff\xe1" + struct.pack(">H", len(payload) + 2) + payload


def phone_photo(landscape_jpeg, path):
    with open(landscape_jpeg, "rb") as f:
        data = f.read()
    assert data[:2] == b"\xff\xd8"
    with open(path, "wb") as f:
        f.write(data[:2] + exif_orientation_block(6) + data[2:])


PAGE = """<!DOCTYPE html><html><body>
<img id="thumb" src="{thumb}"><img id="photo" src="{photo}">
<script>
window.addEventListener("load", function () {{
  var t = document.getElementById("thumb"), p = document.getElementById("photo");
  document.body.setAttribute("data-sizes",
    [t.naturalWidth, t.naturalHeight, p.naturalWidth, p.naturalHeight].join(","));
}});
</script></body></html>
"""


def main():
    make, template = sys.argv[1], sys.argv[2]
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if chromium is None:
        print("Chromium is not installed (scripts/setup.sh installs it)")
        return 1
    work = tempfile.mkdtemp(prefix="albumon-portrait-")
    try:
        source = os.path.join(work, "portrait.jpg")
        phone_photo(os.path.join(template, "Def.files", "DefNote.jpg"), source)
        out = os.path.join(work, "out")
        subprocess.run([make, "-q", "-o", out, "--head", "phone", "--template", template, source],
                       check=True, timeout=120)
        files = os.path.join(out, "phone.files")
        page = os.path.join(out, "check.htm")
        with open(page, "w", encoding="utf-8") as f:
            f.write(PAGE.format(thumb="phone.files/" + urllib.parse.quote("$_phone001.jpg"),
                                photo="phone.files/phone001.jpg"))
        assert os.path.exists(os.path.join(files, "$_phone001.jpg"))
        profile = os.path.join(work, "profile")
        result = subprocess.run(
            [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             f"--user-data-dir={profile}", "--virtual-time-budget=5000", "--dump-dom",
             "file://" + urllib.parse.quote(page)],
            capture_output=True, timeout=120, env=dict(os.environ, HOME=work))
        dom = result.stdout.decode("utf-8", "replace")
        marker = 'data-sizes="'
        if marker not in dom:
            print("the page reported no sizes:\n" + dom + result.stderr.decode())
            return 1
        tw, th, pw, ph = (int(n) for n in dom.split(marker)[1].split('"')[0].split(","))
        print(f"thumbnail {tw}x{th}, photo {pw}x{ph}")
        if min(tw, th, pw, ph) < 1:
            print("an image did not load")
            return 1
        # The thumbnail's short side is rounded down to whole pixels.
        if abs(tw / th - pw / ph) > 0.05 or (tw > th) != (pw > ph):
            print("the thumbnail and the photo disagree in their aspect ratios")
            return 1
        return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
