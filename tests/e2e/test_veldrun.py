"""veldrun as a user sees it: start-up lines, the landscape, the overlay, keys."""
import time
import unittest

from harness import Program, Xvfb, artefact, data_copy, overlay_number, overlay_text, overlay_value

START_LINES = [
    "Preset TANK loaded with md2 model",
    "Preset TREE1 loaded with md2 model",
    "UnitPresets Loaded",
    "Map Textures Loaded",
    "Map HeightMap Loaded",
    "Map Generated",
    "Map Doodad/Foliage Created",
    "Quad View Tree Generated",
    "",
    "",
]


def is_red(p):
    return p[0] > 150 and p[1] < 80 and p[2] < 80


def is_blue(p):
    return p[2] > 200 and p[0] < 60 and p[1] < 60


class VeldrunTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.x = Xvfb()

    @classmethod
    def tearDownClass(cls):
        cls.x.stop()

    def start(self):
        program = Program(self.x, "veldrun", data_copy(self, windowed=(800, 600)))
        self.addCleanup(program.kill)
        window = self.x.find_window("Veldrun")
        program.wait_for_line("Quad View Tree Generated")
        return program, window

    def settled_overlay(self, window, name, timeout=90):
        """Overlay lines once the quad count lies in the default budget."""
        deadline = time.time() + timeout
        while True:
            path = artefact(name)
            shot = self.x.screenshot(window, path)
            lines = overlay_text(path)
            try:
                quads = int(overlay_number(lines, "Terrain Quads"))
            except (AssertionError, ValueError):
                quads = -1
            if 20000 <= quads <= 34999 or time.time() > deadline:
                return lines, quads, shot
            time.sleep(2)

    def test_start_up_lines_landscape_overlay_and_escape(self):
        program, window = self.start()
        self.assertEqual(program.stdout_lines[:len(START_LINES)], START_LINES)

        self.x.move_pointer(window, 400, 420)
        lines, quads, shot = self.settled_overlay(window, "veldrun-start.png")
        self.assertTrue(20000 <= quads <= 34999, lines)
        coefficient = overlay_number(lines, "Terrain LOD coefficient")
        self.assertTrue(0.2 <= coefficient <= 9.0)
        self.assertEqual(overlay_value(lines, "Using VBOs"), "TRUE")
        self.assertEqual(overlay_value(lines, "Using Multitexturing"), "TRUE")
        self.assertEqual(overlay_value(lines, "Auto LOD Range Adjust"), "FALSE")
        overlay_number(lines, "FPS")

        lower = (0, 300, 800, 600)
        lit = shot.count(lambda p: sum(p) > 60, lower)
        self.assertGreater(lit, 0.9 * 800 * 300, "the landscape fills the lower screen")
        colours = {shot.pixel(x, y) for x in range(0, 800, 16) for y in range(300, 600, 16)}
        self.assertGreater(len(colours), 100, "textured, not flat")
        near_pointer = (340, 360, 460, 480)
        self.assertGreater(shot.count(is_red, near_pointer), 10, "the picked cell is tinted red")
        self.assertGreater(shot.count(is_blue, near_pointer), 0, "the blue cursor point")

        self.x.press(window, "Escape")
        self.assertEqual(program.wait(), 0)

    def test_f4_toggles_automatic_budget(self):
        program, window = self.start()
        self.x.press(window, "F4")
        time.sleep(1.5)
        path = artefact("veldrun-f4-on.png")
        self.x.screenshot(window, path)
        self.assertEqual(overlay_value(overlay_text(path), "Auto LOD Range Adjust"), "TRUE")
        self.x.press(window, "F4")
        time.sleep(1.5)
        self.x.screenshot(window, path)
        self.assertEqual(overlay_value(overlay_text(path), "Auto LOD Range Adjust"), "FALSE")
        self.x.press(window, "Escape")
        self.assertEqual(program.wait(), 0)

    def test_keys_move_the_view(self):
        program, window = self.start()
        self.x.move_pointer(window, 799, 0)
        time.sleep(3)
        view = lambda: self.x.screenshot(window)
        before = view()
        for keys, name in ((["Up"], "forward"), (["w"], "down"), (["ctrl+Left"], "swing"),
                           (["ctrl+Up"], "raise"), (["Right"], "strafe")):
            self.x.hold(window, keys[0], 0.8)
            time.sleep(1.0)
            after = view()
            self.assertGreater(before.difference(after), 0.2, f"{name} changed the view")
            before = after
        self.x.screenshot(window, artefact("veldrun-moved.png"))
        self.x.press(window, "Escape")
        self.assertEqual(program.wait(), 0)


if __name__ == "__main__":
    unittest.main()
