#!/usr/bin/env python3
# Runs one fuzz target for a bounded time on a fresh seed corpus: the data set's own files of the
# target's kind (textures cut to their first 256 pixels, so each run stays fast) and a few small
# hand-made files. Exit status is the fuzzer's: 0 when nothing was found; a crash input lands in
# the artefact folder, named by libFuzzer. CTest shows libFuzzer's log on failure.
import argparse
import os
import pathlib
import shutil
import struct
import subprocess
import sys
import tempfile


def tga(kind, width, height, bits, pixels, id_length=0):
    return struct.pack("<BBBHHBHHHHBB", id_length, 0, kind, 0, 0, 0, 0, 0, width, height, bits, 0) + \
        b"i" * id_length + pixels


# A "BM" file with a 40-byte header; table holds the palette or the bit-field masks.
def bmp(width, height, bits, pixels, compression=0, table=b""):
    offset = 14 + 40 + len(table)
    colours = len(table) // 4 if bits <= 8 else 0
    return b"BM" + struct.pack("<IHHIIiiHHIIiiII", offset + len(pixels), 0, 0, offset, 40, width, height, 1, bits,
                               compression, len(pixels), 0, 0, colours, 0) + table + pixels


# One vertex, one texture coordinate, one triangle, one frame.
def md2():
    header = struct.pack("<17i", 0x32504449, 8, 64, 64, 44, 0, 1, 1, 1, 0, 1, 68, 68, 72, 84, 128, 128)
    return header + struct.pack("<hh6h6f16s4B", 32, 16, *[0] * 6, 1, 1, 1, 0, 0, 0, b"frame", 10, 20, 30, 5)


# The data set has no bitmap, and only large textures and models; other readers start from its files.
HAND = {
    "tga": [tga(2, 1, 1, 24, b"abc", 4), tga(2, 2, 1, 32, b"12345678"), tga(10, 4, 1, 24, b"\x82abc\x00def"),
            tga(2, 2, 2, 16, b"\x1f\x7c\xe0\x03\x00\x80\xff\xff"), tga(10, 2, 2, 32, b"\xffabcd")],
    "dib": [bmp(2, 2, 24, b"abcdef\0\0" * 2), bmp(3, 1, 1, b"\xa0\0\0\0", 0, b"\0\0\0\0\xff\xff\xff\0"),
            bmp(4, 2, 8, b"\x02\x01\x00\x02\x02\x03\x00\x00\x04\x00\x00\x01", 1, bytes(range(16))),
            bmp(5, 2, 4, b"\x03\x12\x00\x03\x34\x50\x00\x00\x00\x02\x01\x00\x02\x67\x00\x01", 2, bytes(range(64))),
            bmp(1, -2, 16, b"\x1f\x00\x00\x00\xe0\x07\x00\x00", 3, struct.pack("<III", 0xF800, 0x07E0, 0x001F)),
            struct.pack("<IHHHH", 12, 2, 1, 1, 24) + b"abcdef\0\0"],
    "md2": [md2()],
}


# The data set's files a target of this kind reads, made small where they are large.
def data_seeds(kind, data):
    suffix = {"config": ".ini", "foliage": "foliage.raw", "md2": ".md2"}.get(kind, ".tga")
    for root, _, files in os.walk(data):
        for name in sorted(f for f in files if f.endswith(suffix)):
            content = pathlib.Path(root, name).read_bytes()
            if kind == "tga":
                yield content[:12] + struct.pack("<HH", 16, 16) + content[16:18 + content[0] + 256 * 5]
            elif kind == "dib" and content[2] == 2:  # an uncompressed texture's pixels as a bitmap
                yield bmp(16, 16, content[16], content[18 + content[0]:][:256 * content[16] // 8])
            elif kind != "dib":  # the foliage target's first byte: a map from a heightmap of 255 bytes
                yield (b"\xff" if kind == "foliage" else b"") + content


def main():
    parser = argparse.ArgumentParser()
    for option in ("--binary", "--target", "--work"):
        parser.add_argument(option, required=True)
    # --data: the folder veldrun-data wrote; --veldrun-data: the generator, used when it holds no data set.
    for option in ("--data", "--veldrun-data", "--dict"):
        parser.add_argument(option)
    parser.add_argument("--seconds", type=int, default=20)
    args = parser.parse_args()

    corpus, seeds, artefacts = (os.path.join(args.work, name) for name in ("corpus", "seeds", "artefacts/"))
    shutil.rmtree(args.work, ignore_errors=True)
    for folder in (corpus, seeds, artefacts):
        os.makedirs(folder)
    with tempfile.TemporaryDirectory() as scratch:
        data = args.data
        if not (data and os.path.isfile(os.path.join(data, "config.ini"))) and args.veldrun_data and \
                os.access(args.veldrun_data, os.X_OK):
            subprocess.run([args.veldrun_data, "--out", scratch], check=True, capture_output=True)
            data = scratch
        found = list(data_seeds(args.target, data)) if data and os.path.isdir(data) else []
        for i, seed in enumerate(HAND.get(args.target, []) + found):
            pathlib.Path(seeds, f"seed-{i}").write_bytes(seed)

    fuzz = [args.binary, corpus, seeds, f"-max_total_time={args.seconds}", "-rss_limit_mb=2048", "-timeout=10",
            "-print_final_stats=1", f"-artifact_prefix={artefacts}"] + ([f"-dict={args.dict}"] if args.dict else [])
    print(" ".join(fuzz), flush=True)
    env = {"ASAN_OPTIONS": "detect_leaks=1:abort_on_error=0", "UBSAN_OPTIONS": "print_stacktrace=1:halt_on_error=1"}
    result = subprocess.run(fuzz, env=env | dict(os.environ))
    print(f"{args.target}: {len(HAND.get(args.target, []))} hand-made and {len(found)} data set seeds; fuzzer exit "
          f"{result.returncode}; corpus {len(os.listdir(corpus))} inputs; artefacts {sorted(os.listdir(artefacts))}")
    return result.returncode


if __name__ == "__main__":
    sys.exit(main())
