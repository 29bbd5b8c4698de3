#!/usr/bin/env python3
"""Draws the example icons of this folder: a rounded tile with a "G" on it, as palette images
of 1, 4 and 8 bits per pixel in several sizes. Run it to make the .ico files again; it writes
them byte for byte the same every time."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def palette_for(bits):
    if bits == 1:
        return [(0, 0, 0), (255, 255, 255)]
    if bits == 4:  # the 16 colours of the Windows standard palette
        return [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
                (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
                (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
    # 8 bits: a blue-to-teal ramp for the tile, white and black at the end.
    ramp = [(20 + i * 40 // 253, 60 + i * 150 // 253, 200 - i * 80 // 253) for i in range(254)]
    return ramp + [(255, 255, 255), (0, 0, 0)]


def shape(x, y, size):
    """'out' outside the rounded tile, 'glyph' on the letter G, 'tile' elsewhere."""
    c = (size - 1) / 2.0
    r = size * 0.16
    inner = size / 2.0 - 0.5
    dx, dy = abs(x - c), abs(y - c)
    if dx > inner or dy > inner:
        return "out"
    if dx > inner - r and dy > inner - r:
        if math.hypot(dx - (inner - r), dy - (inner - r)) > r:
            return "out"
    # The letter: a ring open on the right with a bar into the middle.
    ring = math.hypot(x - c, y - c)
    outer, thickness = size * 0.34, max(1.0, size * 0.11)
    angle = math.degrees(math.atan2(y - c, x - c))  # y grows downwards
    on_ring = outer - thickness <= ring <= outer and not (-40 < angle < 10)
    on_bar = c <= x <= c + outer and abs(y - (c + thickness / 2)) <= thickness / 2
    on_stem = c + outer - thickness <= x <= c + outer and c <= y <= c + outer * 0.8
    return "glyph" if on_ring or on_bar or on_stem else "tile"


def colour_index(kind, x, y, size, bits):
    if bits == 1:
        return 1 if kind == "glyph" else 0
    if bits == 4:
        return 15 if kind == "glyph" else (12 if y < size / 2 else 4)
    return 254 if kind == "glyph" else min(253, (x + y) * 253 // (2 * size - 2))


def image(size, bits):
    row_bits = size * bits
    xor_stride = ((row_bits + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray(xor_stride * size)
    mask = bytearray(and_stride * size)
    for y in range(size):
        row = size - 1 - y  # rows are stored bottom-up
        for x in range(size):
            kind = shape(x, y, size)
            if kind == "out":
                mask[row * and_stride + x // 8] |= 0x80 >> (x % 8)
                continue
            value = colour_index(kind, x, y, size, bits)
            bit = x * bits
            shift = 8 - bits - (bit % 8)
            xor[row * xor_stride + bit // 8] |= value << shift
    colours = palette_for(bits)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in colours)
    header = struct.pack("<iiihhiiiiii", 40, size, 2 * size, 1, bits, 0, len(xor) + len(mask),
                         0, 0, 0, 0)
    return header + table + bytes(xor) + bytes(mask)


def icon(images):
    """images: list of (size, bits). Writes the usual layout: directory, then the images."""
    blobs = [image(size, bits) for size, bits in images]
    out = struct.pack("<hhh", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for (size, bits), blob in zip(images, blobs):
        colours = 1 << bits if bits < 8 else 0
        out += struct.pack("<BBBBhhii", size, size, colours, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


EXAMPLES = {
    "glyph-4bit.ico": [(32, 4), (16, 4)],
    "mono-1bit.ico": [(32, 1)],
    "tile-8bit.ico": [(32, 8)],
    "multi.ico": [(48, 8), (32, 8), (32, 4), (16, 4), (16, 1)],
}

if __name__ == "__main__":
    for name, images in EXAMPLES.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(icon(images))
        print(name)
