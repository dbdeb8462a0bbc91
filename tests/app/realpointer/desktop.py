# A private X desktop for window tests that use the real pointer and keyboard: Xvfb with openbox,
# Albumon started from a copy of its program folder with its own home, xdotool input and
# screenshots read from xwd.
import os
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import traceback

TOOLS = ("Xvfb", "openbox", "xdotool", "xclip", "xwininfo", "xprop", "xwd", "cjpeg", "djpeg")


def missing_tools():
    return [tool for tool in TOOLS if shutil.which(tool) is None]


def run_cases(cases, chosen, run):
    """Runs the cases whose names hold one of chosen (all when none), each through run, and
    prints a line for each and the count; the exit code is 0 when some ran and none failed."""
    passed = failed = 0
    for name, case in cases:
        if chosen and not any(c in name for c in chosen):
            continue
        begun = time.monotonic()
        try:
            run(case)
            passed += 1
            print("PASS %s (%.1f s)" % (name, time.monotonic() - begun), flush=True)
        except Exception:
            failed += 1
            print("FAIL %s\n%s" % (name, traceback.format_exc()), flush=True)
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 and passed > 0 else 1


def poll(what, probe, timeout=20.0, step=0.1):
    """Calls probe until it gives a true value, which is returned; fails after timeout."""
    end = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(step)


class Shot:
    """A screenshot of one window: RGB pixels in the window's own coordinates."""

    def __init__(self, data):
        head = struct.unpack(">25I", data[:100])
        header_size, self.width, self.height = head[0], head[4], head[5]
        lsb_first, bits, self.line = head[7] == 0, head[11], head[12]
        if bits not in (24, 32):
            raise AssertionError("screenshot of %d bits per pixel" % bits)
        self.size = bits // 8
        offset = header_size + head[19] * 12
        self.pixels = data[offset:offset + self.line * self.height]
        self.order = (2, 1, 0) if lsb_first else (self.size - 3, self.size - 2, self.size - 1)

    def at(self, x, y):
        base = y * self.line + x * self.size
        return tuple(self.pixels[base + k] for k in self.order)

    def save_png(self, path):
        import zlib
        rows = b"".join(
            b"\0" + bytes(v for x in range(self.width) for v in self.at(x, y))
            for y in range(self.height))

        def chunk(kind, body):
            return (struct.pack(">I", len(body)) + kind + body +
                    struct.pack(">I", zlib.crc32(kind + body)))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                      chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def distance(a, b):
    return max(abs(p - q) for p, q in zip(a, b))


class Desktop:
    """Xvfb on a free display with openbox; every process it starts ends with it."""

    def __init__(self, width=1280, height=1024):
        self.home = tempfile.mkdtemp(prefix="albumon-pointer-")
        self.processes = []
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % (width, height),
             "-nolisten", "tcp"], pass_fds=(write_end,), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        self.processes.append(self.xvfb)
        os.close(write_end)
        with os.fdopen(read_end) as answer:
            number = answer.readline().strip()
        if not number:
            self.close()
            raise AssertionError("Xvfb did not start")
        self.env = dict(os.environ)
        for name in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XAUTHORITY", "SESSION_MANAGER"):
            self.env.pop(name, None)
        self.env.update({
            "DISPLAY": ":" + number, "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "XDG_DATA_HOME": os.path.join(self.home, ".local/share"),
            "XDG_RUNTIME_DIR": os.path.join(self.home, "run"), "LANG": "C.UTF-8",
            "QT_QPA_PLATFORM": "xcb"})
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)
        self.log = os.path.join(self.home, "openbox.log")
        try:
            self.start_window_manager()
        except AssertionError:
            with open(self.log) as out:
                print("openbox said: " + out.read())
            self.close()
            raise

    def start_window_manager(self):
        """Starts openbox and waits until it manages the screen; one that ended at once (the
        server not yet ready for it) is started again."""
        manager = None

        def managing():
            nonlocal manager
            if manager is None or manager.poll() is not None:
                with open(self.log, "a") as out:
                    manager = subprocess.Popen(["openbox"], env=self.env, stdout=out,
                                               stderr=subprocess.STDOUT)
                self.processes.append(manager)
                return False
            return "window id" in self.run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK")

        poll("the window manager", managing, timeout=60, step=0.5)

    def run(self, *args, check=False):
        done = subprocess.run(args, env=self.env, capture_output=True, text=True, timeout=30)
        if check and done.returncode != 0:
            raise AssertionError("%s failed: %s" % (" ".join(args), done.stderr))
        return done.stdout

    def xdotool(self, *args):
        return self.run("xdotool", *[str(a) for a in args], check=True)

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        shutil.rmtree(self.home, ignore_errors=True)


class Window:
    """A program's top-level window: pointer and keys go to the places given in its client
    coordinates."""

    # Pauses between the steps of a pointer gesture, so the program sees each one.
    STEP = 0.04

    def __init__(self, desktop, wid, pid):
        self.desktop, self.wid, self.pid = desktop, wid, pid

    def geometry(self):
        """Left, top (of the client area on the screen), width, height."""
        info = self.desktop.run("xwininfo", "-id", self.wid)
        fields = {}
        for line in info.splitlines():
            key, _, value = line.strip().partition(":")
            fields[key] = value.strip()
        return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
                int(fields["Width"]), int(fields["Height"]))

    def frame(self):
        """The window manager's frame around the client area: left, right, top, bottom."""
        text = self.desktop.run("xprop", "-id", self.wid, "_NET_FRAME_EXTENTS")
        return tuple(int(v) for v in text.split("=")[1].split(","))

    def state(self):
        return self.desktop.run("xprop", "-id", self.wid, "_NET_WM_STATE")

    def shot(self):
        data = subprocess.run(["xwd", "-silent", "-id", self.wid], env=self.desktop.env,
                              capture_output=True, check=True, timeout=30).stdout
        return Shot(data)

    def move_to(self, x, y):
        self.desktop.xdotool("mousemove", "--window", self.wid, x, y)
        time.sleep(self.STEP)

    def click(self, x, y, modifiers=(), repeat=1, button=1):
        self.move_to(x, y)
        for key in modifiers:
            self.desktop.xdotool("keydown", key)
        self.desktop.xdotool("click", "--repeat", repeat, "--delay", 80, button)
        for key in reversed(modifiers):
            self.desktop.xdotool("keyup", key)
        time.sleep(self.STEP)

    def drag(self, start, end, steps=12):
        """Press at start, move there in steps, release: as a hand does, so the drag starts and
        passes over the places between."""
        self.move_to(*start)
        self.desktop.xdotool("mousedown", 1)
        time.sleep(self.STEP)
        for k in range(1, steps + 1):
            self.move_to(start[0] + (end[0] - start[0]) * k // steps,
                         start[1] + (end[1] - start[1]) * k // steps)
        time.sleep(0.2)
        self.desktop.xdotool("mouseup", 1)
        time.sleep(self.STEP)

    def park(self):
        """Moves the pointer off the window, so no tip or hover covers what a screenshot
        shows."""
        self.desktop.xdotool("mousemove", 0, 0)
        time.sleep(self.STEP)

    def popups(self):
        """How many windows of the program are shown besides this one (menus)."""
        found = self.desktop.run("xdotool", "search", "--onlyvisible", "--pid",
                                 str(self.pid), "")
        return len([w for w in found.split() if w != self.wid])

    def key(self, *keys):
        self.desktop.xdotool("key", "--clearmodifiers", *keys)
        time.sleep(self.STEP)

    def type(self, text):
        """Types plain ASCII text key by key."""
        self.desktop.xdotool("type", "--delay", 20, text)

    def paste(self, text):
        """Puts text on the clipboard and pastes it with Ctrl+V, as text from an input method
        or another program comes (typing other scripts key by key loses characters in xdotool's
        keymap changes)."""
        owner = subprocess.Popen(["xclip", "-selection", "clipboard", "-loops", "10", "-i"],
                                 env=self.desktop.env, stdin=subprocess.PIPE,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.desktop.processes.append(owner)
        owner.stdin.write(text.encode("utf-8"))
        owner.stdin.close()
        poll("the clipboard", lambda: self.desktop.run(
            "xclip", "-selection", "clipboard", "-o") == text, timeout=10)
        self.key("ctrl+v")


class Program:
    """Albumon from a copy of its program folder, so its settings file and work folder are its
    own."""

    def __init__(self, desktop, bin_folder):
        self.desktop = desktop
        self.folder = tempfile.mkdtemp(prefix="program-", dir=desktop.home)
        shutil.copy2(os.path.join(bin_folder, "albumon"), self.folder)
        for data in ("Def", "albumon_help"):
            if os.path.isdir(os.path.join(bin_folder, data)):
                shutil.copytree(os.path.join(bin_folder, data), os.path.join(self.folder, data))
        self.settings = os.path.join(self.folder, "albumon.INI")
        self.process = None

    def write_settings(self, text):
        with open(self.settings, "w", encoding="utf-8", newline="") as out:
            out.write(text.replace("\n", "\r\n"))

    def read_settings(self):
        values, section = {}, ""
        with open(self.settings, encoding="utf-8") as ini:
            for line in ini.read().splitlines():
                if line.startswith("["):
                    section = line.strip("[]")
                elif "=" in line:
                    key, _, value = line.partition("=")
                    values[section + "/" + key] = value
        return values

    def start(self, *paths):
        self.process = subprocess.Popen(
            [os.path.join(self.folder, "albumon"), *paths], env=self.desktop.env,
            cwd=self.desktop.home, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.desktop.processes.append(self.process)

        def shown():
            found = self.desktop.run("xdotool", "search", "--onlyvisible", "--pid",
                                     str(self.process.pid), "--name", "^Albumon$").split()
            return found[0] if found else None

        window = Window(self.desktop, poll("the window", shown), self.process.pid)
        # Mapped is not yet drawn: wait until the window's area is painted.
        poll("the window painted", lambda: window.shot().at(4, 4) != (0, 0, 0))
        return window

    def close(self, window):
        """Closes the window as its close button does (openbox's Alt+F4) and waits for the end."""
        window.key("alt+F4")
        try:
            self.process.wait(20)
        except subprocess.TimeoutExpired:
            raise AssertionError("the program did not end after Alt+F4")

    def stop(self):
        """Ends the program whatever it shows (a question after a failed case)."""
        if self.process is None or self.process.poll() is not None:
            return
        self.process.kill()
        self.process.wait()
