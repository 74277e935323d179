# End-to-end harness: the real programs in a real X window under Xvfb. Keys go
# in through XTEST (xdotool) down and up together, as remote desktops send them.
import difflib
import operator
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

    # Holds keys ("ctrl+Up") down until until() is true (or the time is up),
    # then lets them go the other way round: the arrow before Ctrl, as fingers do.
    def hold(self, window, keys, until, timeout=20.0):
        self.focus(window)
        for key in keys.split("+"):
            self.run("xdotool", "keydown", key)
        wait_until(until, timeout, f"change while {keys} is held")
        for key in reversed(keys.split("+")):
            self.run("xdotool", "keyup", key)

    # Answers the shown box with one key and waits for it to close.
    def answer_box(self, caption, key="Return", timeout=30.0):
        box = self.find_window(caption, timeout)
        self.key(box, key)
        wait_until(lambda: (box, caption) not in self.windows(), timeout, f"closing of the {caption!r} box by {key}")

    def move_pointer(self, window, x, y):
        self.run("xdotool", "mousemove", "--window", window, str(x), str(y))

    # The pointer to the screen's far corner, outside every window the programs open.
    def pointer_away(self):
        self.run("xdotool", "mousemove", "1279", "1023")

    def close(self, window):
        self.run(XCLOSE, window)

    # The window's pixels as an Image; also written to path when given.
    def screenshot(self, window, path=None):
        image = Image(subprocess.run(["/usr/bin/import", "-window", window, "-depth", "8", "ppm:-"], env=self.env,
                                     check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30).stdout)
        if path:
            image.save(path)
        return image

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
        self.ppm = ppm

    def save(self, path):
        subprocess.run(["/usr/bin/convert", "ppm:-", path], input=self.ppm, check=True, timeout=30)

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def count(self, predicate, box=None):
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        return sum(1 for y in range(y0, y1) for x in range(x0, x1) if predicate(self.pixel(x, y)))

    # Fraction of the sampled pixels in box for which predicate holds.
    def share(self, predicate, box, step=3):
        x0, y0, x1, y1 = box
        samples = [self.pixel(x, y) for y in range(y0, y1, step) for x in range(x0, x1, step)]
        return sum(1 for pixel in samples if predicate(pixel)) / len(samples)

    # Fraction of the sampled pixels in box that differ noticeably.
    def difference(self, other, box=None, step=3):
        x0, y0, x1, y1 = box or (0, 0, min(self.width, other.width), min(self.height, other.height))
        changed = samples = 0
        for y in range(y0, y1, step):
            rows = [image.rgb[(y * image.width + x0) * 3:(y * image.width + x1) * 3] for image in (self, other)]
            channels = [row[c::3 * step] for row in rows for c in range(3)]
            changed += sum(1 for r, g, b, s, t, u in zip(*channels) if abs(r - s) + abs(g - t) + abs(b - u) > 30)
            samples += len(channels[0])
        return changed / samples

    # How alike the light and shade of two pictures are: the correlation of
    # the brightness of 8 x 8 blocks in box (1 for the same shading, whatever
    # the colours).
    def shading(self, other, box):
        x0, y0, x1, y1 = box
        blocks = [[sum(sum(image.pixel(x, y)) for y in range(by, by + 8, 2) for x in range(bx, bx + 8, 2))
                   for by in range(y0, y1 - 7, 8) for bx in range(x0, x1 - 7, 8)] for image in (self, other)]
        means = [sum(b) / len(b) for b in blocks]
        a, b = ([v - mean for v in values] for values, mean in zip(blocks, means))
        return sum(p * q for p, q in zip(a, b)) / (sum(p * p for p in a) * sum(q * q for q in b)) ** 0.5

    # Fraction of the sampled pixels in box whose brightness differs from their
    # right neighbour's: the grain of a texture, which bare shading lacks.
    def grain(self, box, step=3):
        x0, y0, x1, y1 = box
        samples = [(x, y) for y in range(y0, y1, step) for x in range(x0, x1, step)]
        return sum(1 for x, y in samples if abs(sum(self.pixel(x, y)) - sum(self.pixel(x + 1, y))) > 6) / len(samples)

    # Where the blue cursor point is drawn (the middle of its pixels), or None.
    def cursor_point(self):
        found = [m.start() // 3 for m in BLUE.finditer(self.rgb) if m.start() % 3 == 0]
        if not found:
            return None
        return (round(sum(i % self.width for i in found) / len(found)),
                round(sum(i // self.width for i in found) / len(found)))


# Pixels of the blue cursor point: no red or green, some blue. In the smaller
# programs the point is drawn with the tank's skin still bound, which darkens
# it. (A lookahead, so that matches overlap and every pixel's start is tried.)
BLUE = re.compile(rb"(?=[\x00-\x08]{2}[\x28-\xff])", re.S)


# A pixel of a drawn picture rather than of the black clear colour or a shadow.
def lit(pixel):
    return sum(pixel) > 60


# A tree's crown: the dark green of the tree skin's needles, darker and
# greener than any grass of the ground.
def crown(pixel):
    red, green, blue = pixel
    return green >= red + 20 and green >= blue + 20 and red < 50


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
def read_text(path, *preparation, psm=6):
    prepared = path + ".ocr.png"
    subprocess.run(["/usr/bin/convert", path, *preparation, prepared], check=True, timeout=60)
    return subprocess.run(["tesseract", prepared, "-", "--psm", str(psm)], check=True, timeout=120,
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


# What read() returns once two reads half a second apart agree (same() tells);
# half a second is several of the slowest frames.
def at_rest(read, what, same=operator.eq, timeout=20.0):
    previous = read()
    deadline = time.time() + timeout
    while time.time() < deadline:
        time.sleep(0.5)
        value = read()
        if same(previous, value):
            return value
        previous = value
    raise AssertionError(f"{what} never came to rest")


# A screenshot, kept at path, once the picture below the overlay has come to
# rest (the level-of-detail control settles over a few frames).
def settled(x, window, path, top=75, timeout=20.0):
    image = at_rest(lambda: x.screenshot(window), f"the picture ({path})",
                    lambda a, b: a.difference(b, (0, top, b.width, b.height)) < 0.005, timeout)
    image.save(path)
    return image


# A screenshot, kept at path, once condition(picture) holds: the change a key
# or a window operation must show, waited on however slow the frames.
def picture_until(x, window, path, condition, what, timeout=30.0):
    shots = []

    def holds():
        shots[:] = [x.screenshot(window)]
        return condition(shots[0])
    try:
        wait_until(holds, timeout, what)
    except AssertionError:
        raise AssertionError(f"the picture never showed {what} within {timeout} s ({path})") from None
    finally:
        if shots:
            shots[0].save(path)
    return shots[0]


# The overlay's lines, read off fresh screenshots until condition(lines)
# holds: a line the OCR misses in one picture it reads in the next.
def overlay_until(x, window, path, condition, box=(0, 0, 700, 160), timeout=60.0):
    read = []

    def holds():
        x.screenshot(window, path)
        read[:] = overlay_text(path, box)
        try:
            return condition(read)
        except (AssertionError, IndexError):  # a line not read this time, or none yet
            return False
    try:
        wait_until(holds, timeout, "overlay")
    except AssertionError:
        raise AssertionError(f"the overlay never read as expected within {timeout} s: {read} ({path})") from None
    return list(read)


# Whether the overlay shows the quad budget's control come to rest: the quads
# drawn inside the band from low to high, and the coefficient its start value,
# 1, moved by the control's steps (10 per cent up or down a frame).
def control_settled(lines, low, high):
    coefficient = overlay_number(lines, "Terrain LOD coefficient")
    return low <= overlay_number(lines, "Terrain Quads") <= high and any(
        abs(1.1 ** up * 0.9 ** down - coefficient) < 5e-6 * coefficient
        for up in range(60) for down in range(60) if up + down > 0)


# Which way each camera key moves the picture, read off the blue cursor point:
# with the pointer outside the window the point stays on the ground where it
# was picked. Far up the screen it shows the moves; near the bottom the swings
# about the point looked at (Ctrl), which turn near ground against the way a
# move would, so a lost Ctrl shows. (key, its way across and down the screen)
CAMERA_KEYS = [((400, 220), [("Up", 0, 1), ("Down", 0, -1), ("Left", 1, 0), ("Right", -1, 0)]),
               ((400, 520), [("w", 0, -1), ("s", 0, 1), ("ctrl+Up", 0, -1), ("ctrl+Down", 0, 1),
                             ("ctrl+Left", -1, 0), ("ctrl+Right", 1, 0)])]


def check_camera_keys(test, x, window, only=None):
    def point():
        return x.screenshot(window).cursor_point()

    for (px, py), keys in CAMERA_KEYS:
        keys = [key for key in keys if only is None or key[0] in only]
        if not keys:
            continue
        x.move_pointer(window, px, py)
        at = wait_until(lambda: (p := point()) and abs(p[0] - px) + abs(p[1] - py) <= 4 and p, 30,
                        f"cursor point under the pointer at ({px}, {py})")
        x.pointer_away()
        for key, across, down in keys:
            # Held until the point has moved a little; where it comes to rest tells the way.
            x.hold(window, key, lambda: (p := point()) is None or abs(p[0] - at[0]) + abs(p[1] - at[1]) >= 8)
            now = at_rest(point, f"the cursor point after {key}")
            test.assertIsNotNone(now, f"{key} took the cursor point out of the picture")
            dx, dy = now[0] - at[0], now[1] - at[1]
            test.assertGreater(dx * across + dy * down, max(4, abs(dx * down) + abs(dy * across)),
                               f"{key} moved the cursor point by ({dx}, {dy})")
            at = now
