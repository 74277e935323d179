# veldrun as a user sees it: the start-up lines, the landscape with its trees
# and the tree under the pointer, the overlay, F2, F4's budget, the window
# resized, hidden and shown again, the camera keys, and Escape.
import unittest

from harness import (VELDRUN_LINES, XTestCase, artefact, check_camera_keys, control_settled, crown, data_copy,
                     lit, overlay_number, overlay_until, overlay_value, picture_until, settled)

POINTER = (560, 420)
NEAR_POINTER = (500, 340, 620, 450)  # holds the picked cell and the tree standing on it
LOWER = (0, 300, 800, 600)
GROUND = (0, 75, 800, 600)  # below the overlay
LEVELS = {(76, 76, 76), (255, 0, 0), (255, 255, 0), (0, 255, 0), (51, 102, 255)}  # grey fill; lines by step


class VeldrunTest(XTestCase):
    def test_a_flight(self):
        program = self.start("veldrun", data_copy(self))
        window = self.x.find_window("Veldrun")
        program.wait_for_line("Quad View Tree Generated")
        self.assertEqual(program.lines()[:10], VELDRUN_LINES + ["", ""])

        # The budget control settles inside its band of 4 to 6 units of 5000
        # quads, by its steps; the overlay says what is on.
        def started(lines):
            return control_settled(lines, 20000, 34999) and [overlay_value(lines, label) for label in (
                "Using VBOs", "Using Multitexturing", "Auto LOD Range Adjust")] == ["TRUE", "TRUE", "FALSE"]
        self.x.move_pointer(window, *POINTER)
        path = artefact("veldrun-start.png")
        coefficient = overlay_number(overlay_until(self.x, window, path, started, timeout=90),
                                     "Terrain LOD coefficient")
        shot = settled(self.x, window, path)

        # A textured landscape fills the lower screen with trees standing on
        # it; the picked cell under the pointer is red, with the blue cursor
        # point and the cursor tree.
        self.assertGreater(shot.share(lit, LOWER), 0.9)
        self.assertGreater(len({shot.pixel(x, y) for x in range(0, 800, 16) for y in range(300, 600, 16)}), 100)
        self.assertGreater(shot.count(crown, (0, 170, 800, 600)) - shot.count(crown, NEAR_POINTER), 3000)
        self.assertGreater(shot.count(lambda p: p[0] > 150 and p[1] < 80 and p[2] < 80, NEAR_POINTER), 10)
        self.assertGreater(shot.count(lambda p: p[2] > 200 and p[0] < 60 and p[1] < 60, NEAR_POINTER), 0)
        self.assertGreater(shot.count(crown, NEAR_POINTER), 100)

        # F2 draws the quad view tree's leaf boxes over the picture, F2 again takes them away.
        self.x.key(window, "F2")
        picture_until(self.x, window, artefact("veldrun-f2.png"), lambda now: shot.difference(now, LOWER) > 0.02,
                      "the quad tree's boxes")
        self.x.key(window, "F2")
        picture_until(self.x, window, path, lambda now: shot.difference(now, LOWER) < 0.005, "the boxes gone")

        # F4 switches the automatic budget on: below 40 frames a second (the software renderer under the
        # sanitizers draws far fewer) it falls a unit at a time, and the control lowers the detail with it.
        # F4 again switches it off.
        self.x.key(window, "F4")
        lines = overlay_until(self.x, window, path, lambda lines: overlay_value(
            lines, "Auto LOD Range Adjust") == "TRUE" and overlay_number(lines, "Terrain Quads") < 20000)
        self.assertLess(overlay_number(lines, "Terrain LOD coefficient"), coefficient)
        self.x.key(window, "F4")
        overlay_until(self.x, window, path, lambda lines: overlay_value(lines, "Auto LOD Range Adjust") == "FALSE")

        # A larger window is drawn to its edges; back to its size, hidden and
        # shown again, it is drawn again, the cursor tree under the pointer's
        # new place.
        self.x.run("xdotool", "windowsize", window, "1000", "750")
        picture_until(self.x, window, artefact("veldrun-larger.png"),
                      lambda now: now.width == 1000 and now.share(lit, (900, 100, 1000, 750)) > 0.9,
                      "the larger window drawn to its edges")
        self.x.run("xdotool", "windowsize", window, "800", "600")
        self.x.move_pointer(window, 250, 470)
        self.x.run("xdotool", "windowunmap", "--sync", window)
        self.x.run("xdotool", "windowmap", "--sync", window)
        picture_until(self.x, window, artefact("veldrun-shown.png"),
                      lambda now: now.width == 800 and now.share(lit, LOWER) > 0.9 and now.count(crown, NEAR_POINTER) < 50
                      and now.count(crown, (190, 390, 310, 500)) > 100, "the picture again, the cursor tree moved")

        check_camera_keys(self, self.x, window)

        # F5 opens the seams between cells of different detail, and says so: the black clear colour
        # shows through cracks. F6 draws each cell's lines in its level's colour over grey. Tapped
        # again, each brings the picture back.
        stitched = settled(self.x, window, path)
        cracks = lambda image: image.count(lambda p: max(p) <= 2, GROUND)
        self.x.key(window, "F5")
        program.wait_for_line("Terrain seams open")
        picture_until(self.x, window, artefact("veldrun-f5.png"), lambda now: cracks(now) > cracks(stitched) + 5,
                      "cracks")
        self.x.key(window, "F5")
        program.wait_for_line("Terrain seams stitched")
        picture_until(self.x, window, path, lambda now: cracks(now) <= cracks(stitched), "the cracks closed")
        self.x.key(window, "F6")
        picture_until(self.x, window, artefact("veldrun-f6.png"),
                      lambda now: now.share(lambda p: p in LEVELS, GROUND) > 0.5, "the level view")
        self.x.key(window, "F6")
        picture_until(self.x, window, path, lambda now: stitched.difference(now, GROUND) < 0.005,
                      "the textured picture again")

        self.x.key(window, "Escape")
        self.assertEqual(program.wait(), 0)
        self.assertEqual(program.lines("stderr"), [])


if __name__ == "__main__":
    unittest.main()
