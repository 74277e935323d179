# The installed programs: cmake --install into a staging folder, veldrun started
# from an empty folder with its per-user folder, its command line, the menu
# entries and manual page, and the Debian package's contents and fields.
import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import unittest

from harness import BIN, XTestCase

BUILD = os.path.dirname(BIN)
PROGRAMS = ["veldrun", "skarnveil-tiles", "skarnveil-cliff", "skarnveil-cliff2"]
MENU = ["usr/share/applications/%s.desktop" % name for name in PROGRAMS]
ICON, MANUAL = "usr/share/icons/hicolor/48x48/apps/veldrun.png", "usr/share/man/man6/veldrun.6"


def run(*args, **kwargs):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=600, **kwargs)


class InstalledTest(XTestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="veldrun-install-")
        cls.addClassCleanup(shutil.rmtree, cls.tmp)
        cls.stage, cls.empty, cls.user = (os.path.join(cls.tmp, d) for d in ("stage", "empty", "xdg/veldrun"))
        os.mkdir(cls.empty)
        done = run("cmake", "--install", BUILD, "--prefix", "/usr", env=dict(os.environ, DESTDIR=cls.stage))
        assert done.returncode == 0, done.stderr
        cls.veldrun = os.path.join(cls.stage, "usr/bin/veldrun")
        cls.env = {"HOME": os.path.join(cls.tmp, "home"), "XDG_DATA_HOME": os.path.join(cls.tmp, "xdg")}

    def window_of(self, *args):
        # The client size of veldrun's window once its start-up is done, with no
        # message box shown; then the window's close box ends it with code 0.
        program = self.start(self.veldrun, self.empty, extra_env=self.env, args=args)
        program.wait_for_line("Quad View Tree Generated", timeout=120)
        self.assertEqual([name for _, name in self.x.windows()], ["Veldrun"])
        window = self.x.find_window("Veldrun")
        size = self.x.client_size(window)
        self.x.close(window)
        self.assertEqual(program.wait(), 0)
        return size

    def test_menu_entries_and_manual_page_are_clean(self):
        for entry in MENU:
            checked = run("desktop-file-validate", os.path.join(self.stage, entry))
            self.assertEqual((checked.returncode, checked.stdout + checked.stderr), (0, ""))
        manual = run("man", "--warnings", "-l", os.path.join(self.stage, MANUAL), env=dict(os.environ, MANWIDTH="80"))
        self.assertEqual((manual.returncode, manual.stderr), (0, ""))

    def test_per_user_folder_then_its_edited_config(self):
        self.assertEqual(self.window_of(), (1024, 768))
        link = os.path.join(self.user, "map/test/map_qv.raw")
        self.assertEqual(os.readlink(link), os.path.join(self.stage, "usr/share/veldrun/map/test/map_qv.raw"))
        config = pathlib.Path(self.user, "config.ini")
        self.assertFalse(config.is_symlink())
        config.write_text(config.read_text().replace("Width=1024", "Width=800"))
        self.assertEqual(self.window_of(), (800, 768))

    def test_command_line(self):
        mine = os.path.join(self.tmp, "mine")
        shutil.copytree(os.path.join(self.stage, "usr/share/veldrun"), mine)
        pathlib.Path(mine, "config.ini").write_text("Width=720\nHeight=540\nFullscreen=false\n")
        self.assertEqual(self.window_of("--data", mine), (720, 540))
        nowhere = os.path.join(self.tmp, "nowhere")
        for args, code, says in ((["--help"], 0, r"^Usage: veldrun \[--data DIR\]"),
                                 (["--version"], 0, r"^veldrun \d+\.\d+\.\d+\n$"),
                                 (["--bogus"], 2, r"^veldrun: .*\nUsage: veldrun "),
                                 (["--data", nowhere], 2, r"^veldrun: cannot run in ")):
            done = run(self.veldrun, *args)
            self.assertEqual(done.returncode, code, args)
            self.assertRegex(done.stdout if code == 0 else done.stderr, says)

    def test_no_data_anywhere_is_one_message_naming_both_places(self):
        # A copy of the program with no data set beside it; with no display the message comes on standard error.
        lonely = os.path.join(self.tmp, "lonely/bin")
        shutil.copytree(os.path.dirname(self.veldrun), lonely)
        env = dict(os.environ, HOME=self.env["HOME"], XDG_DATA_HOME=os.path.join(self.tmp, "other"))
        env.pop("DISPLAY", None)
        failed = run(os.path.join(lonely, "veldrun"), cwd=self.empty, env=env)
        self.assertEqual((failed.returncode, failed.stderr.count("veldrun: No data files found.")), (1, 1))
        self.assertIn(self.empty, failed.stderr)
        self.assertIn(os.path.join(self.tmp, "other/veldrun"), failed.stderr)


class PackageTest(unittest.TestCase):
    def test_debian_package_contents_and_fields(self):
        with tempfile.TemporaryDirectory() as out:
            made = run("cpack", "-G", "DEB", "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-B", out)
            self.assertEqual(made.returncode, 0, made.stdout + made.stderr)
            deb = os.path.join(out, [name for name in os.listdir(out) if name.endswith(".deb")][0])
            listed = set(re.findall(r" \./(\S+)", run("dpkg-deb", "--contents", deb).stdout))
            self.assertLessEqual({"usr/bin/" + name for name in PROGRAMS + ["veldrun-data"]} | set(MENU) | {
                ICON, MANUAL, "usr/share/veldrun/map/test/map_qv.raw", "usr/share/veldrun/config.ini"}, listed)
            depends = run("dpkg-deb", "--field", deb, "Depends").stdout
            for package in ("libsdl2-2.0-0", "fonts-liberation", "xfonts-base"):
                self.assertIn(package, depends)


if __name__ == "__main__":
    unittest.main()
