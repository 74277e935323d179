"""End-to-end harness: the real programs in a real X window under Xvfb. Keys go
in through XTEST (xdotool) down and up together, as remote desktops send them."""
import difflib
import os
import re
import shutil
import subprocess
import tempfile
import threading
import time

BIN = os.environ.get("VELDRUN_BIN_DIR", "")
DATA = os.environ.get("VELDRUN_DATA_DIR", "")
XCLOSE = os.environ.get("VELDRUN_XCLOSE", "")
CAPTIONS = {"Error", "Config.INI", "Zorl GL", "ERROR", "Font", "SHUTDOWN ERROR", "Initialization OPENGLLINKER"}


class Xvfb:
    """A private X server; env points DISPLAY at it."""

    def __init__(self, width=1280, height=1024, extra=()):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp",
             # A movement key held by a test stays one key-down, as on a remote desktop.
             "-ardelay", "20000",
             # No reset when the last client leaves: the next program would find no display.
             "-noreset", *extra],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end, "rb") as pipe:
            number = pipe.readline()
        if not number.strip():
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("SDL_VIDEODRIVER", None)

    def run(self, *args, check=True):
        return subprocess.run(args, env=self.env, check=check, timeout=30, capture_output=True, text=True)

    def windows(self):
        """(id, name) of every named top-level window."""
        tree = self.run("xwininfo", "-root", "-children", check=False).stdout
        return re.findall(r'^\s*(0x[0-9a-f]+) "(.*)": ', tree, re.M)

    def find_window(self, title, timeout=30.0):
        """The id of a shown top-level window named exactly title."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            for window, name in self.windows():
                if name == title and "IsViewable" in self.run("xwininfo", "-id", window, check=False).stdout:
                    return window
            time.sleep(0.2)
        raise AssertionError(f"no window named {title!r} within {timeout} s; have {self.windows()}")

    def client_size(self, window):
        info = self.run("xwininfo", "-id", window).stdout
        return int(info.split("Width:")[1].split()[0]), int(info.split("Height:")[1].split()[0])

    def focus(self, window):
        self.run("xdotool", "windowfocus", "--sync", window)

    def key(self, window, *keys):
        self.focus(window)
        self.run("xdotool", "key", *keys)

    def hold(self, window, key, seconds):
        self.focus(window)
        self.run("xdotool", "keydown", key)
        time.sleep(seconds)
        self.run("xdotool", "keyup", key)

    def answer_box(self, caption, key="Return", timeout=30.0):
        """Answers the shown box with one key and waits for it to close."""
        box = self.find_window(caption, timeout)
        self.key(box, key)
        deadline = time.time() + timeout
        while (box, caption) in self.windows():
            if time.time() > deadline:
                raise AssertionError(f"the {caption!r} box did not close after {key}")
            time.sleep(0.1)
        return box

    def move_pointer(self, window, x, y):
        self.run("xdotool", "mousemove", "--window", window, str(x), str(y))

    def close(self, window):
        self.run(XCLOSE, window)

    def screenshot(self, window, path=None):
        """The window's pixels as an Image; also written to path when given."""
        ppm = subprocess.run(["/usr/bin/import", "-window", window, "-depth", "8", "ppm:-"], env=self.env,
                             check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30).stdout
        if path:
            subprocess.run(["/usr/bin/convert", "ppm:-", path], input=ppm, check=True, timeout=30)
        return Image.from_ppm(ppm)

    def box_text(self, window):
        """A message box's text as tesseract reads it (light text on grey)."""
        with tempfile.TemporaryDirectory() as folder:
            shot = os.path.join(folder, "box.png")
            self.screenshot(window, shot)
            subprocess.run(["/usr/bin/convert", shot, "-negate", "-scale", "300%", shot], check=True, timeout=30)
            return ocr(shot)

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


class Image:
    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    @staticmethod
    def from_ppm(data):
        width, height = map(int, data.split(maxsplit=3)[1:3])  # P6 width height maxval pixels
        return Image(width, height, data[len(data) - width * height * 3:])

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def count(self, predicate, box=None):
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        return sum(1 for y in range(y0, y1) for x in range(x0, x1) if predicate(self.pixel(x, y)))

    def difference(self, other, box=None, step=3):
        """Fraction of the sampled pixels in box that differ noticeably."""
        x0, y0, x1, y1 = box or (0, 0, min(self.width, other.width), min(self.height, other.height))
        samples = [(x, y) for y in range(y0, y1, step) for x in range(x0, x1, step)]
        changed = sum(1 for x, y in samples
                      if sum(abs(p - q) for p, q in zip(self.pixel(x, y), other.pixel(x, y))) > 30)
        return changed / len(samples)


class Program:
    """One program run in a data folder, its output collected line by line."""

    def __init__(self, xvfb, name, data_dir, extra_env=None, args=()):
        env = dict(xvfb.env, **(extra_env or {}))
        path = name if os.path.isabs(name) else os.path.join(BIN, name)
        self.process = subprocess.Popen([path, *args], cwd=data_dir, env=env, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True)
        self.stdout_lines = []
        self.stderr_lines = []
        self._readers = [threading.Thread(target=self._pump, args=pair, daemon=True)
                         for pair in ((self.process.stdout, self.stdout_lines),
                                      (self.process.stderr, self.stderr_lines))]
        for reader in self._readers:
            reader.start()

    @staticmethod
    def _pump(stream, lines):
        for line in stream:
            lines.append(line.rstrip("\n"))

    def wait(self, timeout=30):
        code = self.process.wait(timeout=timeout)
        for reader in self._readers:
            reader.join(timeout=5)
        self.process.stdout.close()
        self.process.stderr.close()
        return code

    def wait_for_line(self, text, timeout=60.0):
        deadline = time.time() + timeout
        while text not in self.stdout_lines and time.time() < deadline and self.process.poll() is None:
            time.sleep(0.1)
        if text not in self.stdout_lines:
            raise AssertionError(f"line {text!r} not printed; got {self.stdout_lines} {self.stderr_lines}")

    def peak_memory_mb(self):
        with open(f"/proc/{self.process.pid}/status") as status:
            return int(re.search(r"VmHWM:\s+(\d+) kB", status.read()).group(1)) / 1024

    def kill(self):
        """Ends the program and any message box it shows (a forked child that
        holds the output pipes open)."""
        if self.process.poll() is None:
            subprocess.run(["pkill", "-9", "-P", str(self.process.pid)], check=False)
            self.process.kill()
        if not self.process.stdout.closed:
            self.wait()


def data_copy(test_case, windowed=(800, 600)):
    """A private copy of the generated data folder, removed after the test.
    With windowed, config.ini asks for a window of that size."""
    folder = tempfile.mkdtemp(prefix="veldrun-e2e-")
    test_case.addCleanup(shutil.rmtree, folder, True)
    shutil.copytree(DATA, folder, dirs_exist_ok=True)
    if windowed:
        with open(os.path.join(folder, "config.ini"), "w") as config:
            config.write(f"Width={windowed[0]}\nHeight={windowed[1]}\nBpp=32\nFullscreen=false\n")
    return folder


def artefact(name):
    """Where a test keeps a screenshot for people to look at."""
    folder = os.environ.get("VELDRUN_E2E_ARTEFACTS", tempfile.gettempdir())
    os.makedirs(folder, exist_ok=True)
    return os.path.join(folder, name)


def letters(text):
    """Only the letters and digits, in lower case: what OCR reads reliably."""
    return re.sub(r"[^a-z0-9]", "", text.lower())


def ocr(path):
    return subprocess.run(["tesseract", path, "-", "--psm", "6"], check=True, timeout=120,
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout


def overlay_text(path, box=(0, 0, 700, 160)):
    """The overlay lines read off a screenshot: only pure white pixels (the
    overlay colour) are kept, black on white, scaled up; spaces are dropped."""
    x, y, w, h = box
    prepared = path + ".ocr.png"
    subprocess.run(["/usr/bin/convert", path, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-fill", "black", "-opaque",
                    "white", "-fill", "white", "+opaque", "black", "-scale", "400%", prepared],
                   check=True, timeout=60)
    return [line.replace(" ", "") for line in ocr(prepared).splitlines() if line.strip()]


def overlay_value(lines, label):
    """The text after "label:" on the first line whose label reads close enough
    to it: the OCR misreads a letter now and then, more so over bright ground."""
    key = label.replace(" ", "")
    for line in lines:
        head, colon, value = line.partition(":")
        if colon and difflib.SequenceMatcher(None, head, key).ratio() >= 0.85:
            # Stray marks the OCR puts after the text ("TRUE|", "FALSEoe", "12.") are dropped.
            return re.match(r"TRUE|FALSE|[A-Za-z0-9.\-]*", value).group(0).rstrip(".")
    raise AssertionError(f"no overlay line {label!r} in {lines}")


def overlay_number(lines, label):
    found = re.match(r"-?[0-9]+(\.[0-9]+)?", overlay_value(lines, label))
    if not found:
        raise AssertionError(f"no number on the overlay line {label!r} in {lines}")
    return float(found.group(0))


def settled(x, window, path, top=75, timeout=20.0):
    """A screenshot once the picture below the overlay has come to rest (the
    level-of-detail control settles over a few frames)."""
    previous = x.screenshot(window)
    deadline = time.time() + timeout
    while time.time() < deadline:
        time.sleep(1.0)
        image = x.screenshot(window, path)
        if previous.difference(image, (0, top, image.width, image.height)) < 0.005:
            return image
        previous = image
    raise AssertionError(f"the picture never came to rest ({path})")
