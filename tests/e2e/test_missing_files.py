# The programs started with a file gone wrong (missing, or a texture too
# large to load) or on a driver without buffer objects or multitexturing: the
# program shows the messages it should and no others, prints every start-up
# line, draws, and ends with Escape tapped once and exit code 0. Empty and cut
# files are the unit tests' cut loops' and the fuzz targets' to find, a model
# that does not load the model drawing test's.
import collections
import os
import pathlib
import struct
import unittest
from concurrent.futures import ThreadPoolExecutor

from harness import (CAPTIONS, SKARNVEIL_LINES, VELDRUN_LINES, Program, Xvfb, artefact, control_settled, crown,
                     data_copy, lit, overlay_until, overlay_value, settled, wait_until)

# boxes: the captions of the message boxes shown, in order; env: (name, value)
# pairs; overlay: (label, value) pairs the overlay must show.
Case = collections.namedtuple("Case", "program file damage boxes env overlay", defaults=((), (), ()))
LINKER = "Initialization OPENGLLINKER"
CASES = [
    Case("veldrun", None, None),  # every file intact: the yardstick of the pictures and the memory
    Case("veldrun", "map/test/map_qv.raw", "missing"),  # no grid: nothing to draw but the overlay
    Case("skarnveil-tiles", "map/test/terraintex.raw", "truncated"),
    Case("veldrun", "map/test/map_qv_foliage.raw", "missing"),  # never reported: no trees
    Case("veldrun", "map/test/tile1.tga", "oversized", ("Error",)),
    Case("skarnveil-cliff", "cliff.tga", "missing", ("Error", "Error")),  # one texture in two slots
    # Extensions newer than the year are hidden: buffer objects (2003), then
    # the texture combiners (2001) that four-unit blending needs.
    Case("veldrun", None, None, (LINKER,), (("MESA_EXTENSION_MAX_YEAR", "2002"),),
         (("Using VBOs", "FALSE"), ("Using Multitexturing", "TRUE"))),
    Case("veldrun", None, None, (LINKER,), (("MESA_EXTENSION_MAX_YEAR", "2000"),),
         (("Using VBOs", "FALSE"), ("Using Multitexturing", "FALSE"))),
]
INTACT, NO_FOLIAGE, OVERSIZED, NO_BUFFERS, NO_MULTITEXTURE = (CASES[i] for i in (0, 3, 4, 6, 7))
GROUND = (20, 180, 780, 580)
POINTER = (560, 420, 720, 600)


def damage(path, mode):
    file = pathlib.Path(path)
    if mode == "missing":
        file.unlink()
    elif mode == "oversized":
        # 10 MB of run-length packets announcing 65,535 x 4,000 pixels.
        header = struct.pack("<3B5x4H2B", 0, 0, 10, 0, 0, 65535, 4000, 32, 0)
        file.write_bytes(header + bytes([255, 1, 2, 3, 4]) * (65535 * 4000 // 128))
    else:
        content = file.read_bytes()
        file.write_bytes(content[:len(content) // 2])


# Whether the window shows a drawn frame: more than one colour, and the
# lower screen mostly lit where there is terrain.
def drawn(shot, terrain):
    colours = {shot.pixel(x, y) for x in range(0, 800, 8) for y in range(0, 600, 8)}
    return len(colours) > 1 and (shot.share(lit, (0, 300, 800, 600)) > 0.5 or not terrain)


# One case from start to Escape on an X server of its own: the peak memory in
# MB and the picture at rest, or what went wrong.
def run_case(test, case):
    folder = data_copy(test)
    lines = list(VELDRUN_LINES if case.program == "veldrun" else SKARNVEIL_LINES)
    if case.file:
        damage(os.path.join(folder, case.file), case.damage)
    if case.damage == "truncated":
        lines.insert(lines.index("Map HeightMap Loaded"),
                     f"Heightmap {case.file} is short: 8192 of 16384 samples, the rest set to 0")
    terrain = case.file != "map/test/map_qv.raw"
    x = Xvfb()
    program = Program(x, case.program, folder, dict(case.env))
    name = f"start-{CASES.index(case)}-{case.program}.png"
    try:
        for caption in case.boxes:
            x.answer_box(caption)
        window = x.find_window("Veldrun" if case.program == "veldrun" else "Skarnveil")
        program.wait_for_line(lines[-1], timeout=90)
        assert program.lines()[:len(lines)] == lines, f"start-up lines {program.lines()}"
        unexpected = [name for _, name in x.windows() if name in CAPTIONS]
        assert not unexpected, f"unexpected message boxes {unexpected}"
        # The first frames of a software renderer take a while on a busy machine.
        wait_until(lambda: drawn(x.screenshot(window), terrain), 30, f"drawn frame (terrain: {terrain})")
        picture = None
        if case.program == "veldrun":  # the picture to compare once the quad budget's control has settled
            overlay_until(x, window, artefact(name), lambda read: (
                not terrain or control_settled(read, 20000, 34999)) and all(
                overlay_value(read, label) == value for label, value in case.overlay))
            picture = settled(x, window, artefact(name))
        peak = program.peak_memory_mb()
        x.key(window, "Escape")
        code = program.wait()
        assert code == 0 and program.lines("stderr") == [], f"exit code {code}, stderr {program.lines('stderr')}"
        return peak, picture
    except Exception as error:  # noqa: BLE001 - every failure is collected and reported
        return f"{case}: {error}"
    finally:
        program.kill()
        x.stop()


class MissingFilesTest(unittest.TestCase):
    def test_every_reader_and_driver_fallback(self):
        with ThreadPoolExecutor(2) as pool:
            results = dict(zip(CASES, pool.map(lambda case: run_case(self, case), CASES)))
        failures = [result for result in results.values() if isinstance(result, str)]
        self.assertEqual(failures, [], "\n".join(failures))
        # The oversized texture was refused before anything was allocated for
        # it: veldrun's peak stays near its other starts. A sanitized build's
        # peak wanders by 100 MB or more from run to run, hence their largest.
        peaks = {case: peak for case, (peak, _) in results.items() if case.program == "veldrun"}
        self.assertLess(peaks.pop(OVERSIZED), max(peaks.values()) + 100, peaks)
        # The same landscape without buffer objects; without multitexturing
        # one tile in the baked light: textured, in the same light and shade.
        pictures = {case: picture for case, (_, picture) in results.items()}
        self.assertLess(pictures[INTACT].difference(pictures[NO_BUFFERS], GROUND), 0.005)
        self.assertGreater(pictures[INTACT].shading(pictures[NO_MULTITEXTURE], GROUND), 0.8)
        self.assertGreater(pictures[NO_MULTITEXTURE].grain(GROUND), 0.15)
        # Without the foliage file no tree stands but the one under the
        # pointer (Xvfb puts it in the middle of the screen): far fewer crown
        # pixels than the veldrun flight sees with the trees.
        self.assertLess(pictures[NO_FOLIAGE].count(crown, GROUND) - pictures[NO_FOLIAGE].count(crown, POINTER), 500)


if __name__ == "__main__":
    unittest.main()
