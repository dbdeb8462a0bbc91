#!/usr/bin/env python3
"""Publishing to real servers on 127.0.0.1: an OpenSSH sshd and a pyftpdlib FTPS server, both
started here (servers.py). Run: publish_test.py ALBUMON_MAKE PUBLISH_PROBE TEMPLATE_DIR."""
import os
import pty
import random
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import termios
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from servers import FtpsServer, SshServer, descendants  # noqa: E402

MAKE, PROBE, TEMPLATE = sys.argv[1:4] if len(sys.argv) >= 4 else (None, None, None)
RECORDS = {".albumon.saved", ".albumon.published"}
PROGRESS = re.compile(r"公開しています: (\d+) / (\d+) ファイル　(\d+) / (\d+) KB")
SUMMARY = re.compile(r"公開しました: (\d+) 個のファイル（(\d+) バイト）.*アルバム (\d+) 個のファイル（(\d+) バイト）")


def photo(path, seed, width=640, height=480):
    """A JPEG of noise (seeded), which compresses no better than a photo."""
    rng = random.Random(seed)
    ppm = path + ".ppm"
    with open(ppm, "wb") as f:
        f.write(b"P6 %d %d 255\n" % (width, height) + rng.randbytes(width * height * 3))
    subprocess.run(["cjpeg", "-quality", "85", "-outfile", path, ppm], check=True)
    os.remove(ppm)


def album_tree(folder, head):
    """The album's files under folder by path: index, zip and album folder, records left out."""
    tree = {}
    for name in (head + ".htm", head + ".zip"):
        if os.path.exists(os.path.join(folder, name)):
            tree[name] = open(os.path.join(folder, name), "rb").read()
    base = os.path.join(folder, head + ".files")
    for top, _, files in os.walk(base):
        for name in files:
            if name not in RECORDS:
                path = os.path.join(top, name)
                tree[os.path.relpath(path, folder)] = open(path, "rb").read()
    return tree


class Publishing(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="albumon-publish-")
        cls.home = os.path.join(cls.root, "home")
        cls.env = {k: v for k, v in os.environ.items() if k != "SSH_AUTH_SOCK"}
        cls.env.update(HOME=cls.home, TMPDIR=os.path.join(cls.root, "tmp"), LANG="C.UTF-8")
        os.makedirs(cls.env["TMPDIR"])
        cls.ssh = SshServer(cls.root, cls.home)
        cls.ssh.start()
        cls.ssh.trust()
        cls.ftps = FtpsServer(cls.root)
        cls.ftps.start()
        cls.photos = os.path.join(cls.root, "photos")
        os.makedirs(cls.photos)

    @classmethod
    def tearDownClass(cls):
        cls.ssh.stop()
        cls.ftps.stop()
        shutil.rmtree(cls.root, ignore_errors=True)

    def photo_set(self, seeds):
        paths = []
        for seed in seeds:
            path = os.path.join(self.photos, f"p{seed:04d}.jpg")
            if not os.path.exists(path):
                photo(path, seed)
            paths.append(path)
        return paths

    def folder(self, name):
        path = os.path.join(self.root, name)
        os.makedirs(path, exist_ok=True)
        return path

    def make(self, out, head, photos, notes=None, extra=(), env=None, terminal=None):
        """Runs albumon-make; notes maps an entry's index to its note. With terminal (the
        password to type), runs it on a pseudo-terminal."""
        args = [MAKE, "-o", out, "--head", head, "--template", TEMPLATE, *extra]
        for i, path in enumerate(photos):
            args.append(path)
            if notes and i in notes:
                note = os.path.join(self.root, f"note-{head}-{i}.txt")
                with open(note, "w") as f:
                    f.write(notes[i])
                args += ["--note-below", note]
        if terminal is None:
            done = subprocess.run(args, env=env or self.env, capture_output=True, text=True,
                                  stdin=subprocess.DEVNULL, timeout=600)
            return done.returncode, done.stdout + done.stderr
        return self.on_terminal(args, env or self.env, terminal)

    @staticmethod
    def on_terminal(args, env, password):
        pid, fd = pty.fork()
        if pid == 0:
            os.execve(args[0], args, env)
        output, sent, deadline = b"", False, time.monotonic() + 300
        while True:
            # Typed once the prompt has turned echo off (what was typed before is flushed).
            if not sent and "パスワード".encode() in output and \
                    not termios.tcgetattr(fd)[3] & termios.ECHO:
                os.write(fd, password.encode() + b"\n")
                sent = True
            ready, _, _ = select.select([fd], [], [], 0.05 if output and not sent else
                                        max(0, deadline - time.monotonic()))
            if not ready and time.monotonic() < deadline:
                continue
            if not ready:  # hung: ended here so that the case fails with what it printed
                os.kill(pid, signal.SIGKILL)
                break
            try:
                data = os.read(fd, 4096)
            except OSError:
                break
            if not data:
                break
            output += data

        _, status = os.waitpid(pid, 0)
        os.close(fd)
        return os.waitstatus_to_exitcode(status), output.decode(errors="replace")

    def probe(self, destination, out, head, *options, env=None, stdin=""):
        done = subprocess.run([PROBE, destination, out + "/", head, *options], input=stdin,
                              env=env or self.env, capture_output=True, text=True, timeout=600)
        return done.returncode, done.stdout + done.stderr

    def assertSameAlbum(self, local, remote, head, others=()):
        """The remote album holds the local album's files byte for byte, and besides them only
        the files others names (the user's own)."""
        want, have = album_tree(local, head), album_tree(remote, head)
        for path in others:
            have.pop(path, None)
        self.assertEqual(sorted(want), sorted(have))
        for path in want:
            self.assertTrue(want[path] == have[path], path)

    def assertProgress(self, text, redrawn):
        """The progress shown counts the files and kilobytes sent up to their totals, which are
        what the summary says went up besides the remote record: on a terminal one line redrawn,
        else a line each."""
        shown = [tuple(map(int, m.groups())) for m in PROGRESS.finditer(text)]
        self.assertTrue(shown, text)
        files, totals, kilobytes, kilobyte_totals = zip(*shown)
        self.assertEqual(list(files), list(range(len(shown))))
        self.assertEqual(set(totals), {len(shown) - 1})
        self.assertEqual(list(kilobytes), sorted(kilobytes))
        self.assertEqual((kilobytes[0], kilobytes[-1]), (0, kilobyte_totals[0]))
        self.assertEqual(set(kilobyte_totals), {kilobyte_totals[0]})
        sent_files, sent_bytes = map(int, SUMMARY.search(text).groups()[:2])
        self.assertEqual(sent_files, totals[0] + 1)
        self.assertLessEqual(kilobyte_totals[0], (sent_bytes + 1023) // 1024)
        if redrawn:
            self.assertEqual(text.count("\r公開しています: "), len(shown))
        else:
            self.assertEqual(len(re.findall(r"^" + PROGRESS.pattern + r"$", text, re.M)),
                             len(shown))

    # --- SFTP -----------------------------------------------------------------------------

    def test_sftp_publish_equals_the_album_and_keeps_the_users_files(self):
        out, remote = self.folder("out-equal"), self.folder("remote-equal")
        photos = self.photo_set(range(1, 7))
        destination = self.ssh.destination(remote)
        user_files = {"beside.txt": b"the user's page", "E.files/mine.txt": b"kept"}
        steps = [  # (photos, notes, zip)
            (photos, {0: "first"}, True),
            (photos[1:] + self.photo_set([7]), {0: "changed"}, False),
            (photos[:3], {}, True),
        ]
        for number, (inputs, notes, zipped) in enumerate(steps):
            with self.subTest(step=number):
                code, text = self.make(out, "E", inputs, notes,
                                       ["--publish", destination] + (["--zip"] if zipped else []))
                self.assertEqual(code, 0, text)
                self.assertRegex(text, SUMMARY)
                self.assertProgress(text, redrawn=False)
                if number == 0:
                    for path, data in user_files.items():
                        with open(os.path.join(remote, path), "wb") as f:
                            f.write(data)
                self.assertSameAlbum(out, remote, "E", user_files)
                for path, data in user_files.items():
                    self.assertEqual(open(os.path.join(remote, path), "rb").read(), data)
        self.assertEqual([n for n in os.listdir(os.path.join(remote, "E.files"))
                          if n.endswith((".part", ".ready", ".old", ".next"))], [])

    def test_sftp_one_note_edit_of_a_large_album_sends_page_index_and_record(self):
        out, remote = self.folder("out-large"), self.folder("remote-large")
        photos = self.photo_set(range(1000, 1110))
        destination = self.ssh.destination(remote)
        notes = {i: f"写真 {i} のメモ" for i in range(0, 110, 10)}
        code, text = self.make(out, "L", photos, notes, ["--publish", destination])
        self.assertEqual(code, 0, text)
        notes[50] = "書き直したメモ"
        code, text = self.make(out, "L", photos, notes, ["--publish", destination])
        self.assertEqual(code, 0, text)
        files, sent, album_files, album_bytes = map(int, SUMMARY.search(text).groups())
        print(f"\none-note edit of 110 photos: {files} files, {sent} bytes sent of "
              f"{album_files} files, {album_bytes} bytes ({100 * sent / album_bytes:.3f} %)")
        self.assertLessEqual(files, 3)
        self.assertLess(sent, album_bytes / 100)
        self.assertSameAlbum(out, remote, "L")

    def test_sftp_killed_at_random_points_leaves_old_or_new_and_resumes(self):
        old_out, new_out = self.folder("kill-old"), self.folder("kill-new")
        remote, snapshot = self.folder("remote-kill"), os.path.join(self.root, "remote-kill-old")
        code, text = self.make(old_out, "K", self.photo_set(range(200, 216)), {3: "old"})
        self.assertEqual(code, 0, text)
        code, text = self.make(new_out, "K", self.photo_set(range(300, 315)), {3: "new"})
        self.assertEqual(code, 0, text)
        old, new = album_tree(old_out, "K"), album_tree(new_out, "K")
        destination = self.ssh.destination(remote)
        self.assertEqual(self.probe(destination, old_out, "K")[0], 0)
        shutil.copytree(remote, snapshot)
        # How long a whole session of the publish lasts, from the server's side.
        process = self.start_probe(destination, new_out)
        start = self.wait_for_session(process)
        self.assertEqual(process.wait(120), 0)
        duration = time.monotonic() - start
        rng, interrupted = random.Random(32), 0
        for round_ in range(30):
            with self.subTest(round=round_):
                shutil.rmtree(remote)
                shutil.copytree(snapshot, remote)
                process = self.start_probe(destination, new_out)
                start = self.wait_for_session(process)
                time.sleep(rng.uniform(0, duration))
                self.ssh.kill_sessions()
                output = process.communicate(timeout=120)[0]
                interrupted += process.returncode != 0
                if process.returncode == 0:  # the machine is faster now: the points follow
                    duration = min(duration, time.monotonic() - start)
                self.check_old_or_new(remote, old, new, output)
                needed = self.still_to_send(remote, new)
                code, output = self.probe(destination, new_out, "K")
                self.assertEqual(code, 0, output)
                self.assertSameAlbum(new_out, remote, "K")
                sent = int(re.search(r"sent \d+ files (\d+) bytes", output).group(1))
                self.assertLessEqual(sent, needed + 64 * 1024, output)  # the record besides
        print(f"\n{interrupted} of 30 publishes were cut off (a whole session {duration:.2f} s)")
        self.assertGreaterEqual(interrupted, 15)

    def start_probe(self, destination, out):
        return subprocess.Popen([PROBE, destination, out + "/", "K"], env=self.env,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                stdin=subprocess.DEVNULL, text=True)

    def wait_for_session(self, process):
        """Waits until the server serves the probe's connection; returns when that was."""
        while not descendants(self.ssh.process.pid) and process.poll() is None:
            time.sleep(0.001)
        return time.monotonic()

    def check_old_or_new(self, remote, old, new, output):
        have = album_tree(remote, "K")
        index = have.get("K.htm")
        if index is None:  # killed between the moves aside: the old index waits aside
            index = open(os.path.join(remote, ".K.htm.old"), "rb").read()
        self.assertIn(index, (old["K.htm"], new["K.htm"]), output)
        # Every file of that album is there, but one a kill caught moved aside (which the next
        # publish puts back), each the old or the new file whole.
        version = new if index == new["K.htm"] else old
        for path in version:
            if path != "K.htm":
                folder, name = os.path.split(path)
                aside = os.path.join(remote, folder, "." + name + ".old")
                held = have.get(path) or (open(aside, "rb").read() if os.path.exists(aside)
                                          else None)
                self.assertIsNotNone(held, path + "\n" + output)
                self.assertIn(held, (old.get(path), new.get(path)), path + "\n" + output)

    @staticmethod
    def still_to_send(remote, new):
        """Bytes of the new album neither in place nor ready as a temporary on the server."""
        held = set()
        for top, _, files in os.walk(remote):
            for name in files:
                if not name.endswith(".part"):
                    held.add(open(os.path.join(top, name), "rb").read())
        return sum(len(data) for data in new.values() if data not in held)

    def test_sftp_host_keys_unknown_asks_or_refuses_changed_refuses(self):
        home = os.path.join(self.root, "home-hostkeys")
        os.makedirs(os.path.join(home, ".ssh"))
        for name in ("id_ed25519", "id_ed25519.pub"):
            shutil.copy2(os.path.join(self.home, ".ssh", name), os.path.join(home, ".ssh"))
        env = dict(self.env, HOME=home)
        known = os.path.join(home, ".ssh", "known_hosts")
        server = SshServer(os.path.join(self.root, "second"), home)
        server.start()
        try:
            out, remote = self.folder("out-keys"), self.folder("remote-keys")
            destination = server.destination(remote)
            fingerprint = server.host_fingerprint()
            code, text = self.make(out, "H", self.photo_set([1]), extra=["--publish", destination],
                                   env=env)
            self.assertEqual(code, 1, text)
            self.assertIn(fingerprint, text)
            self.assertTrue(os.path.exists(os.path.join(out, "H.htm")))  # saved all the same
            self.assertFalse(os.path.exists(os.path.join(remote, "H.htm")))
            cases = [  # (answer, asked, succeeds)
                ("no", True, False),
                ("yes", True, True),
                ("yes", False, True),  # known now
            ]
            for answer, asked, succeeds in cases:
                with self.subTest(answer=answer, asked=asked):
                    code, text = self.probe(destination, out, "H", "--trust-host", answer, env=env)
                    self.assertEqual(f"asked: 127.0.0.1 {fingerprint}" in text, asked, text)
                    self.assertEqual(code == 0, succeeds, text)
            server.stop()
            server.new_host_key()
            server.start()
            before = open(known, "rb").read()
            code, text = self.probe(destination, out, "H", "--trust-host", "yes", env=env)
            self.assertEqual(code, 1, text)
            self.assertNotIn("asked:", text)
            self.assertIn("127.0.0.1 の鍵が known_hosts に記録された鍵と違います", text)
            code, text = self.make(out, "H", self.photo_set([1]), extra=["--publish", destination],
                                   env=env)
            self.assertEqual(code, 1, text)
            self.assertIn(server.host_fingerprint(), text)
            self.assertEqual(open(known, "rb").read(), before)
        finally:
            server.stop()

    def test_plain_ftp_is_refused_and_a_public_url_alone_is_taken(self):
        out = self.folder("out-ftp")
        code, text = self.make(out, "F", self.photo_set([1]),
                               extra=["--publish", "ftp://me@127.0.0.1/www/"])
        self.assertEqual(code, 2, text)
        self.assertIn("暗号化", text)
        self.assertFalse(os.path.exists(os.path.join(out, "F.htm")))
        code, text = self.make(out, "F", self.photo_set([1]),
                               extra=["--public-url", "https://example.org/album/"])
        self.assertEqual(code, 0, text)
        self.assertNotIn("公開しました", text)
        self.assertTrue(os.path.exists(os.path.join(out, "F.htm")))

    # --- FTPS -----------------------------------------------------------------------------

    def test_ftps_certificate_password_full_disk_and_no_password_on_disk(self):
        out, remote = self.folder("out-ftps"), os.path.join(self.ftps.home, "www")
        destination = self.ftps.destination("www")
        password = self.ftps.password
        photos = self.photo_set(range(1, 5))
        fingerprint = self.ftps.certificate_fingerprint()
        # A certificate no authority vouches for: refused, its fingerprint shown.
        code, text = self.make(out, "S", photos, extra=["--publish", destination],
                               terminal=password)
        self.assertEqual(code, 1, text)
        self.assertIn(fingerprint, text)
        # Accepted before in the settings file beside the program.
        bin_dir = self.folder("bin")
        program = shutil.copy2(MAKE, os.path.join(bin_dir, "albumon-make"))
        with open(os.path.join(bin_dir, "albumon.INI"), "w") as f:
            f.write(f"[Publish]\r\nCertificates={fingerprint}\r\n")
        trusted = dict(self.env, SSL_CERT_FILE=self.ftps.cert)
        cases = [  # (program, env, typed password, exit code, message)
            (MAKE, trusted, "wrong-password", 1, "ログインできません"),
            (MAKE, trusted, None, 1, "ログインできません"),  # no terminal, no password
            (MAKE, trusted, password, 0, "公開しました"),
            (program, self.env, password, 0, "公開しました"),
        ]
        for number, (binary, env, typed, expected, message) in enumerate(cases):
            with self.subTest(case=number):
                code, text = self.make_with(binary, out, "S", photos[: 2 + number], env, typed,
                                            destination)
                self.assertEqual(code, expected, text)
                self.assertIn(message, text)
                if expected == 0:
                    self.assertSameAlbum(out, remote, "S")
                    self.assertProgress(text, redrawn=True)
                self.assertNotIn(password, text)
        # A full disk: the publish fails clearly, the remote album stays as it was.
        before = album_tree(remote, "S")
        open(self.ftps.full_flag, "w").close()
        try:
            code, text = self.make_with(MAKE, out, "S", photos[:1], trusted, password,
                                        destination)
        finally:
            os.remove(self.ftps.full_flag)
        self.assertEqual(code, 1, text)
        self.assertIn("書き込めません", text)
        self.assertEqual(album_tree(remote, "S"), before)
        found = subprocess.run(["grep", "-r", "-l", "-F", password, self.root],
                               capture_output=True, text=True)
        self.assertEqual(found.stdout, "")

    def make_with(self, binary, out, head, photos, env, typed, destination):
        args = [binary, "-o", out, "--head", head, "--template", TEMPLATE,
                "--publish", destination, *photos]
        if typed is None:
            done = subprocess.run(args, env=env, capture_output=True, text=True,
                                  stdin=subprocess.DEVNULL, timeout=600)
            return done.returncode, done.stdout + done.stderr
        return self.on_terminal(args, env, typed)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
