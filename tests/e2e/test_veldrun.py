# veldrun as a user sees it: start-up lines, the landscape, the overlay, keys.
import time
import unittest

from harness import VELDRUN_LINES, XTestCase, artefact, data_copy, overlay_number, overlay_text, overlay_value, settled


class VeldrunTest(XTestCase):
    def test_a_flight(self):
        program = self.start("veldrun", data_copy(self))
        window = self.x.find_window("Veldrun")
        program.wait_for_line("Quad View Tree Generated")
        self.assertEqual(program.lines()[:10], VELDRUN_LINES + ["", ""])

        # The budget control settles inside its band; the overlay says what is on.
        self.x.move_pointer(window, 400, 420)
        path = artefact("veldrun-start.png")
        shot = settled(self.x, window, path, timeout=60)
        lines = overlay_text(path)
        self.assertTrue(20000 <= overlay_number(lines, "Terrain Quads") <= 34999, lines)
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
        self.assertGreater(shot.count(lambda p: p[0] > 150 and p[1] < 80 and p[2] < 80, near_pointer), 10)
        self.assertGreater(shot.count(lambda p: p[2] > 200 and p[0] < 60 and p[1] < 60, near_pointer), 0)

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
        before = settled(self.x, window, path)
        for key in ("Up", "w", "ctrl+Left", "ctrl+Up", "Right"):
            self.x.hold(window, key, lambda: before.difference(self.x.screenshot(window)) > 0.2)
            time.sleep(0.5)  # the key's release reaches the program
            before = self.x.screenshot(window)

        # F5 opens the seams between cells of different detail, and says so: the black clear colour
        # shows through cracks. F6 draws each cell's lines in its level's colour over grey. Tapped
        # again, each brings the picture back.
        ground = (0, 75, 800, 600)
        stitched = settled(self.x, window, path)
        cracks = lambda image: image.count(lambda p: max(p) <= 2, ground)
        self.x.key(window, "F5")
        program.wait_for_line("Terrain seams open")
        self.assertGreater(cracks(settled(self.x, window, artefact("veldrun-f5.png"))), cracks(stitched) + 5)
        self.x.key(window, "F5")
        program.wait_for_line("Terrain seams stitched")
        self.assertEqual(cracks(settled(self.x, window, path)), cracks(stitched))
        self.x.key(window, "F6")  # grey fill; lines red, yellow, green, blue by step
        levels = {(76, 76, 76), (255, 0, 0), (255, 255, 0), (0, 255, 0), (51, 102, 255)}
        shot = settled(self.x, window, artefact("veldrun-f6.png"))
        self.assertGreater(shot.count(lambda p: p in levels, ground), 0.5 * 800 * 525)
        self.x.key(window, "F6")
        self.assertLess(stitched.difference(settled(self.x, window, path), ground), 0.005)

        self.x.key(window, "Escape")
        self.assertEqual(program.wait(), 0)
        self.assertEqual(program.lines("stderr"), [])


if __name__ == "__main__":
    unittest.main()
