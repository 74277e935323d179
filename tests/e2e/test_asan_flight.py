"""A short veldrun flight under AddressSanitizer and UndefinedBehaviorSanitizer.

Builds nothing: it runs the sanitized veldrun of the ASan build folder
(VELDRUN_ASAN_VELDRUN, else build-asan/bin/veldrun beside this source tree)
and skips with a clear message when there is none.
"""
import os
import time
import unittest

from harness import Program, Xvfb, data_copy

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
ASAN_VELDRUN = os.environ.get("VELDRUN_ASAN_VELDRUN", os.path.join(SOURCE_DIR, "build-asan", "bin", "veldrun"))
REPORT_MARKS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:", "SUMMARY: ")


@unittest.skipUnless(os.access(ASAN_VELDRUN, os.X_OK),
                     f"no sanitized veldrun at {ASAN_VELDRUN}: build it with "
                     "-DVELDRUN_SANITIZE=ON -DVELDRUN_PROGRAMS=ON --target veldrun (scripts/test does)")
class AsanFlightTest(unittest.TestCase):
    def setUp(self):
        self.x = Xvfb()
        self.addCleanup(self.x.stop)

    def test_flight_then_escape_exits_zero_without_a_report(self):
        env = {
            # Leak checks are off as for the OpenGL tests: llvmpipe's JIT keeps
            # unwind records for the process and the driver is unloaded at exit,
            # so its leftovers come with stacks that name no module and cannot be
            # told from ours. Leaks of the whole program are memcheck's part
            # (bench/valgrind/run-memcheck.sh); here every memory error and
            # undefined behaviour still ends the run with a report.
            "ASAN_OPTIONS": "detect_leaks=0:abort_on_error=0:exitcode=23",
            "UBSAN_OPTIONS": "print_stacktrace=1:halt_on_error=1",
        }
        program = Program(self.x, ASAN_VELDRUN, data_copy(self, windowed=(640, 480)), extra_env=env)
        self.addCleanup(program.kill)
        window = self.x.find_window("Veldrun", timeout=120)
        program.wait_for_line("Quad View Tree Generated", timeout=180)

        # Forward, turn, climb, orbit, back, and the budget toggle: every
        # per-frame path of the camera and the level-of-detail control.
        self.x.move_pointer(window, 320, 300)
        for key in ("w", "Left", "Up", "ctrl+Right", "ctrl+Down", "s", "Right"):
            self.x.hold(window, key, 0.6)
        self.x.key(window, "F4", "F2", "F4", "F2")
        self.x.move_pointer(window, 100, 400)
        time.sleep(1.0)
        self.assertIsNone(program.process.poll(), f"veldrun ended early: {program.stderr_lines[-30:]}")

        self.x.key(window, "Escape")
        code = program.wait(timeout=60)
        reports = [line for line in program.stderr_lines if any(mark in line for mark in REPORT_MARKS)]
        self.assertEqual(reports, [], "\n".join(program.stderr_lines[-60:]))
        self.assertEqual(code, 0, "\n".join(program.stderr_lines[-60:]))
        self.assertIn("Quad View Tree Generated", program.stdout_lines)


if __name__ == "__main__":
    unittest.main()
