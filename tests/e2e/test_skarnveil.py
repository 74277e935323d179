"""The three smaller programs under Xvfb: the fixed window, the start-up
lines, the overlay, the tank under the pointer, F3, the F1 switch to a new
window and back, and the ends."""
import time
import unittest

from harness import Program, Xvfb, artefact, data_copy, overlay_number, overlay_text, settled

START_LINES = ["Preset TANK loaded with md2 model", "UnitPresets Loaded", "Map Textures Loaded",
               "Map HeightMap Loaded", "Map Quads Generated", "Quad View Tree Generated"]
ZORL_TITLE = "Zorl's OpenGL Framework"
# Overlay baselines at y 20, 40, 60 and 80 of the 1024 x 786 overlay, on an
# 800 x 600 window; glyphs stand about 12 pixels above their baseline.
SCALE_Y = 600 / 786


def white(pixel):
    return min(pixel) >= 235


class SkarnveilCase:
    program = None
    hold_f1 = False  # F1 still held when the new window gains the focus

    def setUp(self):
        self.x = Xvfb()
        self.addCleanup(self.x.stop)

    def start(self):
        program = Program(self.x, self.program, data_copy(self, windowed=None))
        self.addCleanup(program.kill)
        window = self.x.find_window("Skarnveil")
        program.wait_for_line("Quad View Tree Generated")
        return program, window

    def picture(self, window, name):
        return settled(self.x, window, artefact(f"{self.program}-{name}.png"))

    def press_f1(self, window):
        """F1 closes the window; Xvfb has no 800 x 600 mode, so the switch asks
        to go on windowed, and Yes opens the new window."""
        if not self.hold_f1:
            self.x.key(window, "F1")
            self.x.answer_box("Zorl GL")
            return self.x.find_window(ZORL_TITLE)
        self.x.focus(window)
        self.x.run("xdotool", "keydown", "F1")
        self.x.answer_box("Zorl GL")
        second = self.x.find_window(ZORL_TITLE)
        self.x.focus(second)  # as a window manager would
        time.sleep(1.0)
        self.x.run("xdotool", "keyup", "F1")
        time.sleep(2.0)
        self.assertNotIn("Zorl GL", [name for _, name in self.x.windows()], "one press, one switch")
        return second

    def test_a_session(self):
        program, window = self.start()
        self.assertEqual(self.x.client_size(window), (800, 600))
        self.assertEqual(program.stdout_lines[:6], START_LINES)
        self.assertNotIn("Map Doodad/Foliage Created", program.stdout_lines)
        self.x.move_pointer(window, 400, 300)
        path = artefact(f"{self.program}-start.png")
        image = settled(self.x, window, path, timeout=60)

        # Each of the four overlay lines has white glyph pixels in its band; the
        # long credit (y 80) lies below the short frame-rate line (y 60).
        def band(y, x0=0, x1=640):
            return image.count(white, (x0, int(y * SCALE_Y) - 12, x1, int(y * SCALE_Y) + 3))

        for y in (20, 40, 60, 80):
            self.assertGreater(band(y), 40, f"overlay line at y {y}")
        self.assertGreater(band(80, 300), 5 * band(60, 300) + 100)
        lines = overlay_text(path, box=(0, 0, 640, 70))
        self.assertIn("Skarnveilterrainvariants", lines[-1])
        self.assertGreater(overlay_number(lines, "Terrain LOD coefficient"), 0)
        count = overlay_number(lines, "Terrain Quads")
        self.assertTrue(32000 <= count <= 35000, f"quads {count} in {lines}")

        # The tank follows the point picked under the pointer.
        self.x.move_pointer(window, 200, 450)
        there = self.picture(window, "pointer-left")
        self.assertGreater(image.difference(there, (370, 280, 430, 320), 1), 0.2)
        self.assertGreater(image.difference(there, (170, 430, 230, 470), 1), 0.2)

        # F3 tapped once switches the texturing or drawing mode, tapped again back.
        self.x.key(window, "F3")
        self.assertGreater(there.difference(self.picture(window, "f3"), (0, 75, 800, 600)), 0.2)
        self.x.key(window, "F3")
        self.assertLess(there.difference(self.picture(window, "f3-twice"), (0, 75, 800, 600)), 0.05)

        # F1 opens a new window with the textures made again in its new context,
        # so the picture is the same; F1 there switches back.
        for name in ("f1", "f1-twice"):
            window = self.press_f1(window)
            self.assertEqual(self.x.client_size(window), (800, 600))
            self.assertLess(there.difference(self.picture(window, name), (0, 75, 800, 600)), 0.05)
        self.x.key(window, "Escape")
        self.assertEqual(program.wait(), 0)
        self.assertEqual(program.stderr_lines, [])


class TilesTest(SkarnveilCase, unittest.TestCase):
    program = "skarnveil-tiles"

    def test_declined_switch_ends_the_program_cleanly(self):
        program, window = self.start()
        self.x.key(window, "F1")
        self.x.answer_box("Zorl GL", "Escape")  # No: "Program Will Now Close."
        self.x.answer_box("ERROR")
        self.assertEqual(program.wait(), 0)


class CliffTest(SkarnveilCase, unittest.TestCase):
    program = "skarnveil-cliff"
    hold_f1 = True


class Cliff2Test(SkarnveilCase, unittest.TestCase):
    program = "skarnveil-cliff2"


if __name__ == "__main__":
    unittest.main()
