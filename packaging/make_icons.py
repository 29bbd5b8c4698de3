#!/usr/bin/env python3
"""Draws the application icon (the tile with the "G" of examples/multi.ico, which the window
program shows) as true-colour PNGs for the desktop's hicolor icon theme, and packs the Windows
sizes into glyphwright.ico for the window program's resources. The results are committed; run
this again only when the drawing changes. Needs icotool (Debian package icoutils) for the .ico."""
import os
import struct
import subprocess
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "examples"))
import make_examples  # noqa: E402  (the drawing of the example icons)

SIZES = [16, 24, 32, 48, 64, 128, 256]
WINDOWS_SIZES = [16, 24, 32, 48, 256]


def rgba(size):
    palette = make_examples.palette_for(8)
    rows = []
    for y in range(size):
        row = bytearray([0])  # filter type: none
        for x in range(size):
            kind = make_examples.shape(x, y, size)
            if kind == "out":
                row += bytes(4)
            else:
                r, g, b = palette[make_examples.colour_index(kind, x, y, size, 8)]
                row += bytes([r, g, b, 255])
        rows.append(bytes(row))
    return b"".join(rows)


def png(size):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(rgba(size), 9)) + chunk(b"IEND", b""))


def main():
    paths = {}
    for size in SIZES:
        paths[size] = os.path.join(HERE, "icons", "glyphwright-%d.png" % size)
        with open(paths[size], "wb") as f:
            f.write(png(size))
        print(paths[size])
    ico = os.path.join(HERE, "windows", "glyphwright.ico")
    # Small sizes as bitmaps (every Windows version reads them), 256 as PNG.
    args = ["icotool", "-c", "-o", ico]
    args += [paths[s] for s in WINDOWS_SIZES if s < 256] + ["--raw=" + paths[256]]
    subprocess.run(args, check=True)
    print(ico)


if __name__ == "__main__":
    main()
