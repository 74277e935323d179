# veldrun's configuration file and message boxes. That Escape tapped once
# ends every run shows in the missing-file runs, the close box in the install
# tests, No to windowed mode in the smaller programs' declined switch.
import os
import re
import subprocess
import unittest

from harness import BIN, XTestCase, Xvfb, artefact, data_copy


class ShellTest(XTestCase):
    def test_missing_config_shows_message_then_runs_fail_safe(self):
        program = self.start("veldrun", data_copy(self, config=None))
        # Only the letters and digits, in lower case: what OCR reads reliably.
        text = self.x.box_text(self.x.find_window("Config.INI"), artefact("veldrun-config-box.png"))
        self.assertIn("configininotfound", re.sub(r"[^a-z0-9]", "", text.lower()))
        self.x.answer_box("Config.INI")
        # The fail-safe mode is 640 x 480 full screen; Xvfb has no such mode,
        # so the program asks whether to run windowed, and Yes gives the window.
        self.x.answer_box("Zorl GL")
        window = self.x.find_window("Veldrun")
        self.assertEqual(self.x.client_size(window), (640, 480))
        self.x.key(window, "Escape")
        self.assertEqual(program.wait(), 0)
        self.assertEqual(program.lines("stderr"), [])

    def test_a_box_the_display_cannot_show_says_why_on_stderr(self):
        # An X server with no core fonts but its built-in cursor and "fixed":
        # SDL's boxes cannot draw there, so the text goes to standard error
        # and the first button (Yes: windowed) is the answer.
        x = Xvfb(extra=("-fp", "built-ins"))
        self.addCleanup(x.stop)
        program = self.start("veldrun", data_copy(self, config=None), x)
        window = x.find_window("Veldrun")
        self.assertEqual(x.client_size(window), (640, 480))
        x.key(window, "Escape")
        self.assertEqual(program.wait(), 0)
        self.assertIn("Config.INI: Config.INI not found, using Fail Safe settings", program.lines("stderr"))
        self.assertTrue(program.lines("stderr")[0].startswith("The message box could not be shown: "))

    def test_no_display_is_a_clear_failure_not_a_hang(self):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER")}
        run = subprocess.run([os.path.join(BIN, "veldrun")], cwd=data_copy(self), env=env, timeout=30,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.assertEqual(run.returncode, 1)
        self.assertIn("ERROR: Failed To Register The Window Class.", run.stderr)


if __name__ == "__main__":
    unittest.main()
