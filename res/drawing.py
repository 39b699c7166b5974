"""What the icon scripts share: distance to a line segment, writing 8-bit RGBA PNG files, and Windows
icon files."""

import math
import struct
import zlib


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def _png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png_bytes(size, rows):
    """A size x size RGBA image given as rows of straight-alpha pixel bytes, as a PNG file's bytes."""
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + _png_chunk(b"IHDR", header) + _png_chunk(b"IDAT", zlib.compress(raw, 9))
            + _png_chunk(b"IEND", b""))


def write_png(path, size, rows):
    """Writes a size x size RGBA image given as rows of straight-alpha pixel bytes."""
    with open(path, "wb") as output:
        output.write(png_bytes(size, rows))


def _dib_bytes(size, rows):
    """An icon image as Windows stores it below 256 px: a 32-bit BGRA bitmap, bottom row first, whose
    header counts the AND mask's rows too, then the 1-bit AND mask (all zero, alpha decides)."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(
        bytes(b for i in range(0, len(row), 4) for b in (row[i + 2], row[i + 1], row[i], row[i + 3]))
        for row in reversed(rows))
    mask_stride = ((size + 31) // 32) * 4
    return header + pixels + bytes(mask_stride * size)


def write_ico(path, images):
    """Writes a Windows icon file from (size, rows) pairs: bitmaps below 256 px, PNG at 256 px, as
    Windows' own icons hold them."""
    entries = [png_bytes(size, rows) if size >= 256 else _dib_bytes(size, rows) for size, rows in images]
    offset = 6 + 16 * len(entries)
    directory = struct.pack("<HHH", 0, 1, len(entries))
    for (size, _), data in zip(images, entries):
        side = 0 if size >= 256 else size
        directory += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as output:
        output.write(directory + b"".join(entries))
