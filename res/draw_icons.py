#!/usr/bin/env python3
"""Draws the tray icon's images as PNG files with alpha:

    icons/128.png             the resting icon, 16 x 16: an open eye watching a line of revisions
                              whose newest one is orange
    icons/129.png             the resting icon greyed, shown while checks are paused
    icons/130.png to 133.png  the animation frames, 16 x 16: a black square outline, 2 px wide,
                              turned by 0, 22.5, 45 and 67.5 degrees
    icons/N-S.png             icon N (128 to 133) at S px, for panels that show tray icons at
                              22 to 48 px and at twice the size of 16 and 22 px; the frames scaled
    icons/corvane-N.png       the resting drawing at 16 to 256 px, for the desktop's icon theme
    icons/corvane.svg         the same drawing as a scalable image
    icons/corvane.ico         the resting drawing at every size Windows asks of a program's icon, for
                              the executable, its shortcuts and its installer

Shapes are measured as distances in a unit square and sampled many times per pixel for smooth edges.
Run from res/ to redraw."""

import math
import os

from drawing import segment_distance, write_ico, write_png

TRAY_SIZE = 16
# 32 and 44 are also 16 and 22 at twice the pixel density.
TRAY_EXTRA_SIZES = (22, 24, 32, 44, 48)
THEME_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
# Explorer, the Start menu and the taskbar at 100 to 250 % scaling, and the large views.
WINDOWS_SIZES = (16, 20, 24, 32, 40, 48, 64, 96, 256)
SAMPLES = 8

NAVY = (27, 42, 74)
WHITE = (255, 255, 255)
IRIS = (47, 127, 193)
BLACK = (0, 0, 0)
SLATE = (52, 73, 94)
ORANGE = (230, 126, 34)

# The eye: the lens between two circles, centred at (0.5, EYE_Y), EYE_WIDTH wide and EYE_HEIGHT high.
EYE_Y = 0.40
EYE_WIDTH = 0.94
EYE_HEIGHT = 0.56
EYE_RIM = 0.085
IRIS_RADIUS = 0.18
PUPIL_RADIUS = 0.085

# The revisions: a line at REVISION_Y with three dots on it.
REVISION_Y = 0.86
REVISION_XS = (0.17, 0.5, 0.83)
REVISION_RADIUS = 0.11
REVISION_LINE = 0.075

# The frames: a square of 10 px outside, 6 px inside, centred in the 16 px icon.
FRAME_ANGLES = (0.0, 22.5, 45.0, 67.5)
FRAME_HALF_SIDE = 4.0
FRAME_THICKNESS = 2.0


def lens_distance(x, y):
    """Signed distance (negative inside) to the eye's outline, in unit coordinates."""
    half_width = EYE_WIDTH / 2
    half_height = EYE_HEIGHT / 2
    # A circle through both corners (0.5 +- half_width, EYE_Y) and the top (0.5, EYE_Y - half_height).
    radius = (half_width * half_width + half_height * half_height) / (2 * half_height)
    upper = math.hypot(x - 0.5, y - (EYE_Y - half_height + radius)) - radius
    lower = math.hypot(x - 0.5, y - (EYE_Y + half_height - radius)) - radius
    return max(upper, lower)


def resting_layers(x, y):
    """The resting icon's layers at one unit-square point, from back to front: (colour, inside?)."""
    lens = lens_distance(x, y)
    centre = math.hypot(x - 0.5, y - EYE_Y)
    line = segment_distance(x, y, REVISION_XS[0], REVISION_Y, REVISION_XS[-1], REVISION_Y)
    dots = [math.hypot(x - dx, y - REVISION_Y) for dx in REVISION_XS]
    return (
        (NAVY, lens <= 0),
        (WHITE, lens <= -EYE_RIM),
        (IRIS, centre <= IRIS_RADIUS and lens <= -EYE_RIM),
        (BLACK, centre <= PUPIL_RADIUS),
        (SLATE, line <= REVISION_LINE / 2),
        (SLATE, min(dots[:-1]) <= REVISION_RADIUS),
        (ORANGE, dots[-1] <= REVISION_RADIUS),
    )


def grey(colour):
    """The colour as a light grey of the same lightness order, so that the drawing reads as off."""
    lightness = 0.30 * colour[0] + 0.59 * colour[1] + 0.11 * colour[2]
    level = round(110 + lightness * 0.5)
    return (level, level, level)


def greyed_layers(x, y):
    """The resting icon's layers in grey."""
    return tuple((grey(colour), inside) for colour, inside in resting_layers(x, y))


def frame_layers(angle):
    """The frame's layers, measured in pixels of the 16 px icon and scaled with it to any size."""
    cos_a = math.cos(math.radians(angle))
    sin_a = math.sin(math.radians(angle))
    centre = TRAY_SIZE / 2

    def layers(x, y):
        px, py = x * TRAY_SIZE - centre, y * TRAY_SIZE - centre
        # The point turned back, so the square can be measured upright.
        ux, uy = px * cos_a + py * sin_a, -px * sin_a + py * cos_a
        outer = max(abs(ux), abs(uy))
        inside = abs(outer - FRAME_HALF_SIDE) <= FRAME_THICKNESS / 2
        return ((BLACK, inside),)

    return layers


def render(size, layers):
    """Rows of straight-alpha RGBA pixels: each layer's coverage is sampled, then layers go over."""
    rows = []
    for row in range(size):
        pixels = bytearray()
        for column in range(size):
            coverage = None
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (column + (sx + 0.5) / SAMPLES) / size
                    y = (row + (sy + 0.5) / SAMPLES) / size
                    hits = [inside for _, inside in layers(x, y)]
                    coverage = hits if coverage is None else [c + h for c, h in zip(coverage, hits)]
            colours = [colour for colour, _ in layers(0.5, 0.5)]
            red = green = blue = alpha = 0.0
            for colour, count in zip(colours, coverage):
                a = count / (SAMPLES * SAMPLES)
                red = colour[0] * a + red * (1 - a)
                green = colour[1] * a + green * (1 - a)
                blue = colour[2] * a + blue * (1 - a)
                alpha = a + alpha * (1 - a)
            if alpha > 0:
                pixels += bytes((round(red / alpha), round(green / alpha), round(blue / alpha), round(alpha * 255)))
            else:
                pixels += bytes(4)
        rows.append(bytes(pixels))
    return rows


def lens_path(inset):
    """SVG path of the eye's lens shrunk by inset: the arc of the upper circle over the arc of the lower."""
    half_width = EYE_WIDTH / 2
    half_height = EYE_HEIGHT / 2
    radius = (half_width * half_width + half_height * half_height) / (2 * half_height)
    inner = radius - inset
    # Both circles' centres lie radius - half_height from the eye's centre line; the corners are where
    # the shrunk circles meet on that line.
    offset = radius - half_height
    corner = math.sqrt(inner * inner - offset * offset)
    left, right = 0.5 - corner, 0.5 + corner
    return (f"M {left:.4f} {EYE_Y} A {inner:.4f} {inner:.4f} 0 0 1 {right:.4f} {EYE_Y} "
            f"A {inner:.4f} {inner:.4f} 0 0 1 {left:.4f} {EYE_Y} Z")


def hex_colour(colour):
    return "#%02x%02x%02x" % colour


def resting_svg():
    """The resting icon as SVG in a unit square, shape for shape as resting_layers draws it."""
    dots = "".join(
        f'<circle cx="{x}" cy="{REVISION_Y}" r="{REVISION_RADIUS}" fill="{hex_colour(SLATE)}"/>'
        for x in REVISION_XS[:-1])
    return f"""<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 1 1">
<defs><clipPath id="inner"><path d="{lens_path(EYE_RIM)}"/></clipPath></defs>
<path d="{lens_path(0)}" fill="{hex_colour(NAVY)}"/>
<path d="{lens_path(EYE_RIM)}" fill="{hex_colour(WHITE)}"/>
<circle cx="0.5" cy="{EYE_Y}" r="{IRIS_RADIUS}" fill="{hex_colour(IRIS)}" clip-path="url(#inner)"/>
<circle cx="0.5" cy="{EYE_Y}" r="{PUPIL_RADIUS}" fill="{hex_colour(BLACK)}"/>
<line x1="{REVISION_XS[0]}" y1="{REVISION_Y}" x2="{REVISION_XS[-1]}" y2="{REVISION_Y}" stroke="{hex_colour(SLATE)}" stroke-width="{REVISION_LINE}" stroke-linecap="round"/>
{dots}
<circle cx="{REVISION_XS[-1]}" cy="{REVISION_Y}" r="{REVISION_RADIUS}" fill="{hex_colour(ORANGE)}"/>
</svg>
"""


def main():
    os.makedirs("icons", exist_ok=True)
    drawings = [(128, resting_layers), (129, greyed_layers)] + [
        (resource_id, frame_layers(angle)) for resource_id, angle in zip(range(130, 134), FRAME_ANGLES)]
    for resource_id, layers in drawings:
        write_png(f"icons/{resource_id}.png", TRAY_SIZE, render(TRAY_SIZE, layers))
        for size in TRAY_EXTRA_SIZES:
            write_png(f"icons/{resource_id}-{size}.png", size, render(size, layers))
    for size in THEME_SIZES:
        write_png(f"icons/corvane-{size}.png", size, render(size, resting_layers))
    write_ico("icons/corvane.ico", [(size, render(size, resting_layers)) for size in WINDOWS_SIZES])
    with open("icons/corvane.svg", "w", encoding="ascii") as svg:
        svg.write(resting_svg())


if __name__ == "__main__":
    main()
