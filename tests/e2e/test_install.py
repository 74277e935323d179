"""The installed programs: cmake --install into a staging folder, veldrun
started from an empty folder with its per-user folder, its command line, and
the Debian package's contents and fields."""
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
MENU_FILES = ["usr/share/applications/%s.desktop" % name for name in PROGRAMS]
ICON = "usr/share/icons/hicolor/48x48/apps/veldrun.png"
MANUAL = "usr/share/man/man6/veldrun.6"


def wait_for(stream, text, timeout=120):
    """Reads the program's output until text comes (or it ends, or time is up)."""
    seen, deadline = "", time.time() + timeout
    while text not in seen and time.time() < deadline:
        if select.select([stream], [], [], 0.5)[0]:
            chunk = os.read(stream.fileno(), 4096).decode(errors="replace")
            if not chunk:
                break
            seen += chunk
    if text not in seen:
        raise AssertionError(f"no {text!r} in {seen!r}")


def run(*args, **kwargs):
    return subprocess.run(list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=600,
                          **kwargs)


class InstalledTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="veldrun-install-")
        cls.stage = os.path.join(cls.tmp, "stage")
        done = run("cmake", "--install", BUILD, "--prefix", "/usr", env=dict(os.environ, DESTDIR=cls.stage))
        assert done.returncode == 0, done.stderr
        cls.bin = os.path.join(cls.stage, "usr/bin")
        cls.empty = os.path.join(cls.tmp, "empty")
        os.mkdir(cls.empty)
        cls.env = dict(os.environ, HOME=os.path.join(cls.tmp, "home"), XDG_DATA_HOME=os.path.join(cls.tmp, "xdg"))
        cls.user = os.path.join(cls.tmp, "xdg/veldrun")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp)

    def window_of(self, args):
        """Starts veldrun from the empty folder; the client size of its window,
        once the start-up is done and no other window (a message box) came."""
        x = Xvfb()
        self.addCleanup(x.stop)
        program = subprocess.Popen([os.path.join(self.bin, "veldrun")] + args, cwd=self.empty,
                                   env=dict(self.env, DISPLAY=x.display), stdout=subprocess.PIPE)
        self.addCleanup(program.kill)
        wait_for(program.stdout, "Quad View Tree Generated")
        window = x.find_window("Veldrun")
        self.assertEqual([name for _, name in x.windows()], ["Veldrun"])
        size = x.client_size(window)
        program.terminate()  # SDL turns it into a quit
        self.assertEqual(program.wait(timeout=30), 0)
        program.stdout.close()
        return size

    def test_installed_tree(self):
        for name in PROGRAMS + ["veldrun-data"]:
            self.assertTrue(os.access(os.path.join(self.bin, name), os.X_OK), name)
        for relative in MENU_FILES + [ICON, MANUAL, "usr/share/veldrun/config.ini", "usr/share/veldrun/cliff.tga"]:
            self.assertTrue(os.path.isfile(os.path.join(self.stage, relative)), relative)
        for entry in MENU_FILES:
            checked = run("desktop-file-validate", os.path.join(self.stage, entry))
            self.assertEqual((checked.returncode, checked.stdout + checked.stderr), (0, ""))
        manual = run("man", "--warnings", "-l", os.path.join(self.stage, MANUAL), env=dict(os.environ, MANWIDTH="80"))
        self.assertEqual((manual.returncode, manual.stderr), (0, ""))
        self.assertIn("config.ini", manual.stdout)

    def test_per_user_folder_then_its_edited_config(self):
        self.assertEqual(self.window_of([]), (1024, 768))
        link = os.path.join(self.user, "map/test/map_qv.raw")
        self.assertEqual(os.readlink(link), os.path.join(self.stage, "usr/share/veldrun/map/test/map_qv.raw"))
        config = os.path.join(self.user, "config.ini")
        self.assertFalse(os.path.islink(config))
        with open(config) as text:
            edited = text.read().replace("Width=1024", "Width=800")
        with open(config, "w") as text:
            text.write(edited)
        self.assertEqual(self.window_of([]), (800, 768))
        with open(config) as text:
            self.assertEqual(text.read(), edited)

    def test_data_option_runs_in_the_folder_given(self):
        mine = os.path.join(self.tmp, "mine")
        shutil.copytree(os.path.join(self.stage, "usr/share/veldrun"), mine)
        with open(os.path.join(mine, "config.ini"), "w") as config:
            config.write("Width=720\nHeight=540\nFullscreen=false\n")
        self.assertEqual(self.window_of(["--data", mine]), (720, 540))

    def test_help_version_and_refused_arguments(self):
        veldrun = os.path.join(self.bin, "veldrun")
        shown = run(veldrun, "--help")
        self.assertEqual(shown.returncode, 0)
        self.assertIn("Usage: veldrun [--data DIR]", shown.stdout)
        self.assertRegex(run(veldrun, "--version").stdout, r"^veldrun \d+\.\d+\.\d+\n$")
        for args in (["--bogus"], ["--data"], ["--data", os.path.join(self.tmp, "nowhere")]):
            refused = run(veldrun, *args)
            self.assertEqual((refused.returncode, refused.stdout), (2, ""), args)
            self.assertIn("veldrun", refused.stderr)

    def test_no_data_anywhere_is_one_message_naming_both_places(self):
        # A copy of the program with no installed data beside it; without a
        # display the message comes on standard error.
        lonely = os.path.join(self.tmp, "lonely/bin")
        os.makedirs(lonely)
        shutil.copy(os.path.join(self.bin, "veldrun"), lonely)
        env = dict(self.env, XDG_DATA_HOME=os.path.join(self.tmp, "other"))
        env.pop("DISPLAY", None)
        failed = run(os.path.join(lonely, "veldrun"), cwd=self.empty, env=env)
        self.assertEqual(failed.returncode, 1)
        self.assertEqual(failed.stderr.count("veldrun: No data files found."), 1)
        self.assertIn(self.empty, failed.stderr)
        self.assertIn(os.path.join(self.tmp, "other/veldrun"), failed.stderr)


class PackageTest(unittest.TestCase):
    def test_debian_package_contents_and_fields(self):
        with tempfile.TemporaryDirectory() as out:
            made = run("cpack", "-G", "DEB", "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-B", out)
            self.assertEqual(made.returncode, 0, made.stdout + made.stderr)
            arch = run("dpkg", "--print-architecture").stdout.strip()
            packages = [name for name in os.listdir(out) if name.endswith(".deb")]
            self.assertEqual(len(packages), 1)
            self.assertRegex(packages[0], r"^veldrun_\d+\.\d+\.\d+_%s\.deb$" % arch)
            deb = os.path.join(out, packages[0])
            listed = set(re.findall(r" \./(\S+)", run("dpkg-deb", "--contents", deb).stdout))
            for relative in ["usr/bin/" + name for name in PROGRAMS + ["veldrun-data"]] + MENU_FILES + [
                    ICON, MANUAL, "usr/share/veldrun/map/test/map_qv.raw", "usr/share/veldrun/config.ini"]:
                self.assertIn(relative, listed)
            depends = run("dpkg-deb", "--field", deb, "Depends").stdout
            for package in ("libsdl2-2.0-0", "fonts-liberation", "xfonts-base"):
                self.assertIn(package, depends)


if __name__ == "__main__":
    unittest.main()
