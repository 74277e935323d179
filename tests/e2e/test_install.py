# The installed programs: cmake --install into a staging folder, veldrun started
# elsewhere with its per-user folder, its command line, the menu entries and
# manual pages, and the two Debian packages' contents and fields.
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
TOOLS = {"usr/bin/veldrun-data", "usr/share/man/man1/veldrun-data.1"}


def run(*args, **kwargs):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=600, **kwargs)


class InstalledTest(XTestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="veldrun-install-")
        cls.addClassCleanup(shutil.rmtree, cls.tmp)
        cls.stage, cls.elsewhere, cls.user = (os.path.join(cls.tmp, d) for d in ("stage", "elsewhere", "xdg/veldrun"))
        # A folder with a config.ini (a common name) and no data files: no data folder.
        os.mkdir(cls.elsewhere)
        pathlib.Path(cls.elsewhere, "config.ini").write_text("Width=640\nHeight=480\nFullscreen=false\n")
        done = run("cmake", "--install", BUILD, "--prefix", "/usr", env=dict(os.environ, DESTDIR=cls.stage))
        assert done.returncode == 0, done.stderr
        cls.veldrun = os.path.join(cls.stage, "usr/bin/veldrun")
        cls.env = {"HOME": os.path.join(cls.tmp, "home"), "XDG_DATA_HOME": os.path.join(cls.tmp, "xdg")}

    def window_of(self, *args):
        # The client size of veldrun's window once its start-up is done, with no
        # message box shown; then the window's close box ends it with code 0.
        program = self.start(self.veldrun, self.elsewhere, extra_env=self.env, args=args)
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
        for manual in (MANUAL, "usr/share/man/man1/veldrun-data.1"):
            shown = run("man", "--warnings", "-l", os.path.join(self.stage, manual), env=dict(os.environ, MANWIDTH="80"))
            self.assertEqual((shown.returncode, shown.stderr), (0, ""))

    def test_per_user_folder_its_edited_config_then_its_dangling_links(self):
        self.assertEqual(self.window_of(), (1024, 768))
        installed = os.path.join(self.stage, "usr/share/veldrun")
        self.assertEqual(os.readlink(os.path.join(self.user, "map/test/map_qv.raw")),
                         os.path.join(installed, "map/test/map_qv.raw"))
        config = pathlib.Path(self.user, "config.ini")
        self.assertFalse(config.is_symlink())
        config.write_text(config.read_text().replace("Width=1024", "Width=800"))
        self.assertEqual(self.window_of(), (800, 768))
        # The installed data set gone, the per-user folder holds links to nothing and its own config.ini:
        # one message naming both places (on standard error with no display), exit code 1.
        os.rename(installed, installed + ".gone")
        self.addCleanup(os.rename, installed + ".gone", installed)
        env = dict(os.environ, **self.env)
        env.pop("DISPLAY", None)
        failed = run(self.veldrun, cwd=self.elsewhere, env=env)
        self.assertEqual((failed.returncode, failed.stderr.count("veldrun: No data files found.")), (1, 1))
        self.assertIn(self.elsewhere, failed.stderr)
        self.assertIn(self.user, failed.stderr)

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


class PackageTest(unittest.TestCase):
    def test_two_debian_packages_and_only_the_tools_need_gdal(self):
        with tempfile.TemporaryDirectory() as out:
            made = run("cpack", "-G", "DEB", "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-B", out)
            self.assertEqual(made.returncode, 0, made.stdout + made.stderr)
            debs = {name.split("_")[0]: os.path.join(out, name) for name in os.listdir(out) if name.endswith(".deb")}
            self.assertEqual(set(debs), {"veldrun", "veldrun-tools"})
            files = {package: {path for path in re.findall(r" \./(\S+)", run("dpkg-deb", "--contents", deb).stdout)
                               if not path.endswith("/")} for package, deb in debs.items()}
            depends = {package: run("dpkg-deb", "--field", deb, "Depends").stdout for package, deb in debs.items()}
        self.assertLessEqual({"usr/bin/" + name for name in PROGRAMS} | set(MENU) | {
            ICON, MANUAL, "usr/share/veldrun/map/test/map_qv.raw", "usr/share/veldrun/config.ini"}, files["veldrun"])
        self.assertFalse(files["veldrun"] & TOOLS)
        self.assertEqual(files["veldrun-tools"], TOOLS)
        for package in ("libsdl2-2.0-0", "fonts-liberation", "xfonts-base"):
            self.assertIn(package, depends["veldrun"])
        self.assertNotIn("gdal", depends["veldrun"])
        self.assertIn("libgdal", depends["veldrun-tools"])


if __name__ == "__main__":
    unittest.main()
