"""End-to-end harness: the real programs in a real X window under Xvfb.

Keys go in through XTEST (xdotool), screenshots come out through ImageMagick's
import, message boxes are found by their caption and dismissed.
"""
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
IMPORT = "/usr/bin/import"


class Xvfb:
    """A private X server for one test; DISPLAY points at it while it runs."""

    def __init__(self, width=1280, height=1024):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp",
             # No auto-repeat within a test's key holds: each hold is one key-down.
             "-ardelay", "20000",
             # No reset when the last client leaves: the next program would find no display.
             "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    raise RuntimeError("Xvfb did not start")
                number += chunk
        self.display = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("SDL_VIDEODRIVER", None)

    def run(self, *args, check=True, timeout=20):
        return subprocess.run(list(args), env=self.env, check=check, timeout=timeout,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def windows(self):
        """(id, name) of every named top-level window, from the server's own tree."""
        tree = self.run("xwininfo", "-root", "-children", check=False).stdout
        found = []
        for line in tree.splitlines():
            line = line.strip()
            if line.startswith("0x") and '"' in line:
                window = line.split()[0]
                start = line.index('"') + 1
                name = line[start:line.index('":', start)] if '":' in line[start:] else line[start:line.rindex('"')]
                found.append((window, name))
        return found

    def find_window(self, title, timeout=30.0):
        """The id of a top-level window whose name is exactly title."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            for window, name in self.windows():
                if name == title:
                    return window
            time.sleep(0.2)
        raise AssertionError(f"no window named {title!r} within {timeout} s; have {self.windows()}")

    def window_title(self, window):
        return self.run("xdotool", "getwindowname", window).stdout.strip()

    def client_size(self, window):
        info = self.run("xwininfo", "-id", window).stdout
        width = int(info.split("Width:")[1].split()[0])
        height = int(info.split("Height:")[1].split()[0])
        return width, height

    def focus(self, window):
        self.run("xdotool", "windowfocus", "--sync", window, check=False)

    def key(self, window, *keys):
        self.focus(window)
        self.run("xdotool", "key", "--delay", "60", *keys)

    def press(self, window, key, seconds=0.7):
        """A key held long enough for a frame to see it: the programs read keys
        once per frame, and a tap between two slow frames goes unseen."""
        self.hold(window, key, seconds)

    def hold(self, window, key, seconds):
        self.focus(window)
        self.run("xdotool", "keydown", key)
        time.sleep(seconds)
        self.run("xdotool", "keyup", key)

    def move_pointer(self, window, x, y):
        self.run("xdotool", "mousemove", "--window", window, str(x), str(y))

    def close(self, window):
        self.run(XCLOSE, window)

    def screenshot(self, window, path=None):
        """The window's pixels as an Image; also written to path when given."""
        ppm = subprocess.run([IMPORT, "-window", window, "-depth", "8", "ppm:-"], env=self.env, check=True,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30).stdout
        if path:
            subprocess.run(["/usr/bin/convert", "ppm:-", path], input=ppm, check=True, timeout=30)
        return Image.from_ppm(ppm)

    def dismiss_message_box(self, caption, timeout=30.0):
        window = self.find_window(caption, timeout)
        self.press(window, "Return", 0.2)
        return window

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


class Image:
    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    @staticmethod
    def from_ppm(data):
        fields = []
        position = 0
        while len(fields) < 4:
            while data[position:position + 1].isspace():
                position += 1
            if data[position:position + 1] == b"#":
                position = data.index(b"\n", position)
                continue
            end = position
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[position:end])
            position = end
        position += 1
        width, height = int(fields[1]), int(fields[2])
        return Image(width, height, data[position:position + width * height * 3])

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def count(self, predicate, box=None):
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        return sum(1 for y in range(y0, y1) for x in range(x0, x1) if predicate(self.pixel(x, y)))

    def difference(self, other):
        """Fraction of pixels that differ noticeably."""
        changed = 0
        for i in range(0, min(len(self.rgb), len(other.rgb)), 3):
            if sum(abs(self.rgb[i + k] - other.rgb[i + k]) for k in range(3)) > 30:
                changed += 1
        return changed / (self.width * self.height)


class Program:
    """One program run in its own copy of the data folder."""

    def __init__(self, xvfb, name, data_dir, extra_env=None):
        self.xvfb = xvfb
        env = dict(xvfb.env)
        env.update(extra_env or {})
        self.process = subprocess.Popen([os.path.join(BIN, name)], cwd=data_dir, env=env,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.stdout_lines = []
        self.stderr_lines = []
        self._readers = [threading.Thread(target=self._pump, args=(self.process.stdout, self.stdout_lines)),
                         threading.Thread(target=self._pump, args=(self.process.stderr, self.stderr_lines))]
        for reader in self._readers:
            reader.daemon = True
            reader.start()

    @staticmethod
    def _pump(stream, lines):
        for line in stream:
            lines.append(line.rstrip("\n"))

    def wait(self, timeout=30):
        code = self.process.wait(timeout=timeout)
        self._close_streams()
        return code

    def _close_streams(self):
        for reader in self._readers:
            reader.join(timeout=5)
        self.process.stdout.close()
        self.process.stderr.close()

    def wait_for_line(self, text, timeout=30.0):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if text in self.stdout_lines:
                return
            if self.process.poll() is not None:
                break
            time.sleep(0.1)
        raise AssertionError(f"line {text!r} not printed; got {self.stdout_lines}")

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        if not self.process.stdout.closed:
            self._close_streams()


def data_copy(test_case, windowed=(800, 600)):
    """A private copy of the generated data folder, removed after the test.
    With windowed, config.ini asks for a window of that size."""
    folder = tempfile.mkdtemp(prefix="veldrun-e2e-")
    test_case.addCleanup(shutil.rmtree, folder, True)
    if DATA and os.path.isdir(DATA):
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


def overlay_text(path, box=(0, 0, 700, 160)):
    """The overlay lines read off a screenshot with tesseract: only pure white
    pixels (the overlay colour) are kept, black on white, scaled up. Spaces are
    dropped, so "Terrain Quads:123" reads "TerrainQuads:123"."""
    x, y, w, h = box
    prepared = path + ".ocr.png"
    subprocess.run(["/usr/bin/convert", path, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-fill", "black", "-opaque",
                    "white", "-fill", "white", "+opaque", "black", "-scale", "400%", prepared],
                   check=True, timeout=60)
    text = subprocess.run(["tesseract", prepared, "-", "--psm", "6"], check=True, timeout=120,
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout
    return [line.replace(" ", "") for line in text.splitlines() if line.strip()]


def overlay_number(lines, label):
    """The number after "label:", ignoring stray marks the OCR adds after it."""
    found = re.match(r"-?[0-9]+(\.[0-9]+)?", overlay_value(lines, label))
    if not found:
        raise AssertionError(f"no number on the overlay line {label!r} in {lines}")
    return float(found.group(0))


def overlay_value(lines, label):
    """The text after "label:" on the first overlay line whose label reads
    close enough to it: the OCR misreads a letter now and then ("rerrain" for
    "Terrain", "LGD" for "LOD"), more so over bright ground."""
    key = label.replace(" ", "")
    for line in lines:
        head, colon, value = line.partition(":")
        if colon and difflib.SequenceMatcher(None, head, key).ratio() >= 0.85:
            # Stray marks the OCR puts after the text ("TRUE|", "FALSE.") are dropped.
            kept = re.match(r"[A-Za-z0-9.\-]*", value).group(0)
            return kept.rstrip(".")
    raise AssertionError(f"no overlay line {label!r} in {lines}")
