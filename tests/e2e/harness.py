# End-to-end harness: the real programs in a real X window under Xvfb. Keys go
# in through XTEST (xdotool) down and up together, as remote desktops send them.
import difflib
import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import time
import unittest

BIN = os.environ.get("VELDRUN_BIN_DIR", "")
DATA = os.environ.get("VELDRUN_DATA_DIR", "")
XCLOSE = os.environ.get("VELDRUN_XCLOSE", "")
CAPTIONS = {"Error", "Config.INI", "Zorl GL", "ERROR", "Font", "SHUTDOWN ERROR", "Initialization OPENGLLINKER"}
# What veldrun and the three smaller programs print as they start.
VELDRUN_LINES = ["Preset TANK loaded with md2 model", "Preset TREE1 loaded with md2 model", "UnitPresets Loaded",
                 "Map Textures Loaded", "Map HeightMap Loaded", "Map Generated", "Map Doodad/Foliage Created",
                 "Quad View Tree Generated"]
SKARNVEIL_LINES = ["Preset TANK loaded with md2 model", "UnitPresets Loaded", "Map Textures Loaded",
                   "Map HeightMap Loaded", "Map Quads Generated", "Quad View Tree Generated"]


# A private X server; env points DISPLAY at it.
class Xvfb:
    def __init__(self, extra=()):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
             # A movement key held by a test stays one key-down, as on a remote desktop.
             "-ardelay", "20000",
             # No reset when the last client leaves: the next program would find no display.
             "-noreset", *extra],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            display = ":" + pipe.readline().strip()
        assert display != ":", "Xvfb did not start"
        self.env = dict(os.environ, DISPLAY=display)
        self.env.pop("SDL_VIDEODRIVER", None)

    def run(self, *args, check=True):
        return subprocess.run(args, env=self.env, check=check, timeout=30, capture_output=True, text=True)

    # (id, name) of every named top-level window.
    def windows(self):
        tree = self.run("xwininfo", "-root", "-children", check=False).stdout
        return re.findall(r'^\s*(0x[0-9a-f]+) "(.*)": ', tree, re.M)

    # The id of a shown top-level window named exactly title.
    def find_window(self, title, timeout=30.0):
        def shown():
            return [window for window, name in self.windows()
                    if name == title and "IsViewable" in self.run("xwininfo", "-id", window, check=False).stdout]
        return wait_until(shown, timeout, f"window named {title!r}")[0]

    def client_size(self, window):
        info = self.run("xwininfo", "-id", window).stdout
        return int(info.split("Width:")[1].split()[0]), int(info.split("Height:")[1].split()[0])

    def focus(self, window):
        self.run("xdotool", "windowfocus", "--sync", window)

    def key(self, window, *keys):
        self.focus(window)
        self.run("xdotool", "key", *keys)

    # Holds key down until until() is true (or the time is up).
    def hold(self, window, key, until, timeout=20.0):
        self.focus(window)
        self.run("xdotool", "keydown", key)
        wait_until(until, timeout, f"change while {key} is held")
        self.run("xdotool", "keyup", key)

    # Answers the shown box with one key and waits for it to close.
    def answer_box(self, caption, key="Return", timeout=30.0):
        box = self.find_window(caption, timeout)
        self.key(box, key)
        wait_until(lambda: (box, caption) not in self.windows(), timeout, f"closing of the {caption!r} box by {key}")

    def move_pointer(self, window, x, y):
        self.run("xdotool", "mousemove", "--window", window, str(x), str(y))

    def close(self, window):
        self.run(XCLOSE, window)

    # The window's pixels as an Image; also written to path when given.
    def screenshot(self, window, path=None):
        ppm = subprocess.run(["/usr/bin/import", "-window", window, "-depth", "8", "ppm:-"], env=self.env,
                             check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30).stdout
        if path:
            subprocess.run(["/usr/bin/convert", "ppm:-", path], input=ppm, check=True, timeout=30)
        return Image(ppm)

    # A message box's text as tesseract reads it (light text on grey).
    def box_text(self, window, path):
        self.screenshot(window, path)
        return read_text(path, "-negate", "-scale", "300%")

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


class Image:
    def __init__(self, ppm):
        self.width, self.height = map(int, ppm.split(maxsplit=3)[1:3])  # P6 width height maxval pixels
        self.rgb = ppm[len(ppm) - self.width * self.height * 3:]

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def count(self, predicate, box=None):
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        return sum(1 for y in range(y0, y1) for x in range(x0, x1) if predicate(self.pixel(x, y)))

    # Fraction of the sampled pixels in box that differ noticeably.
    def difference(self, other, box=None, step=3):
        x0, y0, x1, y1 = box or (0, 0, min(self.width, other.width), min(self.height, other.height))
        samples = [(x, y) for y in range(y0, y1, step) for x in range(x0, x1, step)]
        changed = sum(1 for x, y in samples
                      if sum(abs(p - q) for p, q in zip(self.pixel(x, y), other.pixel(x, y))) > 30)
        return changed / len(samples)


# One program run in a data folder. Its output goes to files, read as they
# grow, so a message box's child process holding them open blocks nothing.
class Program:
    def __init__(self, xvfb, name, data_dir, extra_env=None, args=()):
        self._output = tempfile.TemporaryDirectory(prefix="veldrun-output-")
        streams = [open(os.path.join(self._output.name, stream), "w") for stream in ("stdout", "stderr")]
        env = dict(xvfb.env, **(extra_env or {}))
        # An absolute name (an installed program) stays as it is.
        self.process = subprocess.Popen([os.path.join(BIN, name), *args], cwd=data_dir, env=env,
                                        stdout=streams[0], stderr=streams[1])
        for stream in streams:
            stream.close()

    def lines(self, stream="stdout"):
        with open(os.path.join(self._output.name, stream)) as output:
            return output.read().splitlines()

    def wait(self, timeout=30):
        return self.process.wait(timeout=timeout)

    def wait_for_line(self, text, timeout=60.0):
        wait_until(lambda: text in self.lines() or self.process.poll() is not None, timeout, f"line {text!r}")
        assert text in self.lines(), f"line {text!r} not printed; got {self.lines()} {self.lines('stderr')}"

    def peak_memory_mb(self):
        with open(f"/proc/{self.process.pid}/status") as status:
            return int(re.search(r"VmHWM:\s+(\d+) kB", status.read()).group(1)) / 1024

    # Ends the program and any message box it shows (a forked child).
    def kill(self):
        if self.process.poll() is None:
            subprocess.run(["pkill", "-9", "-P", str(self.process.pid)], check=False)
            self.process.kill()
            self.process.wait()
        self._output.cleanup()


# A test with an X server of its own, self.x; what it starts is ended after it.
class XTestCase(unittest.TestCase):
    def setUp(self):
        self.x = Xvfb()
        self.addCleanup(self.x.stop)

    def start(self, name, folder, x=None, **options):
        program = Program(x or self.x, name, folder, **options)
        self.addCleanup(program.kill)
        return program


# A private copy of the generated data folder, removed after the test,
# its config.ini holding config (none when config is None).
def data_copy(test_case, config="Width=800\nHeight=600\nBpp=32\nFullscreen=false\n"):
    folder = tempfile.mkdtemp(prefix="veldrun-e2e-")
    test_case.addCleanup(shutil.rmtree, folder, True)
    shutil.copytree(DATA, folder, dirs_exist_ok=True, ignore=shutil.ignore_patterns("config.ini"))
    if config is not None:
        pathlib.Path(folder, "config.ini").write_text(config)
    return folder


# Where a test keeps a screenshot for people to look at.
def artefact(name):
    folder = os.environ.get("VELDRUN_E2E_ARTEFACTS", tempfile.gettempdir())
    os.makedirs(folder, exist_ok=True)
    return os.path.join(folder, name)


# The text tesseract reads off the picture at path once ImageMagick has
# prepared it with the given options.
def read_text(path, *preparation):
    prepared = path + ".ocr.png"
    subprocess.run(["/usr/bin/convert", path, *preparation, prepared], check=True, timeout=60)
    return subprocess.run(["tesseract", prepared, "-", "--psm", "6"], check=True, timeout=120,
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout


# The overlay lines read off a screenshot: only pure white pixels (the
# overlay colour) are kept, black on white, scaled up; spaces are dropped.
def overlay_text(path, box=(0, 0, 700, 160)):
    x, y, w, h = box
    text = read_text(path, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-fill", "black", "-opaque", "white",
                     "-fill", "white", "+opaque", "black", "-scale", "400%")
    return [line.replace(" ", "") for line in text.splitlines() if line.strip()]


# The text after "label:" on the first line whose label reads close enough
# to it: the OCR misreads a letter now and then, more so over bright ground.
def overlay_value(lines, label):
    key = label.replace(" ", "")
    for line in lines:
        head, colon, value = line.partition(":")
        if colon and difflib.SequenceMatcher(None, head, key).ratio() >= 0.85:
            # Stray marks the OCR puts after the text ("TRUE|", "FALSEoe", "12.") are dropped.
            return re.match(r"TRUE|FALSE|[A-Za-z0-9.\-]*", value).group(0).rstrip(".")
    raise AssertionError(f"no overlay line {label!r} in {lines}")


def overlay_number(lines, label):
    found = re.match(r"-?[0-9]+(\.[0-9]+)?", overlay_value(lines, label))
    assert found, f"no number on the overlay line {label!r} in {lines}"
    return float(found.group(0))


# What condition() returns once it is true; fails after timeout seconds.
def wait_until(condition, timeout, what):
    deadline = time.time() + timeout
    while not (result := condition()):
        if time.time() > deadline:
            raise AssertionError(f"no {what} within {timeout} s")
        time.sleep(0.1)
    return result


# A screenshot once the picture below the overlay has come to rest (the
# level-of-detail control settles over a few frames; half a second is several
# of the slowest frames).
def settled(x, window, path, top=75, timeout=20.0):
    previous = x.screenshot(window)
    deadline = time.time() + timeout
    while time.time() < deadline:
        time.sleep(0.5)
        image = x.screenshot(window, path)
        if previous.difference(image, (0, top, image.width, image.height)) < 0.005:
            return image
        previous = image
    raise AssertionError(f"the picture never came to rest ({path})")
