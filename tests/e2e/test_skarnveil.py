"""The three smaller programs under Xvfb: the fixed window, the start-up
lines, the overlay, F3, the F1 switch to a new window and back, and the ends."""
import os
import subprocess
import time
import unittest

from harness import Program, Xvfb, artefact, data_copy, overlay_number, overlay_text

START_LINES = ["Preset TANK loaded with md2 model", "UnitPresets Loaded", "Map Textures Loaded",
               "Map HeightMap Loaded", "Map Quads Generated", "Quad View Tree Generated"]
ZORL_TITLE = "Zorl's OpenGL Framework"
# Overlay baselines at y 20, 40, 60 and 80 of the 1024 x 786 overlay, on an
# 800 x 600 window; glyphs stand about 12 pixels above their baseline.
SCALE_Y = 600 / 786


def baseline(y):
    return int(round(y * SCALE_Y))


def white(pixel):
    return min(pixel) >= 235


def region_difference(a, b, top=75, step=3):
    """Fraction of sampled pixels below the overlay that differ noticeably."""
    changed = total = 0
    for y in range(top, min(a.height, b.height), step):
        for x in range(0, min(a.width, b.width), step):
            total += 1
            if sum(abs(p - q) for p, q in zip(a.pixel(x, y), b.pixel(x, y))) > 30:
                changed += 1
    return changed / total


def box_difference(a, b, box):
    """Fraction of the pixels in box (x0, y0, x1, y1) that differ noticeably."""
    x0, y0, x1, y1 = box
    changed = sum(1 for y in range(y0, y1) for x in range(x0, x1)
                  if sum(abs(p - q) for p, q in zip(a.pixel(x, y), b.pixel(x, y))) > 30)
    return changed / ((x1 - x0) * (y1 - y0))


class SkarnveilCase:
    program = None

    def setUp(self):
        self.x = Xvfb()
        self.addCleanup(self.x.stop)

    def start(self):
        program = Program(self.x, self.program, data_copy(self, windowed=None))
        self.addCleanup(program.kill)
        # Runs first: a message box is a forked child that holds the output
        # pipes open, so it must go before the program is killed and read out.
        self.addCleanup(self.end_children, program)
        window = self.x.find_window("Skarnveil")
        program.wait_for_line("Quad View Tree Generated", timeout=60)
        return program, window

    @staticmethod
    def end_children(program):
        if program.process.poll() is not None:
            return
        children = subprocess.run(["pgrep", "-P", str(program.process.pid)], stdout=subprocess.PIPE,
                                  text=True, check=False).stdout.split()
        for pid in children:
            try:
                os.kill(int(pid), 9)
            except OSError:
                pass

    def settled(self, window, name):
        """A screenshot once the coefficient control has come to rest."""
        path = artefact(f"{self.program}-{name}.png")
        previous = self.x.screenshot(window)
        for _ in range(12):
            time.sleep(1.0)
            image = self.x.screenshot(window, path)
            if region_difference(previous, image) < 0.005:
                return image, path
            previous = image
        self.fail(f"{self.program}: the picture never came to rest")

    def press(self, window, key):
        # Held briefly: a tap's key-down and key-up can both be handled before
        # the next idle pass, which then never sees the key.
        self.x.hold(window, key, 0.3)

    def box_open(self, box, caption):
        # X hands the next box the same id, so the caption tells them apart.
        return (box, caption) in self.x.windows()

    def answer_box(self, caption, key, timeout=30.0):
        box = self.x.find_window(caption)
        deadline = time.time() + timeout
        while time.time() < deadline and self.box_open(box, caption):
            self.x.key(box, key)
            for _ in range(10):
                time.sleep(0.2)
                if not self.box_open(box, caption):
                    return
        self.fail(f"the {caption!r} box was not answered")

    def press_f1(self, window, title):
        """F1 until the full-screen question is up. A slow frame can swallow a
        short press (down and up both handled before the next idle pass); the
        window is still there then, so pressing again is safe."""
        for _ in range(4):
            self.press(window, "F1")
            deadline = time.time() + 8
            while time.time() < deadline:
                captions = [caption for _, caption in self.x.windows()]
                if "Zorl GL" in captions or "ERROR" in captions:
                    return
                if title not in captions:
                    break  # the old window is gone: the question is coming
                time.sleep(0.2)
            else:
                continue
            self.x.find_window("Zorl GL")
            return
        self.fail("F1 never brought up the full-screen question")

    def toggle_full_screen(self, old_window, title, answer="Return"):
        self.press_f1(old_window, title)
        # Xvfb has no 800 x 600 mode, so the switch asks to go on windowed.
        # A box can be listed before it takes keys: answer again only while
        # it is still there, so no answer lands on the window after it.
        self.answer_box("Zorl GL", answer)

    def test_window_lines_overlay_f3_and_escape(self):
        program, window = self.start()
        self.assertEqual(self.x.client_size(window), (800, 600))
        self.assertEqual(program.stdout_lines[:6], START_LINES)
        self.assertNotIn("Map Generated", program.stdout_lines)
        self.assertNotIn("Map Doodad/Foliage Created", program.stdout_lines)
        # No capability messages: llvmpipe has four units, and the cliff
        # programs check nothing.
        self.assertFalse([line for line in program.stderr_lines if "OPENGLLINKER" in line])
        image, path = self.settled(window, "start")

        # Each of the four lines has white glyph pixels in its band; the long
        # credit (y 80) lies below the short frame-rate line (y 60).
        def band_count(y, x0=0, x1=640):
            return image.count(white, (x0, baseline(y) - 12, x1, baseline(y) + 3))

        for y in (20, 40, 60, 80):
            self.assertGreater(band_count(y), 40, f"overlay line at y {y}")
        self.assertGreater(band_count(80, 300, 640), 5 * band_count(60, 300, 640) + 100)

        # The reading is not perfect (the frame rate's short line is sometimes
        # lost); the pixel bands above cover all four lines.
        lines = overlay_text(path, box=(0, 0, 640, 70))
        self.assertIn("Skarnveilterrainvariants", lines[-1])
        self.assertGreater(overlay_number(lines, "Terrain LOD coefficient"), 0)
        # The generated terrain lets the control settle inside the band.
        count = overlay_number(lines, "Terrain Quads")
        self.assertTrue(32000 <= count <= 35000, f"quads {count} in {lines}")

        # The tank follows the point picked under the pointer.
        self.x.move_pointer(window, 400, 300)
        here, _ = self.settled(window, "pointer-centre")
        self.x.move_pointer(window, 200, 450)
        there, _ = self.settled(window, "pointer-left")
        self.assertGreater(box_difference(here, there, (370, 280, 430, 320)), 0.2)
        self.assertGreater(box_difference(here, there, (170, 430, 230, 470)), 0.2)
        image = there

        # F3 switches the terrain's texturing or drawing mode, and back.
        self.press(window, "F3")
        switched, _ = self.settled(window, "f3")
        self.assertGreater(region_difference(image, switched), 0.2)
        self.press(window, "F3")
        back, _ = self.settled(window, "f3-twice")
        self.assertLess(region_difference(image, back), 0.05)
        self.press(window, "Escape")
        self.assertEqual(program.wait(), 0)

    def test_f1_opens_a_new_window_with_the_same_picture(self):
        program, window = self.start()
        before, _ = self.settled(window, "before-f1")
        self.toggle_full_screen(window, "Skarnveil")
        # The question comes only once the old window is gone, so the window
        # found now is the new one (X may hand it the old one's id).
        second = self.x.find_window(ZORL_TITLE)
        self.assertEqual(self.x.client_size(second), (800, 600))
        # The textures were made again in the new context: the terrain and
        # the tank look as they did (an untextured terrain would not).
        after, _ = self.settled(second, "after-f1")
        self.assertLess(region_difference(before, after), 0.05)
        self.toggle_full_screen(second, ZORL_TITLE)
        third = self.x.find_window(ZORL_TITLE)
        self.assertEqual(self.x.client_size(third), (800, 600))
        again, _ = self.settled(third, "after-f1-twice")
        self.assertLess(region_difference(before, again), 0.05)
        self.press(third, "Escape")
        self.assertEqual(program.wait(), 0)

    def test_declined_switch_ends_the_program_cleanly(self):
        program, window = self.start()
        self.settled(window, "before-declined")
        self.press_f1(window, "Skarnveil")
        # No to windowed mode, then OK to "Program Will Now Close."; each box
        # is answered while it is up, until the program has ended.
        answers = {"Zorl GL": "Escape", "ERROR": "Return"}
        seen = set()
        deadline = time.time() + 60
        while program.process.poll() is None and time.time() < deadline:
            for box, caption in self.x.windows():
                if caption in answers:
                    seen.add(caption)
                    self.x.key(box, answers[caption])
            time.sleep(1.0)
        self.assertIn("ERROR", seen)
        self.assertEqual(program.wait(), 0)


class TilesTest(SkarnveilCase, unittest.TestCase):
    program = "skarnveil-tiles"


class CliffTest(SkarnveilCase, unittest.TestCase):
    program = "skarnveil-cliff"


class Cliff2Test(SkarnveilCase, unittest.TestCase):
    program = "skarnveil-cliff2"


if __name__ == "__main__":
    unittest.main()
