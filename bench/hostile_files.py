#!/usr/bin/env python3
"""Builds small files that claim much (names repeated thousands of times, icons named by
thousands of groups, pictures that claim or inflate to far more than they hold) and measures
what each costs glyphwright-cli: wall time, peak memory, bytes written and the first line of
its message. Every file should finish within 3 s and 512 MiB, or be refused with its cause.

Usage: bench/hostile_files.py [CLI]   (default build/default/bin/glyphwright-cli)
Needs /usr/bin/time (Debian's package time). Prints a Markdown table.
"""

import os
import struct
import subprocess
import sys
import tempfile
import zlib

RT_ICON, RT_GROUP_ICON = 3, 14


# ---- PE files with a resource section of our choosing ----------------------------------------

def resource_section(entries, rva):
    """The bytes of a .rsrc section at rva for entries [(type, name, data)], name an int (an
    ID) or a str. Equal names are stored once and equal data once, as a hostile file may."""
    tree = {}
    for type_id, name, data in entries:
        tree.setdefault(type_id, []).append((name, data))
    strings, blobs = {}, {}
    dirs = bytearray()  # directories first, their sizes known up front
    # Each directory: 16 bytes and 8 per entry. Root, one per type, one language folder per name.
    layout = []  # (offset of a leaf's language directory entry to patch, data key)
    size_dirs = 16 + 8 * len(tree)
    for items in tree.values():
        size_dirs += 16 + 8 * len(items) + len(items) * (16 + 8)
    data_entries_at = size_dirs
    keys = []
    for _, items in tree.items():
        for name, data in items:
            key = hash(data), len(data)
            blobs.setdefault(key, data)
            keys.append(key)
    data_entry_index = {k: i for i, k in enumerate(dict.fromkeys(keys))}
    strings_at = data_entries_at + 16 * len(data_entry_index)
    string_offsets, string_bytes = {}, bytearray()
    for items in tree.values():
        for name, _ in items:
            if isinstance(name, str) and name not in string_offsets:
                units = name.encode("utf-16-le")
                string_offsets[name] = strings_at + len(string_bytes)
                string_bytes += struct.pack("<H", len(units) // 2) + units
    blobs_at = (strings_at + len(string_bytes) + 3) & ~3
    blob_offsets, blob_bytes = {}, bytearray()
    for key in data_entry_index:
        blob_offsets[key] = blobs_at + len(blob_bytes)
        blob_bytes += blobs[key] + b"\0" * (-len(blobs[key]) % 4)

    def directory(named, ids):
        return struct.pack("<IIHHHH", 0, 0, 0, 0, named, ids)

    out = bytearray(directory(0, len(tree)))
    type_dirs_at = len(out) + 8 * len(tree)
    at = type_dirs_at
    type_offsets = []
    for type_id, items in sorted(tree.items()):
        type_offsets.append(at)
        at += 16 + 8 * len(items)
    for (type_id, items), offset in zip(sorted(tree.items()), type_offsets):
        out += struct.pack("<II", type_id, 0x80000000 | offset)
    lang_at = at
    for (type_id, items), offset in zip(sorted(tree.items()), type_offsets):
        named = [i for i in items if isinstance(i[0], str)]
        ids = sorted([i for i in items if not isinstance(i[0], str)], key=lambda i: i[0])
        out += directory(len(named), len(ids))
        for name, data in named + ids:
            label = 0x80000000 | string_offsets[name] if isinstance(name, str) else name
            out += struct.pack("<II", label, 0x80000000 | lang_at)
            layout.append((lang_at, (hash(data), len(data))))
            lang_at += 16 + 8
    for _, key in layout:
        out += directory(0, 1) + struct.pack("<II", 1033, data_entries_at + 16 * data_entry_index[key])
    assert len(out) == data_entries_at, (len(out), data_entries_at)
    for key in data_entry_index:
        out += struct.pack("<IIII", rva + blob_offsets[key], len(blobs[key]), 0, 0)
    out += string_bytes
    out += b"\0" * (blobs_at - len(out))
    out += blob_bytes
    return bytes(out)


def pe_file(entries):
    """A resource-only PE32 DLL for x86 holding entries (see resource_section)."""
    rva, file_align, section_align = 0x1000, 0x200, 0x1000
    rsrc = resource_section(entries, rva)
    raw = (len(rsrc) + file_align - 1) // file_align * file_align
    image = rva + (len(rsrc) + section_align - 1) // section_align * section_align
    dos = b"MZ" + b"\0" * 58 + struct.pack("<I", 0x40)
    coff = struct.pack("<HHIIIHH", 0x14C, 1, 0, 0, 0, 224, 0x2102)
    optional = struct.pack("<HBBIIIIIIIIIHHHHHHIIIIHHIIIIII", 0x10B, 0, 0, 0, raw, 0, 0, rva, rva,
                           0x10000000, section_align, file_align, 4, 0, 0, 0, 4, 0, 0, image,
                           file_align, 0, 2, 0, 0x100000, 0x1000, 0x100000, 0x1000, 0, 16)
    dirs = [(0, 0)] * 16
    dirs[2] = (rva, len(rsrc))
    optional += b"".join(struct.pack("<II", *d) for d in dirs)
    section = struct.pack("<8sIIIIIIHHI", b".rsrc", len(rsrc), rva, raw, file_align, 0, 0, 0, 0,
                          0x40000040)
    headers = dos + b"PE\0\0" + coff + optional + section
    return headers + b"\0" * (file_align - len(headers)) + rsrc + b"\0" * (raw - len(rsrc))


def icon_bitmap(side, bits=32):
    """An icon image: BITMAPINFOHEADER, colour pixels and AND mask of side x side pixels."""
    stride = (side * bits + 31) // 32 * 4
    mask = (side + 31) // 32 * 4
    header = struct.pack("<IiiHHIIiiII", 40, side, 2 * side, 1, bits, 0, 0, 0, 0, 0, 0)
    table = b"\0" * (4 << bits) if bits <= 8 else b""
    return header + table + b"\x40" * (stride * side) + b"\0" * (mask * side)


def group(icon_ids, image):
    """A group (GRPICONDIR) listing icon_ids, each described as image."""
    side = struct.unpack_from("<i", image, 4)[0]
    bits = struct.unpack_from("<H", image, 14)[0]
    out = struct.pack("<HHH", 0, 1, len(icon_ids))
    for icon_id in icon_ids:
        out += struct.pack("<BBBBHHIH", side % 256, side % 256, 0, 0, 1, bits, len(image), icon_id)
    return out


def shared_names_dll(groups, distinct, length):
    """groups icon groups named by `distinct` names of `length` UTF-16 units, each shared by
    many groups, all listing one small icon."""
    image = icon_bitmap(16)
    names = [chr(ord("A") + k % 26) * length for k in range(distinct)]
    entries = [(RT_ICON, 1, image)]
    entries += [(RT_GROUP_ICON, names[g % distinct], group([1], image)) for g in range(groups)]
    return pe_file(entries)


def amplifying_dll(groups):
    """groups icon groups that all list one icon of about 1 MiB."""
    image = icon_bitmap(512)
    return pe_file([(RT_ICON, 1, image)] + [(RT_GROUP_ICON, g + 1, group([1], image))
                                            for g in range(groups)])


# ---- pictures --------------------------------------------------------------------------------

def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png(width, height, idat, padding=0):
    """A PNG of 8-bit RGBA claiming width x height, with idat as its image data and a text
    chunk of padding bytes."""
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    if padding:
        out += chunk(b"tEXt", b"pad\0" + b"x" * padding)
    return out + chunk(b"IDAT", idat) + chunk(b"IEND", b"")


def endless_png(target_bytes):
    """A 1 x 1 PNG whose image data inflates to about 1030 times its size of zeros."""
    compressor = zlib.compressobj(9)
    idat = bytearray(compressor.compress(b"\0\x10\x20\x30\x40"))
    block = b"\0" * (1 << 24)
    while len(idat) < target_bytes:
        idat += compressor.compress(block)
    idat += compressor.flush()
    return png(1, 1, bytes(idat))


def many_png_icon(count):
    """An icon file of count 16 x 16 PNG images of about 200 bytes each."""
    rows = b"".join(b"\0" + bytes([(x * 16 + y) % 256 for x in range(64)]) for y in range(16))
    image = png(16, 16, zlib.compress(rows, 9))
    out = struct.pack("<HHH", 0, 1, count)
    at = 6 + 16 * count
    for _ in range(count):
        out += struct.pack("<BBBBHHII", 16, 16, 0, 0, 1, 32, len(image), at)
        at += len(image)
    return out + image * count


# ---- measuring --------------------------------------------------------------------------------

def measure(cli, args, out_dir=None):
    with tempfile.NamedTemporaryFile() as stats:
        run = subprocess.run(["/usr/bin/time", "-f", "%e %M", "-o", stats.name, cli] + args,
                             capture_output=True, timeout=600)
        seconds, kib = open(stats.name).read().split()[-2:]
    written = 0
    if out_dir and os.path.isdir(out_dir):
        for root, _, files in os.walk(out_dir):
            written += sum(os.path.getsize(os.path.join(root, f)) for f in files)
    message = (run.stderr or run.stdout).decode("utf-8", "replace").strip().splitlines()
    first = message[0] if message else ""
    escapes = b"\x1b" in run.stdout or b"\x1b" in run.stderr or b"\0" in run.stdout
    return float(seconds), int(kib) / 1024, run.returncode, written, len(run.stdout), first, escapes


def main():
    cli = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/default/bin/glyphwright-cli")
    work = tempfile.mkdtemp(prefix="glyphwright-hostile-")
    cases = []

    def case(title, file_name, content, command):
        path = os.path.join(work, file_name)
        with open(path, "wb") as f:
            f.write(content)
        cases.append((title, path, command))

    case("inspect: 2,000 groups sharing one 65,535-unit name", "names-2000.dll",
         shared_names_dll(2000, 1, 65535), "inspect")
    case("inspect: 10,000 groups, 10 such names", "names-10000.dll",
         shared_names_dll(10000, 10, 65535), "inspect")
    case("inspect: 20,000 groups, 15 such names", "names-20000.dll",
         shared_names_dll(20000, 15, 65535), "inspect")
    case("extract: 2,000 groups naming one 1 MiB icon", "amplify.dll", amplifying_dll(2000),
         "extract")
    case("inspect: a group named with ESC and NUL", "escape.dll",
         pe_file([(RT_ICON, 1, icon_bitmap(16)),
                  (RT_GROUP_ICON, "\x1b]2;owned\x07\x1b[2J\0x", group([1], icon_bitmap(16)))]),
         "inspect")
    case("convert: PNG claiming 16384 x 16384, padded", "claims.png",
         png(16384, 16384, zlib.compress(b"\0" * 64), padding=35000), "convert")
    case("convert: 1 x 1 PNG inflating without end (1 MB)", "endless-1mb.png",
         endless_png(1 << 20), "convert")
    case("convert: 1 x 1 PNG inflating without end (2 MB)", "endless-2mb.png",
         endless_png(2 << 20), "convert")
    case("convert: icon of 32,767 PNG images", "many.ico", many_png_icon(32767), "convert")
    noise = b"".join(b"\0" + os.urandom(4 * 4096) for _ in range(4096))
    case("convert: the largest picture accepted (4096 x 4096, noise)", "largest.png",
         png(4096, 4096, zlib.compress(noise, 1)), "convert")

    print("| file | size | command | seconds | peak MiB | exit | written | message |")
    print("|---|---|---|---|---|---|---|---|")
    for title, path, command in cases:
        out = os.path.join(work, "out-" + os.path.basename(path))
        args = {"inspect": ["inspect", path], "extract": ["extract", path, "-o", out],
                "convert": ["convert", path, "-o", out + ".ico"]}[command]
        seconds, mib, code, written, printed, first, escapes = measure(cli, args, out)
        if command == "inspect":
            written = printed
        note = first.replace(work + os.sep, "").replace("glyphwright-cli: ", "")[:110]
        note = note.replace("|", "\\|")
        if escapes:
            note = "RAW CONTROL CHARACTERS IN OUTPUT; " + note
        print(f"| {title} | {os.path.getsize(path) / 1e6:.2f} MB | {command} | {seconds:.2f} | "
              f"{mib:.0f} | {code} | {written / 1e6:.1f} MB | {note} |")


if __name__ == "__main__":
    main()
