"""veldrun's window, message loop, configuration file and message boxes."""
import os
import subprocess
import unittest

from harness import BIN, Program, Xvfb, data_copy, letters


class ShellTest(unittest.TestCase):
    def setUp(self):
        self.x = Xvfb()
        self.addCleanup(self.x.stop)

    def start(self, folder, x=None):
        program = Program(x or self.x, "veldrun", folder)
        self.addCleanup(program.kill)
        return program

    def test_escape_tapped_once_ends_every_run(self):
        # Down and up arrive together, often within one slow frame.
        folder = data_copy(self)
        for run in range(3):
            program = self.start(folder)
            window = self.x.find_window("Veldrun")
            self.assertEqual(self.x.client_size(window), (800, 600))
            program.wait_for_line("Quad View Tree Generated")
            self.x.key(window, "Escape")
            self.assertEqual(program.wait(), 0, f"run {run}")

    def test_close_box_exits_zero(self):
        program = self.start(data_copy(self, windowed=(640, 400)))
        window = self.x.find_window("Veldrun")
        self.assertEqual(self.x.client_size(window), (640, 400))
        self.x.close(window)
        self.assertEqual(program.wait(), 0)

    def test_missing_config_shows_message_then_runs_fail_safe(self):
        folder = data_copy(self, windowed=None)
        os.remove(os.path.join(folder, "config.ini"))
        program = self.start(folder)
        self.assertIn(letters("Config.INI not found"), letters(self.x.box_text(self.x.find_window("Config.INI"))))
        self.x.answer_box("Config.INI")
        # The fail-safe mode is 640 x 480 full screen; Xvfb has no such mode,
        # so the program asks whether to run windowed, and Yes gives the window.
        self.x.answer_box("Zorl GL")
        window = self.x.find_window("Veldrun")
        self.assertEqual(self.x.client_size(window), (640, 480))
        self.x.key(window, "Escape")
        self.assertEqual(program.wait(), 0)
        self.assertEqual(program.stderr_lines, [])

    def test_no_to_windowed_mode_ends_with_a_message_and_code_zero(self):
        folder = data_copy(self, windowed=None)
        with open(os.path.join(folder, "config.ini"), "w") as config:
            config.write("Width=1111\nHeight=777\nFullscreen=true\n")
        program = self.start(folder)
        self.x.answer_box("Zorl GL", "Escape")  # the No button
        self.x.answer_box("ERROR")
        self.assertEqual(program.wait(), 0)

    def test_a_box_the_display_cannot_show_says_why_on_stderr(self):
        # An X server with no core fonts but its built-in cursor and "fixed":
        # SDL's boxes cannot draw there.
        x = Xvfb(extra=("-fp", "built-ins"))
        self.addCleanup(x.stop)
        folder = data_copy(self, windowed=None)
        os.remove(os.path.join(folder, "config.ini"))
        program = self.start(folder, x)
        window = x.find_window("Veldrun")
        self.assertEqual(x.client_size(window), (640, 480))  # the question's first button: windowed
        x.key(window, "Escape")
        self.assertEqual(program.wait(), 0)
        self.assertEqual(len(program.stderr_lines), 5, program.stderr_lines)
        self.assertTrue(program.stderr_lines[0].startswith("The message box could not be shown: "))
        self.assertEqual(program.stderr_lines[1], "Config.INI: Config.INI not found, using Fail Safe settings")
        self.assertTrue(program.stderr_lines[2].startswith("The message box could not be shown: "))
        self.assertEqual(program.stderr_lines[3], "Zorl GL: The Requested Fullscreen Mode Is Not Supported By")

    def test_no_display_is_a_clear_failure_not_a_hang(self):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER")}
        run = subprocess.run([os.path.join(BIN, "veldrun")], cwd=data_copy(self), env=env, timeout=30,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.assertEqual(run.returncode, 1)
        self.assertIn("ERROR: Failed To Register The Window Class.", run.stderr)


if __name__ == "__main__":
    unittest.main()
