#!/usr/bin/env python3
# 公開する in the real window under Xvfb and openbox, driven by the real pointer and keyboard:
# the destination typed on the naming page, the questions about an unknown or changed SSH host
# key and an unverified certificate, the password, キャンセル, against an OpenSSH sshd and a
# pyftpdlib FTPS server on 127.0.0.1 (tests/publish/servers.py). Messages are read as a user
# copies them (a click into a message box's text, Ctrl+A, Ctrl+C), the servers' folders byte
# for byte.
# Usage: publish_pointer_test.py BIN_FOLDER [CASE ...]
import os
import shutil
import subprocess
import sys
import tempfile
import time
from collections import Counter

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "..", "publish"))
from desktop import Desktop, Window, missing_tools, poll, run_cases  # noqa: E402
from servers import FtpsServer, SshServer, make_key  # noqa: E402
from window_view import BUTTONS as PLACES, DESIGN, PAGE, Album, expect  # noqa: E402

# The 公開先 group's fields on the naming page (window coordinates at the design size; a taller
# window moves them down).
DESTINATION_FIELD = (PAGE[0] + 8 + 74 + 124, PAGE[1] + 214 + 20 + 12)
PUBLIC_URL_FIELD = (PAGE[0] + 8 + 74 + 124, PAGE[1] + 214 + 48 + 12)
PUBLIC_URL = "https://example.net/album/"
HEAD = "無題"
BUTTONS = (("はい", "いいえ"), ("OK",), ("キャンセル",))
MESSAGE = (80, 16)  # on a message box's first line of text, right of its icon


class World:
    """The desktop, whose HOME holds the user's SSH key and known_hosts, and the two servers."""

    def __init__(self, desktop, bin_folder):
        self.desktop, self.bin_folder = desktop, bin_folder
        self.home = desktop.home
        self.root = tempfile.mkdtemp(prefix="servers-", dir=self.home)
        self.known_hosts = os.path.join(self.home, ".ssh", "known_hosts")
        self.ssh = SshServer(self.root, self.home)
        self.ssh.start()
        self.ftps = FtpsServer(self.root)
        self.ftps.start()
        self.remotes = 0

    def remote(self, server):
        """A new empty folder on server: its destination address and its path here."""
        self.remotes += 1
        name = "album%d" % self.remotes
        if server is self.ssh:
            path = os.path.join(self.root, "sftp", name)
            os.makedirs(path)
            return server.destination(path), path
        path = os.path.join(server.home, name)
        os.makedirs(path)
        return server.destination(name), path

    def album(self, photos, height=DESIGN[1], settings=""):
        return Album(self.desktop, self.bin_folder, photos, height, settings=settings)

    def close(self):
        self.ssh.stop()
        self.ftps.stop()


# --- what is on disk ---------------------------------------------------------------------
def tree(folder):
    """The files under folder by path, byte for byte; dot files (records, the temporaries of a
    publish) left out."""
    found = {}
    for top, folders, files in os.walk(folder):
        folders[:] = [f for f in folders if not f.startswith(".")]
        for name in files:
            if not name.startswith("."):
                path = os.path.join(top, name)
                with open(path, "rb") as f:
                    found[os.path.relpath(path, folder)] = f.read()
    return found


def expect_same(what, got, wanted):
    if got != wanted:
        differ = sorted(set(got) ^ set(wanted)) or \
            [path for path in wanted if got[path] != wanted[path]]
        raise AssertionError("%s: %d files, wanted %d; differing: %s"
                             % (what, len(got), len(wanted), differ[:8]))


def read_bytes(path):
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return f.read()


def files_holding(folder, text):
    needle, found = text.encode(), []
    for top, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(top, name)
            try:
                with open(path, "rb") as f:
                    if needle in f.read():
                        found.append(path)
            except OSError:
                pass  # sockets and the like
    return found


# --- the window --------------------------------------------------------------------------
def type_destination(album, destination):
    """Clicks into the 公開先 group's fields on the naming page and types over them."""
    album.page("naming")
    for place, text in ((DESTINATION_FIELD, destination), (PUBLIC_URL_FIELD, PUBLIC_URL)):
        album.window.click(*album.below(place))
        album.window.key("ctrl+a")
        album.window.type(text)


def publish_button(window):
    """The notice's 公開する: the rightmost button of its lower line."""
    shot = window.shot()
    buttons = find_buttons(shot, shot.height - 40, shot.height)
    return buttons[-1] if buttons else None


def find_buttons(shot, top, bottom):
    """Middles of the push buttons between the rows top and bottom, left to right. A row
    through buttons holds long runs of pixels unlike the row's commonest colour; the rows
    whose runs start and end at the same places belong to the same line of buttons. The line
    with the most buttons (the lowest of equals) is taken, when it is at least 10 rows high."""
    lines = {}
    for y in range(max(top, 0), min(bottom, shot.height)):
        pixels = [shot.at(x, y) for x in range(shot.width)]
        background = Counter(pixels).most_common(1)[0][0]
        runs, start = [], None
        for x, pixel in enumerate(pixels + [background]):
            inside = max(abs(a - b) for a, b in zip(pixel, background)) > 8
            if inside and start is None:
                start = x
            elif not inside and start is not None:
                if 40 <= x - start < shot.width * 3 // 4:
                    runs.append((start, x))
                start = None
        if runs:
            lines.setdefault(tuple(runs), []).append(y)
    tall = [(len(runs), ys[-1], runs, ys) for runs, ys in lines.items() if ys[-1] - ys[0] >= 10]
    if not tall:
        return []
    _, _, runs, ys = max(tall)
    return [((a + b) // 2, (ys[0] + ys[-1]) // 2) for a, b in runs]


def publish(album):
    poll("the save's notice", album.notice_shown, timeout=10)
    album.window.park()
    place = poll("the notice's 公開する", lambda: publish_button(album.window))
    album.window.click(*place)


def dialogs(album):
    """The program's dialogs shown (a question, an error or 公開: the password or the progress):
    (title, id)."""
    found = album.desktop.run("xdotool", "search", "--onlyvisible", "--pid",
                              str(album.program.process.pid), "").split()
    titled = [(album.desktop.run("xdotool", "getwindowname", wid).strip(), wid)
              for wid in found if wid != album.window.wid]
    return [(name, wid) for name, wid in titled if name in ("確認", "Albumon", "公開")]


def dialog(album, title):
    """The program's window of that title shown over the main one (a question, message or
    progress)."""
    def shown():
        wids = [wid for name, wid in dialogs(album) if name == title]
        return wids and Window(album.desktop, wids[0], album.program.process.pid)

    box = poll("a dialog titled " + title, shown, timeout=40)
    poll("the dialog painted", lambda: box.shot().at(4, 4) != (0, 0, 0))
    box.park()
    shot = box.shot()  # before any text is selected
    box.buttons = find_buttons(shot, shot.height - 45, shot.height - 4)
    return box


def box_text(album, box):
    """A message box's text as the user copies it: a click into it, Ctrl+A, Ctrl+C."""
    subprocess.run(["xclip", "-selection", "clipboard", "-i"], input=b"-", env=album.desktop.env,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    box.click(*MESSAGE)
    box.key("ctrl+a")
    box.key("ctrl+c")
    return poll("the message copied", lambda: (lambda text: text != "-" and text)(
        album.desktop.run("xclip", "-selection", "clipboard", "-o")), timeout=10)


def answer(album, box, caption):
    """Clicks the box's button of that caption: the boxes' buttons stand in the order of
    BUTTONS at their lower right, found when the box came."""
    captions = next(row for row in BUTTONS if caption in row)
    if len(box.buttons) != len(captions):
        raise AssertionError("buttons at %s, wanted %s" % (box.buttons, captions))
    box.click(*box.buttons[captions.index(caption)])
    closed(album, box)


def closed(album, box):
    poll("the dialog closed", lambda: box.wid not in [wid for _, wid in dialogs(album)],
         timeout=20)


def saying(album, title, words):
    """The box of that title, whose text must hold every one of words, and its text."""
    box = dialog(album, title)
    text = box_text(album, box)
    for word in words:
        if word not in text:
            raise AssertionError("the box %s %r does not say %r" % (title, text, word))
    return box, text


def message(album, words):
    """The error box that ends a publish: its text must hold every one of words; OK closes it."""
    box, text = saying(album, "Albumon", words)
    answer(album, box, "OK")
    return text


def question(album, words):
    """The question 確認; its text must hold every one of words."""
    return saying(album, "確認", words)[0]


def type_password(album, password):
    box = dialog(album, "公開")
    box.type(password)
    box.key("Return")
    closed(album, box)


def published(album, remote):
    """Waits for the remote folder to hold the saved album byte for byte."""
    local = tree(album.out)
    poll("the album published", lambda: tree(remote) == local, timeout=60)
    time.sleep(0.3)
    expect("the dialogs open after the publish", dialogs(album), [])


def saved(album):
    """Saves anew with 保存 and waits for the notice of that save (a save hides the one
    before, and so do changes of the list)."""
    album.forget_saved()
    album.page("naming")
    poll("no notice before the save", lambda: not album.notice_shown(), timeout=10)
    album.window.click(*album.below(PLACES["保存"]))
    poll("the save's notice", album.notice_shown, timeout=60)
    expect("the index saved", os.path.exists(os.path.join(album.out, HEAD + ".htm")), True)


# --- cases -------------------------------------------------------------------------------
def sftp_unknown_host(world):
    """いいえ to the unknown host sends nothing and keeps known_hosts; はい adds the host and
    publishes the album."""
    if os.path.exists(world.known_hosts):
        os.remove(world.known_hosts)
    destination, remote = world.remote(world.ssh)
    album = world.album(3)
    try:
        album.start()
        type_destination(album, destination)
        saved(album)
        fingerprint = world.ssh.host_fingerprint()
        for reply in ("いいえ", "はい"):
            publish(album)
            box = question(album, [fingerprint, "127.0.0.1"])
            answer(album, box, reply)
            if reply == "いいえ":
                message(album, ["127.0.0.1", "known_hosts"])
                expect("the remote after いいえ", tree(remote), {})
                expect("known_hosts after いいえ", read_bytes(world.known_hosts), None)
        published(album, remote)
        key = world.ssh.known_hosts_line().split()[2]
        expect("the host key added", key in (read_bytes(world.known_hosts) or b"").decode(),
               True)
        album.program.close(album.window)
        settings = album.program.read_settings()
        expect("the typed destination kept", (settings.get("Publish/Destination"),
                                              settings.get("Publish/PublicUrl")),
               (destination, PUBLIC_URL))
    finally:
        album.close()


def sftp_changed_key(world):
    """known_hosts holds another key for the server: refused, naming the host; nothing sent."""
    other = os.path.join(world.root, "other_host_key")
    if not os.path.exists(other):
        make_key(other)
    with open(other + ".pub") as f:
        kind, blob = f.read().split()[:2]
    with open(world.known_hosts, "w") as f:
        f.write("[127.0.0.1]:%d %s %s\n" % (world.ssh.port, kind, blob))
    before = read_bytes(world.known_hosts)
    destination, remote = world.remote(world.ssh)
    album = world.album(2)
    try:
        album.start()
        type_destination(album, destination)
        saved(album)
        publish(album)
        message(album, ["ホスト 127.0.0.1 の鍵が known_hosts に記録された鍵と違います",
                        world.ssh.host_fingerprint()])
        expect("the remote", tree(remote), {})
        expect("known_hosts", read_bytes(world.known_hosts), before)
    finally:
        album.close()


def ftps_certificate_and_password(world):
    """The certificate's question shows its fingerprint, はい keeps it in the settings and the
    album goes up; a wrong password then fails with a message, the remote album as it was; no
    typed password is written anywhere."""
    fingerprint = world.ftps.certificate_fingerprint()
    destination, remote = world.remote(world.ftps)
    wrong = "Wrong-Pass-4417"
    album = world.album(3)
    try:
        album.start()
        type_destination(album, destination)
        saved(album)
        publish(album)
        answer(album, question(album, [fingerprint]), "はい")
        type_password(album, world.ftps.password)
        published(album, remote)
        certificates = album.program.read_settings().get("Publish/Certificates", "")
        expect("the certificate kept", fingerprint in certificates.split(), True)
        first = tree(remote)
        album.open_folder()  # a save leaves the list empty
        album.page("picture")
        album.button("右回転")
        saved(album)
        expect("the album changed", tree(album.out) != first, True)
        publish(album)
        type_password(album, wrong)
        message(album, ["ログインできません", "パスワード"])
        expect_same("the remote after a wrong password", tree(remote), first)
        for password in (world.ftps.password, wrong):
            expect("files holding the typed password", files_holding(world.home, password), [])
    finally:
        album.close()


def cancelled_then_published(world):
    """キャンセル while a larger album goes up leaves the old album on the server (its index
    and every file); the next 公開する completes."""
    fingerprint = world.ftps.certificate_fingerprint()
    destination, remote = world.remote(world.ftps)
    album = world.album(15, 900, settings="[Publish]\nCertificates=%s\n" % fingerprint)
    try:
        album.window = album.program.start(*album.photos[:2])
        album.wait_rows(lambda rows: len(rows) == 2, "two photos listed")
        type_destination(album, destination)
        saved(album)
        publish(album)
        type_password(album, world.ftps.password)
        published(album, remote)
        old = tree(remote)
        album.open_folder()
        saved(album)
        with open(world.ftps.slow_flag, "w"):
            pass
        try:
            publish(album)
            type_password(album, world.ftps.password)
            progress = dialog(album, "公開")
            poll("files going up", lambda: len([n for n in os.listdir(
                os.path.join(remote, HEAD + ".files")) if n.endswith(".ready")]) >= 2, timeout=60)
            shot = progress.shot()  # the window has grown with its text
            progress.buttons = find_buttons(shot, shot.height - 45, shot.height - 4)
            answer(album, progress, "キャンセル")
            message(album, ["中止"])
        finally:
            os.remove(world.ftps.slow_flag)
        expect_same("the remote after キャンセル", tree(remote), old)
        publish(album)
        type_password(album, world.ftps.password)
        published(album, remote)
    finally:
        album.close()


CASES = [
    ("SFTP to an unknown host: いいえ, then はい", sftp_unknown_host),
    ("SFTP to a host whose key changed", sftp_changed_key),
    ("FTPS certificate, password and a wrong password", ftps_certificate_and_password),
    ("キャンセル during a publish, then 公開する again", cancelled_then_published),
]


def main():
    if len(sys.argv) < 2:
        print("usage: publish_pointer_test.py BIN_FOLDER [CASE ...]")
        return 2
    missing = missing_tools() + [t for t in ("/usr/sbin/sshd", "ssh-keygen", "openssl")
                                 if shutil.which(t) is None]
    if missing:
        print("missing tools (scripts/setup.sh installs them): " + " ".join(missing))
        return 1
    bin_folder, chosen = sys.argv[1], sys.argv[2:]
    desktop = Desktop()
    desktop.env.pop("SSH_AUTH_SOCK", None)
    world = None
    try:
        world = World(desktop, bin_folder)
        return run_cases(CASES, chosen, lambda case: case(world))
    finally:
        if world is not None:
            world.close()
        desktop.close()


if __name__ == "__main__":
    sys.exit(main())
