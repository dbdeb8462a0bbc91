#!/usr/bin/env python3
"""Makes an album with the default template through albumon-make and checks it in headless
Chromium from file:// with no server: the index page has one thumbnail per entry, every link and
picture of the index and of the picture pages leads to an existing file, the notes stand above or
below as asked, and no script reports an error.

Usage: check_album.py ALBUMON_MAKE TEMPLATE_DIR
"""

import os
import shutil
import subprocess
import sys
import tempfile
import urllib.parse
import urllib.request
from html.parser import HTMLParser

from browser_checks import Failure, check

HEAD = "春の 旅 #2"
JAPANESE_SOURCE, HASH_SOURCE, AUTO_SOURCE = "海 の朝.jpg", "a#1.jpg", "京都.jpg"
ABOVE_TEXT, BELOW_TEXT, COMMENT_TEXT = "ABOVE 朝の海", "BELOW a#1", "COMMENT 解説"

# The album's entries in order: output name, the note's place, the note's text.
ENTRIES = [
    ("海 の朝", "above", ABOVE_TEXT),
    ("a#1", "below", BELOW_TEXT),
    (HEAD + "001", "below", COMMENT_TEXT),  # the commentary entry
    (HEAD + "002", None, None),
]

VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source",
        "track", "wbr"}


class Node:
    def __init__(self, tag, attrs):
        self.tag = tag
        self.attrs = dict(attrs)
        self.children = []
        self.content = []  # text and child nodes in document order

    def text(self):
        return "".join(part if isinstance(part, str) else part.text() for part in self.content)

    def walk(self):
        yield self
        for child in self.children:
            yield from child.walk()

    def classes(self):
        return (self.attrs.get("class") or "").split()

    def find_all(self, tag=None, cls=None):
        return [n for n in self.walk()
                if (tag is None or n.tag == tag) and (cls is None or cls in n.classes())]

    def by_id(self, ident):
        found = [n for n in self.walk() if n.attrs.get("id") == ident]
        check(len(found) == 1, f"expected one element with id {ident}, found {len(found)}")
        return found[0]


class TreeBuilder(HTMLParser):
    """The rendered DOM as Chromium serialises it, as a tree of Nodes."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.root = Node("#document", [])
        self.open = [self.root]

    def handle_starttag(self, tag, attrs):
        node = self.add(Node(tag, attrs))
        if tag not in VOID:
            self.open.append(node)

    def handle_startendtag(self, tag, attrs):
        self.add(Node(tag, attrs))

    def add(self, node):
        self.open[-1].children.append(node)
        self.open[-1].content.append(node)
        return node

    def handle_endtag(self, tag):
        for depth in range(len(self.open) - 1, 0, -1):
            if self.open[depth].tag == tag:
                del self.open[depth:]
                return

    def handle_data(self, data):
        self.open[-1].content.append(data)


def chromium_path():
    path = shutil.which("chromium") or shutil.which("chromium-browser")
    if path is None:
        raise Failure("Chromium is not installed: the browser check needs Debian's chromium "
                      "package (scripts/setup.sh installs it)")
    return path


def render(page, work):
    """Opens page in headless Chromium; returns the rendered DOM's tree and the console
    messages the page caused."""
    profile = tempfile.mkdtemp(prefix="profile-", dir=work)
    command = [chromium_path(), "--headless", "--no-sandbox", "--disable-gpu",
               "--disable-background-networking", "--disable-component-update",
               "--disable-sync", "--no-first-run", f"--user-data-dir={profile}",
               "--enable-logging=stderr", "--v=0", "--dump-dom", file_url(page)]
    result = subprocess.run(command, capture_output=True, timeout=120,
                            env=dict(os.environ, HOME=work))
    check(result.returncode == 0,
          f"chromium ended with {result.returncode} on {page}:\n{result.stderr.decode()}")
    console = [line for line in result.stderr.decode("utf-8", "replace").splitlines()
               if ":CONSOLE" in line]
    builder = TreeBuilder()
    builder.feed(result.stdout.decode("utf-8"))
    builder.close()
    return builder.root, console


def file_url(path):
    return "file://" + urllib.request.pathname2url(path)


def target_file(page, reference):
    """The file a link or source on page leads to, with the fragment that shows a picture or a
    card of the index page; fails unless it names an existing file."""
    check(reference != "" and reference != "#",
          f"{os.path.basename(page)}: a link that leads nowhere: {reference!r}")
    url = urllib.parse.urlsplit(urllib.parse.urljoin(file_url(page), reference))
    check(url.scheme == "file" and url.query == "" and
          (url.fragment == "" or url.fragment.startswith(("photo=", "entry-"))),
          f"{os.path.basename(page)}: {reference!r} is not a plain file link")
    path = urllib.request.url2pathname(url.path)
    check(os.path.isfile(path), f"{os.path.basename(page)}: {reference!r} leads to the missing"
          f" file {path}")
    return path + ("#" + url.fragment if url.fragment else "")


def viewer_link(out, name):
    """Where the index page's viewer shows the picture name."""
    return os.path.join(out, HEAD + ".htm") + "#photo=" + urllib.parse.quote(name, safe="")


def check_links(page, dom):
    """Every href and src of the rendered page (but inline data) names an existing file;
    returns them by element."""
    targets = {}
    for node in dom.walk():
        for name in ("href", "src"):
            if name in node.attrs and not node.attrs[name].startswith("data:"):
                targets[(id(node), name)] = target_file(page, node.attrs[name])
    return targets


def check_console(page, console):
    check(not console, f"{os.path.basename(page)}: the page logged script messages:\n"
          + "\n".join(console))


def make_album(make, template, work):
    sources = os.path.join(work, "in")
    os.makedirs(sources)
    picture = os.path.join(template, "Def.files", "DefNote.jpg")
    for name in (JAPANESE_SOURCE, HASH_SOURCE, AUTO_SOURCE):
        shutil.copyfile(picture, os.path.join(sources, name))
    notes = {}
    for key, text in (("above", ABOVE_TEXT), ("below", "<b>BELOW</b> a#1"),
                      ("comment", COMMENT_TEXT)):
        notes[key] = os.path.join(sources, key + ".txt")
        with open(notes[key], "wb") as f:
            f.write(text.encode("utf-8") + b"\r\n")
    out = os.path.join(work, "out")
    command = [make, "-q", "-o", out, "--head", HEAD, "--template", template,
               os.path.join(sources, JAPANESE_SOURCE), "--keep", "--note-above", notes["above"],
               os.path.join(sources, HASH_SOURCE), "--keep", "--note-below", notes["below"],
               "--comment", notes["comment"],
               os.path.join(sources, AUTO_SOURCE)]
    result = subprocess.run(command, capture_output=True, timeout=120)
    check(result.returncode == 0,
          f"albumon-make ended with {result.returncode}: {result.stderr.decode()}")
    return out


def check_index(out, work):
    index = os.path.join(out, HEAD + ".htm")
    folder = os.path.join(out, HEAD + ".files")
    dom, console = render(index, work)
    check_console(index, console)
    check(dom.by_id("album-heading").text() == HEAD, "the index page's heading is not the head")
    cards = dom.find_all("li", "card")
    check(len(cards) == len(ENTRIES),
          f"the index page shows {len(cards)} entries instead of {len(ENTRIES)}")
    targets = check_links(index, dom)
    for card, (name, place, _) in zip(cards, ENTRIES):
        links = card.find_all("a", "card-link")
        images = card.find_all("img")
        check(len(links) == 1 and len(images) == 1, f"entry {name}: not one link and one image")
        check("missing" not in images[0].classes(), f"entry {name}: its thumbnail did not load")
        expected = os.path.join(folder, name + ".htm") if place else viewer_link(out, name)
        check(targets[(id(links[0]), "href")] == expected,
              f"entry {name}: its link leads to {targets[(id(links[0]), 'href')]}")
        check(targets[(id(images[0]), "src")] == os.path.join(folder, "$_" + name + ".jpg"),
              f"entry {name}: its thumbnail is {targets[(id(images[0]), 'src')]}")


def check_page(out, work, position):
    name, place, text = ENTRIES[position]
    folder = os.path.join(out, HEAD + ".files")
    page = os.path.join(folder, name + ".htm")
    dom, console = render(page, work)
    check_console(page, console)
    targets = check_links(page, dom)
    photo = dom.by_id("photo")
    check(targets[(id(photo), "src")] == os.path.join(folder, name + ".jpg"),
          f"{name}.htm shows {targets[(id(photo), 'src')]}")
    for ident in ("to-index", "index"):
        link = dom.by_id(ident)
        check(targets[(id(link), "href")] ==
              os.path.join(out, HEAD + ".htm") + f"#entry-{position + 1}",
              f"{name}.htm: {ident} leads to {targets[(id(link), 'href')]}")
    check(dom.by_id("position").text() == str(position + 1),
          f"{name}.htm: shown as entry {dom.by_id('position').text()}")
    for ident, neighbour in (("prev", position - 1), ("next", position + 1)):
        link = dom.by_id(ident)
        if 0 <= neighbour < len(ENTRIES):
            other, other_place, _ = ENTRIES[neighbour]
            expected = (os.path.join(folder, other + ".htm") if other_place
                        else viewer_link(out, other))
            check("hidden" not in link.attrs and targets.get((id(link), "href")) == expected,
                  f"{name}.htm: {ident} does not lead to {expected}")
        else:
            check("hidden" in link.attrs, f"{name}.htm: {ident} shown with no entry there")
    above = dom.find_all("div", "note-above")[0].text()
    below = dom.find_all("div", "note-below")[0].text()
    shown, empty = (above, below) if place == "above" else (below, above)
    check(text in shown, f"{name}.htm: the note {text!r} is not {place} the picture")
    check(empty.strip() == "", f"{name}.htm: the other note place holds {empty.strip()!r}")


def check_placeholder_title(make, template, work):
    """A title holding a placeholder's text (replaced in the page as any placeholder) still
    finds its album folder: the index shows its pictures and a page leads back to it."""
    head = "題$$$FILECOU$$$"
    out = os.path.join(work, "placeholder")
    picture = os.path.join(template, "Def.files", "DefNote.jpg")
    note = os.path.join(work, "in", "above.txt")
    result = subprocess.run([make, "-q", "-o", out, "--head", head, "--template", template,
                             picture, "--note-above", note, picture], capture_output=True,
                            timeout=120)
    check(result.returncode == 0,
          f"albumon-make ended with {result.returncode}: {result.stderr.decode()}")
    index = os.path.join(out, head + ".htm")
    dom, console = render(index, work)
    check_console(index, console)
    images = [image for card in dom.find_all("li", "card") for image in card.find_all("img")]
    check(len(images) == 2,
          f"{head}.htm shows {len(images)} thumbnails instead of 2")
    check(all("missing" not in image.classes() for image in images),
          f"{head}.htm: a thumbnail did not load")
    check_links(index, dom)
    page = os.path.join(out, head + ".files", head + "001.htm")
    dom, console = render(page, work)
    check_console(page, console)
    targets = check_links(page, dom)
    check(targets[(id(dom.by_id("index")), "href")] == index + "#entry-1",
          f"{head}001.htm does not lead back to its index page")


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    make, template = (os.path.abspath(a) for a in sys.argv[1:])
    with tempfile.TemporaryDirectory(prefix="albumon-browser-") as work:
        try:
            chromium_path()
            out = make_album(make, template, work)
            check_index(out, work)
            for position in range(3):
                check_page(out, work, position)
            check_placeholder_title(make, template, work)
        except (Failure, subprocess.TimeoutExpired) as failure:
            print(f"FAILED: {failure}", file=sys.stderr)
            return 1
    print("The album's index page and its three picture pages render as expected in Chromium,"
          " also under a title holding a placeholder's text.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
