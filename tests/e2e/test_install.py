# The installed programs: cmake --install into a staging folder, veldrun started
# from an empty folder with its per-user folder, its command line, the menu
# entries and manual page, and the Debian package's contents and fields.
import os
import re
import select
import shutil
import subprocess
import tempfile
import time
import unittest

from harness import BIN, Xvfb

BUILD = os.path.dirname(BIN)
PROGRAMS = ["veldrun", "skarnveil-tiles", "skarnveil-cliff", "skarnveil-cliff2"]
MENU = ["usr/share/applications/%s.desktop" % name for name in PROGRAMS]
ICON, MANUAL = "usr/share/icons/hicolor/48x48/apps/veldrun.png", "usr/share/man/man6/veldrun.6"


def run(*args, **kwargs):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=600, **kwargs)


def wait_for(stream, text, timeout=120):
    # The program's output until text comes; a message box would hold it up.
    seen, deadline = "", time.time() + timeout
    while text not in seen and time.time() < deadline:
        if select.select([stream], [], [], 0.5)[0]:
            seen += os.read(stream.fileno(), 4096).decode(errors="replace") or "(ended)"
    assert text in seen, f"no {text!r} in {seen!r}"


class InstalledTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="veldrun-install-")
        cls.stage, cls.empty, cls.user = (os.path.join(cls.tmp, d) for d in ("stage", "empty", "xdg/veldrun"))
        os.mkdir(cls.empty)
        done = run("cmake", "--install", BUILD, "--prefix", "/usr", env=dict(os.environ, DESTDIR=cls.stage))
        assert done.returncode == 0, done.stderr
        cls.veldrun = os.path.join(cls.stage, "usr/bin/veldrun")
        cls.env = dict(os.environ, HOME=os.path.join(cls.tmp, "home"), XDG_DATA_HOME=os.path.join(cls.tmp, "xdg"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp)

    def window_of(self, *args):
        # The client size of veldrun's window once its start-up is done, with no message box shown.
        x = Xvfb()
        self.addCleanup(x.stop)
        program = subprocess.Popen([self.veldrun, *args], cwd=self.empty, env=dict(self.env, DISPLAY=x.display),
                                   stdout=subprocess.PIPE)
        self.addCleanup(program.kill)
        wait_for(program.stdout, "Quad View Tree Generated")
        self.assertEqual([name for _, name in x.windows()], ["Veldrun"])
        size = x.client_size(x.find_window("Veldrun"))
        program.terminate()  # SDL makes it a quit
        self.assertEqual(program.wait(timeout=30), 0)
        program.stdout.close()
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
        config = os.path.join(self.user, "config.ini")
        self.assertFalse(os.path.islink(config))
        with open(config) as text:
            edited = text.read().replace("Width=1024", "Width=800")
        with open(config, "w") as text:
            text.write(edited)
        self.assertEqual(self.window_of(), (800, 768))
        with open(config) as text:
            self.assertEqual(text.read(), edited)

    def test_command_line(self):
        mine = os.path.join(self.tmp, "mine")
        shutil.copytree(os.path.join(self.stage, "usr/share/veldrun"), mine)
        with open(os.path.join(mine, "config.ini"), "w") as config:
            config.write("Width=720\nHeight=540\nFullscreen=false\n")
        self.assertEqual(self.window_of("--data", mine), (720, 540))
        self.assertIn("Usage: veldrun [--data DIR]", run(self.veldrun, "--help").stdout)
        self.assertRegex(run(self.veldrun, "--version").stdout, r"^veldrun \d+\.\d+\.\d+\n$")
        for args in (["--bogus"], ["--data"], ["--data", os.path.join(self.tmp, "nowhere")]):
            refused = run(self.veldrun, *args)
            self.assertEqual((refused.returncode, refused.stdout), (2, ""), args)
            self.assertRegex(refused.stderr, "^veldrun: ")

    def test_no_data_anywhere_is_one_message_naming_both_places(self):
        # A copy of the program with no data set beside it; with no display the message comes on standard error.
        lonely = os.path.join(self.tmp, "lonely/bin")
        os.makedirs(lonely)
        shutil.copy(self.veldrun, lonely)
        env = dict(self.env, XDG_DATA_HOME=os.path.join(self.tmp, "other"))
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
            arch = run("dpkg", "--print-architecture").stdout.strip()
            deb = os.path.join(out, [name for name in os.listdir(out) if name.endswith(".deb")][0])
            self.assertRegex(os.path.basename(deb), r"^veldrun_\d+\.\d+\.\d+_%s\.deb$" % arch)
            listed = set(re.findall(r" \./(\S+)", run("dpkg-deb", "--contents", deb).stdout))
            for relative in ["usr/bin/" + name for name in PROGRAMS + ["veldrun-data"]] + MENU + [
                    ICON, MANUAL, "usr/share/veldrun/map/test/map_qv.raw", "usr/share/veldrun/config.ini"]:
                self.assertIn(relative, listed)
            depends = run("dpkg-deb", "--field", deb, "Depends").stdout
            for package in ("libsdl2-2.0-0", "fonts-liberation", "xfonts-base"):
                self.assertIn(package, depends)


if __name__ == "__main__":
    unittest.main()
