# The three smaller programs under Xvfb: the fixed window, the start-up
# lines, the overlay, the tank under the pointer, F3, a camera key held and a
# swing, and the F1 switch to a new window and back, whose declined switch
# ends them. The two cliff programs share their whole run but for the mesh and
# the drawing, so skarnveil-cliff leaves the keys and the switch to
# skarnveil-cliff2.
import unittest

from harness import (SKARNVEIL_LINES, XTestCase, artefact, check_camera_keys, control_settled, data_copy,
                     lit, overlay_number, overlay_until, picture_until, settled, wait_until)

PICTURE = (0, 75, 800, 600)  # below the overlay


class SkarnveilCase:
    whole_run = True

    def picture(self, window, name):
        return settled(self.x, window, artefact(f"{self.program}-{name}.png"))

    def picture_until(self, window, name, condition, what):
        return picture_until(self.x, window, artefact(f"{self.program}-{name}.png"), condition, what)

    # F1 (pressed before) closes the window; Xvfb has no 800 x 600 mode, so
    # the switch asks to go on windowed, and Yes opens the new window, which
    # is returned once it shows a drawn picture.
    def new_window(self, name):
        self.x.answer_box("Zorl GL")
        window = self.x.find_window("Zorl's OpenGL Framework")
        self.x.focus(window)  # as a window manager would
        self.assertEqual(self.x.client_size(window), (800, 600))
        self.picture_until(window, name, lambda now: now.share(lit, PICTURE) > 0.5, "a drawn picture in the new window")
        return window

    def test_a_session(self):
        program = self.start(self.program, data_copy(self))
        window = self.x.find_window("Skarnveil")
        program.wait_for_line("Quad View Tree Generated")
        self.assertEqual(self.x.client_size(window), (800, 600))
        self.assertEqual(program.lines()[:6], SKARNVEIL_LINES)
        self.x.move_pointer(window, 400, 300)
        path = artefact(f"{self.program}-start.png")

        # The control settles inside 32000 to 35000 quads by its steps.
        def started(lines):
            return "Skarnveilterrainvariants" in lines[-1] and control_settled(lines, 32000, 35000)
        overlay_until(self.x, window, path, started, (0, 0, 640, 70), timeout=90)
        image = settled(self.x, window, path)

        # The tank follows the point picked under the pointer.
        self.x.move_pointer(window, 200, 450)
        self.picture_until(window, "pointer-left", lambda now: image.difference(now, (370, 280, 430, 320), 1) > 0.2
                           and image.difference(now, (170, 430, 230, 470), 1) > 0.2, "the tank at the pointer")
        there = self.picture(window, "pointer-left")

        # F3 tapped once switches the texturing or drawing mode, tapped again back.
        self.x.key(window, "F3")
        self.picture_until(window, "f3", lambda now: there.difference(now, PICTURE) > 0.2, "the other mode")
        self.x.key(window, "F3")
        self.picture_until(window, "f3-twice", lambda now: there.difference(now, PICTURE) < 0.05, "the first mode")

        # F5 opens the seams between cells of different detail, and says so: the black clear colour
        # shows through cracks. F6 draws each cell's lines in its level's colour over grey. Tapped
        # again, each brings the picture back.
        if self.program == "skarnveil-tiles":
            cracks = lambda image: image.count(lambda p: max(p) <= 2, PICTURE)
            self.x.key(window, "F5")
            program.wait_for_line("Terrain seams open")
            self.picture_until(window, "f5", lambda now: cracks(now) > cracks(there) + 5, "cracks")
            self.x.key(window, "F5")
            program.wait_for_line("Terrain seams stitched")
            self.picture_until(window, "f5-twice", lambda now: cracks(now) <= cracks(there), "the cracks closed")
            self.x.key(window, "F6")  # grey fill; lines red, yellow, green, blue by step
            levels = {(76, 76, 76), (255, 0, 0), (255, 255, 0), (0, 255, 0), (51, 102, 255)}
            self.picture_until(window, "f6", lambda now: now.share(lambda p: p in levels, PICTURE) > 0.5,
                               "the level view")
            self.x.key(window, "F6")
            self.picture_until(window, "f6-twice", lambda now: there.difference(now, PICTURE) < 0.05,
                               "the textured picture again")

        if self.whole_run:
            # veldrun sees every key's way: here that the program's keys move and Ctrl swings.
            check_camera_keys(self, self.x, window, ("w", "ctrl+Left"))
        self.finish(program, window)

    # F1 tapped opens a new window with the textures made again in its new
    # context, so the picture is the same; held, it switches once; declined,
    # the program ends. skarnveil-cliff ends with Escape.
    def finish(self, program, window):
        if not self.whole_run:
            self.x.key(window, "Escape")
            self.assertEqual(program.wait(), 0)
            return
        before = self.picture(window, "before-f1")
        self.x.key(window, "F1")
        window = self.new_window("f1")
        self.assertLess(before.difference(self.picture(window, "f1"), PICTURE), 0.05)
        # Up and F1 held over the switch: the new window gains the focus with
        # both down, so Up goes on moving the view there, and F1 switches once.
        for key in ("Up", "F1"):
            self.x.run("xdotool", "keydown", key)
        window = self.new_window("f1-twice")
        first = self.x.screenshot(window)
        wait_until(lambda: first.difference(self.x.screenshot(window), PICTURE) > 0.2, 30, "Up moving the view")
        for key in ("F1", "Up"):
            self.x.run("xdotool", "keyup", key)
        self.picture(window, "f1-twice")
        self.assertNotIn("Zorl GL", [title for _, title in self.x.windows()], "one press, one switch")
        # A declined switch leaves no window, so the program ends.
        self.x.key(window, "F1")
        self.x.answer_box("Zorl GL", "Escape")  # No: "Program Will Now Close."
        self.x.answer_box("ERROR")
        self.assertEqual(program.wait(), 0)
        self.assertEqual(program.lines("stderr"), [])


class TilesTest(SkarnveilCase, XTestCase):
    program = "skarnveil-tiles"


class CliffTest(SkarnveilCase, XTestCase):
    program = "skarnveil-cliff"
    whole_run = False


class Cliff2Test(SkarnveilCase, XTestCase):
    program = "skarnveil-cliff2"


if __name__ == "__main__":
    unittest.main()
