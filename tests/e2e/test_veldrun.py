"""veldrun as a user sees it: start-up lines, the landscape, the overlay, keys."""
import time
import unittest

from harness import Program, Xvfb, artefact, data_copy, overlay_number, overlay_text, overlay_value, settled

START_LINES = ["Preset TANK loaded with md2 model", "Preset TREE1 loaded with md2 model", "UnitPresets Loaded",
               "Map Textures Loaded", "Map HeightMap Loaded", "Map Generated", "Map Doodad/Foliage Created",
               "Quad View Tree Generated", "", ""]


def is_red(p):
    return p[0] > 150 and p[1] < 80 and p[2] < 80


def is_blue(p):
    return p[2] > 200 and p[0] < 60 and p[1] < 60


class VeldrunTest(unittest.TestCase):
    def setUp(self):
        self.x = Xvfb()
        self.addCleanup(self.x.stop)

    def test_a_flight(self):
        program = Program(self.x, "veldrun", data_copy(self))
        self.addCleanup(program.kill)
        window = self.x.find_window("Veldrun")
        program.wait_for_line("Quad View Tree Generated")
        self.assertEqual(program.stdout_lines[:len(START_LINES)], START_LINES)

        # The budget control settles inside its band; the overlay says what is on.
        self.x.move_pointer(window, 400, 420)
        path = artefact("veldrun-start.png")
        shot = settled(self.x, window, path, timeout=60)
        lines = overlay_text(path)
        quads = overlay_number(lines, "Terrain Quads")
        self.assertTrue(20000 <= quads <= 34999, lines)
        self.assertTrue(0.2 <= overlay_number(lines, "Terrain LOD coefficient") <= 9.0, lines)
        self.assertEqual(overlay_value(lines, "Using VBOs"), "TRUE")
        self.assertEqual(overlay_value(lines, "Using Multitexturing"), "TRUE")
        self.assertEqual(overlay_value(lines, "Auto LOD Range Adjust"), "FALSE")
        # The short frame-rate line (third) is often lost to the OCR: its glyphs are there.
        self.assertGreater(shot.count(lambda p: min(p) >= 235, (0, 30, 60, 44)), 20)

        # A textured landscape fills the lower screen; the picked cell under the
        # pointer is red, with the blue cursor point.
        lower = (0, 300, 800, 600)
        self.assertGreater(shot.count(lambda p: sum(p) > 60, lower), 0.9 * 800 * 300)
        self.assertGreater(len({shot.pixel(x, y) for x in range(0, 800, 16) for y in range(300, 600, 16)}), 100)
        near_pointer = (340, 360, 460, 480)
        self.assertGreater(shot.count(is_red, near_pointer), 10)
        self.assertGreater(shot.count(is_blue, near_pointer), 0)

        # F2 draws the quad view tree's leaf boxes over the picture, F2 again takes them away.
        self.x.key(window, "F2")
        self.assertGreater(shot.difference(settled(self.x, window, artefact("veldrun-f2.png")), lower), 0.02)
        self.x.key(window, "F2")
        self.assertLess(shot.difference(settled(self.x, window, path), lower), 0.005)

        # F4 tapped once switches the automatic budget on, tapped again off.
        for state in ("TRUE", "FALSE"):
            self.x.key(window, "F4")
            time.sleep(1.0)
            self.x.screenshot(window, path)
            self.assertEqual(overlay_value(overlay_text(path), "Auto LOD Range Adjust"), state)

        # Held movement keys move the view.
        self.x.move_pointer(window, 799, 0)
        time.sleep(2.0)
        before = self.x.screenshot(window)
        for key in ("Up", "w", "ctrl+Left", "ctrl+Up", "Right"):
            self.x.hold(window, key, 0.8)
            time.sleep(0.5)
            after = self.x.screenshot(window)
            self.assertGreater(before.difference(after), 0.2, f"{key} changed the view")
            before = after

        self.x.key(window, "Escape")
        self.assertEqual(program.wait(), 0)
        self.assertEqual(program.stderr_lines, [])


if __name__ == "__main__":
    unittest.main()
