"""The window, the message loop and the configuration file of veldrun."""
import os
import subprocess
import unittest

from harness import BIN, Program, Xvfb, data_copy


class ShellTest(unittest.TestCase):
    def setUp(self):
        self.x = Xvfb()
        self.addCleanup(self.x.stop)

    def start(self, folder):
        program = Program(self.x, "veldrun", folder)
        self.addCleanup(program.kill)
        return program

    def test_windowed_config_opens_titled_window_and_escape_exits_zero(self):
        program = self.start(data_copy(self))
        window = self.x.find_window("Veldrun")
        self.assertEqual(self.x.client_size(window), (800, 600))
        self.x.press(window, "Escape")
        self.assertEqual(program.wait(), 0)

    def test_close_box_exits_zero(self):
        program = self.start(data_copy(self, windowed=(640, 400)))
        window = self.x.find_window("Veldrun")
        self.assertEqual(self.x.client_size(window), (640, 400))
        self.x.close(window)
        self.assertEqual(program.wait(), 0)

    def test_missing_config_shows_message_then_runs_fail_safe(self):
        folder = data_copy(self, windowed=None)
        config = os.path.join(folder, "config.ini")
        if os.path.exists(config):
            os.remove(config)
        program = self.start(folder)
        self.x.dismiss_message_box("Config.INI")
        # The fail-safe mode is 640 x 480 full screen; Xvfb has no such mode,
        # so the program asks whether to run windowed, and Yes gives the window.
        self.x.dismiss_message_box("Zorl GL")
        window = self.x.find_window("Veldrun")
        self.assertEqual(self.x.client_size(window), (640, 480))
        self.x.press(window, "Escape")
        self.assertEqual(program.wait(), 0)

    def test_refused_full_screen_and_no_closes_with_message(self):
        folder = data_copy(self, windowed=None)
        with open(os.path.join(folder, "config.ini"), "w") as config:
            config.write("Width=1111\nHeight=777\nFullscreen=true\n")
        program = self.start(folder)
        question = self.x.find_window("Zorl GL")
        self.x.press(question, "Escape", 0.2)  # the No button
        self.x.dismiss_message_box("ERROR")
        self.assertEqual(program.wait(), 0)


class NoDisplayTest(unittest.TestCase):
    def test_no_display_is_a_clear_failure_not_a_hang(self):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER")}
        run = subprocess.run([os.path.join(BIN, "veldrun")], cwd=data_copy(self), env=env, timeout=30,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.assertNotEqual(run.returncode, 0)
        self.assertIn("ERROR: Failed To Register The Window Class.", run.stderr)


if __name__ == "__main__":
    unittest.main()
