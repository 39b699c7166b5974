"""What the icon scripts share: distance to a line segment and writing 8-bit RGBA PNG files."""

import math
import struct
import zlib


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def _png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def write_png(path, size, rows):
    """Writes a size x size RGBA image given as rows of straight-alpha pixel bytes."""
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    raw = b"".join(b"\x00" + row for row in rows)
    with open(path, "wb") as output:
        output.write(b"\x89PNG\r\n\x1a\n")
        output.write(_png_chunk(b"IHDR", header))
        output.write(_png_chunk(b"IDAT", zlib.compress(raw, 9)))
        output.write(_png_chunk(b"IEND", b""))
