#!/usr/bin/env python3
"""Draws the report's four state icons, icons/139.png to icons/142.png, each 32 x 32 with alpha:

    139  blue square, white question mark   (waiting)
    140  green square, white tick           (up to date)
    141  yellow square, grey cross          (modified)
    142  red square, grey cross             (error)

The report shows them at 16 x 16, so every stroke is at least four pixels wide. Shapes are
measured as distances and sampled 4 x 4 times per pixel for smooth edges. Run from res/ to redraw."""

import math
import os

from drawing import segment_distance, write_png

SIZE = 32
SAMPLES = 4

BLUE = ((66, 120, 215), (30, 70, 150))
GREEN = ((60, 170, 75), (25, 105, 40))
YELLOW = ((245, 205, 50), (170, 135, 20))
RED = ((220, 55, 50), (140, 25, 25))
WHITE = (255, 255, 255)
GREY = (95, 95, 95)

# The square: 1 px inset, 4 px corner radius, 2 px darker rim.
SQUARE_INSET = 1.0
SQUARE_RADIUS = 4.0
RIM = 2.0


def polyline_distance(px, py, points):
    return min(segment_distance(px, py, *a, *b) for a, b in zip(points, points[1:]))


def rounded_square_distance(px, py):
    """Signed distance to the rounded square: negative inside."""
    half = SIZE / 2 - SQUARE_INSET
    qx = abs(px - SIZE / 2) - (half - SQUARE_RADIUS)
    qy = abs(py - SIZE / 2) - (half - SQUARE_RADIUS)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - SQUARE_RADIUS


def arc_points(cx, cy, radius, start_degrees, end_degrees, steps=24):
    return [
        (cx + radius * math.cos(math.radians(a)), cy + radius * math.sin(math.radians(a)))
        for a in (start_degrees + (end_degrees - start_degrees) * i / steps for i in range(steps + 1))
    ]


def question_mark(px, py):
    # A hook from the left round over the top and down into a short stem, then the dot.
    hook = arc_points(16.0, 12.0, 5.5, 180.0, 400.0) + [(16.0, 18.5), (16.0, 20.0)]
    in_hook = polyline_distance(px, py, hook) <= 2.2
    in_dot = math.hypot(px - 16.0, py - 25.0) <= 2.4
    return in_hook or in_dot


def tick(px, py):
    return polyline_distance(px, py, [(8.5, 16.5), (13.5, 22.0), (23.5, 9.5)]) <= 2.4


def cross(px, py):
    return min(
        segment_distance(px, py, 10.0, 10.0, 22.0, 22.0),
        segment_distance(px, py, 22.0, 10.0, 10.0, 22.0),
    ) <= 2.2


ICONS = {
    139: (BLUE, WHITE, question_mark),
    140: (GREEN, WHITE, tick),
    141: (YELLOW, GREY, cross),
    142: (RED, GREY, cross),
}


def sample_colour(px, py, square, mark_colour, mark):
    """The colour and opacity (0 or 1) of one sample point."""
    distance = rounded_square_distance(px, py)
    if distance > 0:
        return (0, 0, 0), 0.0
    if mark(px, py):
        return mark_colour, 1.0
    fill, rim = square
    return (rim if distance > -RIM else fill), 1.0


def render(square, mark_colour, mark):
    rows = []
    for y in range(SIZE):
        row = bytearray()
        for x in range(SIZE):
            red = green = blue = alpha = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    colour, opacity = sample_colour(
                        x + (sx + 0.5) / SAMPLES, y + (sy + 0.5) / SAMPLES, square, mark_colour, mark
                    )
                    red += colour[0] * opacity
                    green += colour[1] * opacity
                    blue += colour[2] * opacity
                    alpha += opacity
            if alpha == 0:
                row += bytes(4)
            else:
                row += bytes([round(red / alpha), round(green / alpha), round(blue / alpha)])
                row += bytes([round(255 * alpha / (SAMPLES * SAMPLES))])
        rows.append(bytes(row))
    return rows


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "icons")
    os.makedirs(folder, exist_ok=True)
    for icon_id, (square, mark_colour, mark) in ICONS.items():
        write_png(os.path.join(folder, f"{icon_id}.png"), SIZE, render(square, mark_colour, mark))


if __name__ == "__main__":
    main()
