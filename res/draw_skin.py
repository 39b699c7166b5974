#!/usr/bin/env python3
"""Draws the notifier's skin, bitmaps/131.bmp: a 148 x 120 panel whose face runs from light blue at
the top to white at the bottom, framed by a grey, raised 3-D border. Run from res/ to redraw it."""

import os
import struct

WIDTH = 148
HEIGHT = 120

LIGHT_BLUE = (190, 214, 245)
WHITE = (255, 255, 255)
HIGHLIGHT = (255, 255, 255)
LIGHT_EDGE = (227, 227, 227)
BORDER_GREY = (192, 192, 192)
SHADOW = (128, 128, 128)
DARK_SHADOW = (64, 64, 64)

# Rings of the raised border, from the outside in: (top-left colour, bottom-right colour).
BORDER_RINGS = [
    (LIGHT_EDGE, DARK_SHADOW),
    (HIGHLIGHT, SHADOW),
    (BORDER_GREY, BORDER_GREY),
    (BORDER_GREY, BORDER_GREY),
    (SHADOW, HIGHLIGHT),
]


def face_colour(y):
    inner_top = len(BORDER_RINGS)
    inner_bottom = HEIGHT - 1 - len(BORDER_RINGS)
    t = (y - inner_top) / max(1, inner_bottom - inner_top)
    return tuple(round(a + (b - a) * t) for a, b in zip(LIGHT_BLUE, WHITE))


def pixel(x, y):
    # Rings are tried from the outside in, so each pixel takes the colour of the outermost ring it lies on.
    for ring, (top_left, bottom_right) in enumerate(BORDER_RINGS):
        right = WIDTH - 1 - ring
        bottom = HEIGHT - 1 - ring
        if x == right or y == bottom:
            return bottom_right
        if x == ring or y == ring:
            return top_left
    return face_colour(y)


def bmp_bytes():
    row_size = (WIDTH * 3 + 3) // 4 * 4
    rows = []
    for y in reversed(range(HEIGHT)):  # BMP rows run bottom-up
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += bytes(row_size - len(row))
        rows.append(bytes(row))
    image = b"".join(rows)
    header_size = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(image), 0, 0, header_size)
    info_header = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(image), 3780, 3780, 0, 0)
    return file_header + info_header + image


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "bitmaps", "131.bmp"), "wb") as output:
        output.write(bmp_bytes())


if __name__ == "__main__":
    main()
