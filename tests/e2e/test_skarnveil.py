# The three smaller programs under Xvfb: the fixed window, the start-up
# lines, the overlay, the tank under the pointer, F3, the F1 switch to a new
# window and back, and the declined switch that ends them.
import time
import unittest

from harness import SKARNVEIL_LINES, XTestCase, artefact, data_copy, overlay_number, overlay_text, settled

class SkarnveilCase:
    def picture(self, window, name):
        return settled(self.x, window, artefact(f"{self.program}-{name}.png"))

    # F1 closes the window; Xvfb has no 800 x 600 mode, so the switch asks
    # to go on windowed, and Yes opens the new window. Held, F1 is still down
    # when the new window gains the focus.
    def switch(self, window, held):
        self.x.focus(window)
        self.x.run("xdotool", "keydown" if held else "key", "F1")
        self.x.answer_box("Zorl GL")
        window = self.x.find_window("Zorl's OpenGL Framework")
        if held:
            self.x.focus(window)  # as a window manager would
            time.sleep(1.0)
            self.x.run("xdotool", "keyup", "F1")
        return window

    def test_a_session(self):
        program = self.start(self.program, data_copy(self))
        window = self.x.find_window("Skarnveil")
        program.wait_for_line("Quad View Tree Generated")
        self.assertEqual(self.x.client_size(window), (800, 600))
        self.assertEqual(program.lines()[:6], SKARNVEIL_LINES)
        self.x.move_pointer(window, 400, 300)
        path = artefact(f"{self.program}-start.png")
        image = settled(self.x, window, path, timeout=60)

        lines = overlay_text(path, box=(0, 0, 640, 70))
        self.assertIn("Skarnveilterrainvariants", lines[-1])
        self.assertGreater(overlay_number(lines, "Terrain LOD coefficient"), 0)
        count = overlay_number(lines, "Terrain Quads")
        self.assertTrue(32000 <= count <= 35000, f"quads {count} in {lines}")
        # The short frame-rate line (third) is often lost to the OCR: its glyphs are there.
        self.assertGreater(image.count(lambda p: min(p) >= 235, (0, 34, 60, 49)), 20)

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

        # F5 opens the seams between cells of different detail, and says so: the black clear colour
        # shows through cracks. F6 draws each cell's lines in its level's colour over grey. Tapped
        # again, each brings the picture back.
        if self.program == "skarnveil-tiles":
            ground = (0, 75, 800, 600)
            cracks = lambda image: image.count(lambda p: max(p) <= 2, ground)
            self.x.key(window, "F5")
            program.wait_for_line("Terrain seams open")
            self.assertGreater(cracks(self.picture(window, "f5")), cracks(there) + 5)
            self.x.key(window, "F5")
            program.wait_for_line("Terrain seams stitched")
            self.assertEqual(cracks(self.picture(window, "f5-twice")), cracks(there))
            self.x.key(window, "F6")  # grey fill; lines red, yellow, green, blue by step
            levels = {(76, 76, 76), (255, 0, 0), (255, 255, 0), (0, 255, 0), (51, 102, 255)}
            self.assertGreater(self.picture(window, "f6").count(lambda p: p in levels, ground), 0.5 * 800 * 525)
            self.x.key(window, "F6")
            self.assertLess(there.difference(self.picture(window, "f6-twice"), ground), 0.05)

        # F1 tapped opens a new window with the textures made again in its new
        # context, so the picture is the same; F1 held there switches back once.
        for name, held in (("f1", False), ("f1-twice", True)):
            window = self.switch(window, held)
            self.assertEqual(self.x.client_size(window), (800, 600))
            self.assertLess(there.difference(self.picture(window, name), (0, 75, 800, 600)), 0.05)
            self.assertNotIn("Zorl GL", [title for _, title in self.x.windows()], "one press, one switch")
        # A declined switch leaves no window, so the program ends (Escape is
        # tapped in the missing-file runs).
        self.x.key(window, "F1")
        self.x.answer_box("Zorl GL", "Escape")  # No: "Program Will Now Close."
        self.x.answer_box("ERROR")
        self.assertEqual(program.wait(), 0)
        self.assertEqual(program.lines("stderr"), [])


class TilesTest(SkarnveilCase, XTestCase):
    program = "skarnveil-tiles"


class CliffTest(SkarnveilCase, XTestCase):
    program = "skarnveil-cliff"


class Cliff2Test(SkarnveilCase, XTestCase):
    program = "skarnveil-cliff2"


if __name__ == "__main__":
    unittest.main()
