#!/usr/bin/env python3
"""Writes a seed corpus for one fuzz target into a folder.

Seeds come from a data folder written by veldrun-data (the files the programs
really read, textures scaled down so each run stays fast), from ImageMagick
(/usr/bin/convert) for every bitmap layout it writes, and from small hand-made
cases. Nothing here is committed as binary; the corpus is rebuilt on each run.
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile

CONVERT = "/usr/bin/convert"  # the real ImageMagick; the one on PATH may not be


def write(out, name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def have_convert():
    return os.access(CONVERT, os.X_OK)


def convert(args, dest):
    """Runs ImageMagick; a layout this version cannot write is skipped."""
    try:
        subprocess.run([CONVERT] + args + [dest], check=True, capture_output=True, timeout=60)
        return True
    except (subprocess.SubprocessError, OSError):
        return False


def tga_header(image_type, width, height, depth, descriptor=0, id_length=0, colour_map=0):
    return struct.pack("<BBBHHBHHHHBB", id_length, colour_map, image_type, 0, 0, 0, 0, 0,
                       width, height, depth, descriptor)


def bmp_file(dib, palette=b"", pixels=b""):
    offset = 14 + len(dib) + len(palette)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + dib + palette + pixels


def info_header(width, height, bits, compression=0, colours_used=0, image_size=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, image_size, 2835, 2835,
                       colours_used, 0)


def hand_tga(out):
    write(out, "hand-1x1-24.tga", tga_header(2, 1, 1, 24) + b"\x10\x20\x30")
    write(out, "hand-2x1-32.tga", tga_header(2, 2, 1, 32, 8) + b"\x01\x02\x03\x04\x05\x06\x07\x08")
    write(out, "hand-2x2-16.tga", tga_header(2, 2, 2, 16) + b"\x1f\x7c\xe0\x03\x00\x80\xff\xff")
    # Run packet of 3, raw packet of 1, in a 4 x 1 image.
    write(out, "hand-rle-24.tga", tga_header(10, 4, 1, 24) + b"\x82\x01\x02\x03\x00\x04\x05\x06")
    write(out, "hand-rle-32.tga", tga_header(10, 2, 2, 32) + b"\xff\x01\x02\x03\x04")
    write(out, "hand-id-field.tga", tga_header(2, 1, 1, 24, id_length=4) + b"abcd\x10\x20\x30")
    write(out, "hand-colour-map.tga", tga_header(1, 1, 1, 8, colour_map=1) + b"\x00")
    write(out, "hand-truncated.tga", tga_header(2, 4, 4, 24) + b"\x01\x02")
    write(out, "hand-header-only.tga", tga_header(2, 0, 0, 24))


def hand_dib(out):
    # 2 x 2, 24 bits, rows padded to 4 bytes.
    write(out, "hand-24.bmp", bmp_file(info_header(2, 2, 24), pixels=b"\x01\x02\x03\x04\x05\x06\x00\x00" * 2))
    # 3 x 1, 1 bit, two palette entries.
    write(out, "hand-1.bmp", bmp_file(info_header(3, 1, 1), b"\x00\x00\x00\x00\xff\xff\xff\x00", b"\xa0\x00\x00\x00"))
    # 4 x 2 RLE8: a run, a literal run, end of line, end of bitmap.
    pal = b"".join(struct.pack("<BBBB", i, 255 - i, i // 2, 0) for i in range(4))
    rle8 = b"\x02\x01\x00\x02\x02\x03\x00\x00\x04\x00\x00\x01"
    write(out, "hand-rle8.bmp", bmp_file(info_header(4, 2, 8, 1, 4, len(rle8)), pal, rle8))
    # 5 x 2 RLE4 with a delta escape.
    pal16 = b"".join(struct.pack("<BBBB", i * 16, i * 8, 255 - i * 16, 0) for i in range(16))
    rle4 = b"\x03\x12\x00\x03\x34\x50\x00\x00\x00\x02\x01\x00\x02\x67\x00\x01"
    write(out, "hand-rle4.bmp", bmp_file(info_header(5, 2, 4, 2, 16, len(rle4)), pal16, rle4))
    # Top-down 32 bits with bit fields.
    masks = struct.pack("<III", 0x00FF0000, 0x0000FF00, 0x000000FF)
    write(out, "hand-32-fields.bmp", bmp_file(info_header(1, -2, 32, 3), masks, b"\x01\x02\x03\x00\x04\x05\x06\x00"))
    # A packed DIB with a core header (no file header).
    write(out, "hand-core-packed.dib", struct.pack("<IHHHH", 12, 2, 1, 1, 24) + b"\x01\x02\x03\x04\x05\x06\x00\x00")
    write(out, "hand-short.bmp", b"BM" + b"\x00" * 12)


def hand_md2(out):
    # One vertex, one texture coordinate, one triangle, one frame.
    num_xyz, num_st, num_tris, num_frames = 1, 1, 1, 1
    ofs_st = 68
    ofs_tris = ofs_st + 4 * num_st
    ofs_frames = ofs_tris + 12 * num_tris
    frame_size = 40 + 4 * num_xyz
    ofs_end = ofs_frames + frame_size * num_frames
    header = struct.pack("<17i", 0x32504449, 8, 64, 64, frame_size, 0, num_xyz, num_st, num_tris, 0, num_frames,
                         ofs_end, ofs_st, ofs_tris, ofs_frames, ofs_end, ofs_end)
    st = struct.pack("<hh", 32, 16)
    tri = struct.pack("<6h", 0, 0, 0, 0, 0, 0)
    frame = struct.pack("<3f3f16s", 1.0, 1.0, 1.0, 0.0, 0.0, 0.0, b"frame0") + bytes([10, 20, 30, 5])
    model = header + st + tri + frame
    write(out, "hand-one-triangle.md2", model)
    write(out, "hand-header-only.md2", header)
    write(out, "hand-bad-version.md2", header[:4] + struct.pack("<i", 7) + header[8:] + model[68:])


def hand_config(out):
    write(out, "hand-basic.ini", b"Width=800\nHeight=600\nBpp=16\nRefresh=60\nFullscreen=true\n")
    write(out, "hand-comments.ini", b"// comment\n/ also\n\nWidth = 0x280 // trailing\nHeight=-012\n")
    write(out, "hand-long.ini", b"Width=" + b"9" * 600 + b"\nFullscreen=false")
    write(out, "hand-crlf.ini", b"ZBpp=24\r\nUseVBO=true\r\nUseMT=false\r\n")
    write(out, "hand-nul.ini", b"Width=1\x00024\nHeight=7")


def imagemagick_tga(out, data):
    base = os.path.join(out, ".base.png")
    if not convert(["-size", "13x7", "-seed", "5", "plasma:fractal"], base):
        return
    for tag, extra in (("raw24", ["-type", "truecolor"]), ("rle24", ["-type", "truecolor", "-compress", "RLE"]),
                       ("raw32", ["-alpha", "on", "-type", "truecoloralpha"]),
                       ("rle32", ["-alpha", "on", "-type", "truecoloralpha", "-compress", "RLE"])):
        convert([base] + extra, "TGA:" + os.path.join(out, f"im-{tag}.tga"))
    # The data set's own textures, scaled down, as the programs' files look.
    for name in data_files(data, ".tga"):
        stem = os.path.basename(name)[:-4]
        convert([name, "-resize", "16x16!"], "TGA:" + os.path.join(out, f"data-{stem}.tga"))
        convert([name, "-resize", "16x16!", "-compress", "RLE"], "TGA:" + os.path.join(out, f"data-{stem}-rle.tga"))
    os.remove(base)


def imagemagick_dib(out, data):
    base = os.path.join(out, ".base.png")
    if not convert(["-size", "13x7", "-seed", "5", "plasma:fractal"], base):
        return
    layouts = {
        "bmp2-1": ["-type", "bilevel"], "bmp3-1": ["-type", "bilevel"],
        "bmp2-4": ["-colors", "16", "-type", "palette"], "bmp3-4": ["-colors", "16", "-type", "palette"],
        "bmp2-8": ["-colors", "200", "-type", "palette"], "bmp3-8": ["-colors", "200", "-type", "palette"],
        "bmp3-8-rle": ["-colors", "200", "-type", "palette", "-compress", "RLE"],
        "bmp3-4-rle": ["-colors", "12", "-type", "palette", "-compress", "RLE"],
        "bmp3-16-565": ["-define", "bmp:subtype=RGB565"], "bmp3-16-555": ["-define", "bmp:subtype=RGB555"],
        "bmp2-24": ["-type", "truecolor"], "bmp3-24": ["-type", "truecolor"],
        "bmp3-32": ["-alpha", "on", "-define", "bmp3:alpha=true"], "bmp-32-v5": ["-alpha", "on"],
        "bmp-24-v5": ["-type", "truecolor"],
    }
    for tag, extra in layouts.items():
        prefix = tag.split("-")[0].upper()
        convert([base] + extra, f"{prefix}:" + os.path.join(out, f"im-{tag}.bmp"))
    for name in data_files(data, ".tga")[:2]:
        stem = os.path.basename(name)[:-4]
        convert([name, "-resize", "9x9!", "-type", "truecolor"], "BMP3:" + os.path.join(out, f"data-{stem}.bmp"))
    os.remove(base)


def data_files(data, suffix):
    found = []
    if data and os.path.isdir(data):
        for root, _, files in os.walk(data):
            found += [os.path.join(root, f) for f in files if f.lower().endswith(suffix)]
    return sorted(found)


def copy_data(out, data, suffix, prefix=b""):
    for name in data_files(data, suffix):
        write(out, "data-" + os.path.basename(name), prefix + read(name))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("target", choices=["config", "heightmap", "foliage", "tga", "dib", "md2"])
    parser.add_argument("out")
    parser.add_argument("--data", help="a folder written by veldrun-data")
    parser.add_argument("--veldrun-data", help="the generator, used when --data holds no data set")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)

    data = args.data
    scratch = None
    if not (data and os.path.isfile(os.path.join(data, "config.ini"))) and args.veldrun_data and \
            os.access(args.veldrun_data, os.X_OK):
        scratch = tempfile.mkdtemp(prefix="veldrun-seed-data-")
        subprocess.run([args.veldrun_data, "--out", scratch], check=True, capture_output=True)
        data = scratch
    if not (data and os.path.isdir(data)):
        print("make_seeds: no data set; hand-made seeds only", file=sys.stderr)
        data = None

    t = args.target
    if t == "config":
        hand_config(args.out)
        copy_data(args.out, data, ".ini")
    elif t == "heightmap":
        write(args.out, "hand-ramp.raw", bytes(range(256)) * 64)
        write(args.out, "hand-short.raw", b"\xff\x00" * 100)
        copy_data(args.out, data, ".raw")
    elif t == "foliage":
        # First byte: bit 0 loads a heightmap of that many leading bytes first.
        write(args.out, "hand-no-grid", b"\x00" + b"\x10\x40" * 50)
        write(args.out, "hand-grid", b"\x81" + bytes(range(0, 64)) * 40)
        for name in data_files(data, "foliage.raw"):
            write(args.out, "data-grid-" + os.path.basename(name), b"\xff" + read(name))
    elif t == "tga":
        hand_tga(args.out)
        if have_convert():
            imagemagick_tga(args.out, data)
    elif t == "dib":
        hand_dib(args.out)
        if have_convert():
            imagemagick_dib(args.out, data)
    elif t == "md2":
        hand_md2(args.out)
        copy_data(args.out, data, ".md2")
    if scratch:
        shutil.rmtree(scratch, ignore_errors=True)
    print(f"make_seeds: {t}: {len(os.listdir(args.out))} seeds in {args.out}")


if __name__ == "__main__":
    main()
