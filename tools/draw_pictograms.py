#!/usr/bin/python3
"""Draws the six weather pictograms of the clock and weather strip.

    tools/draw_pictograms.py [output directory]   (default: src/weather/pictograms)

Each picture is drawn four times larger with ImageMagick's `convert` and scaled down
to 79 x 80, which smooths the edges between colours. The alpha channel is then cut to
fully opaque or fully transparent: the strip is keyed on one colour, and a half
transparent rim would blend with that colour into a visible fringe. No picture uses
the key colour (0, 255, 255) itself.
"""
import math
import os
import subprocess
import sys

WIDTH, HEIGHT = 79, 80
SCALE = 4
W, H = WIDTH * SCALE, HEIGHT * SCALE


def sun(cx, cy, r, rays=True):
    parts = []
    if rays:
        parts.append("stroke '#f5a300' stroke-width 14 stroke-linecap round fill none")
        for i in range(8):
            a = math.radians(i * 45 + 22.5)
            x1, y1 = cx + math.cos(a) * (r + 14), cy + math.sin(a) * (r + 14)
            x2, y2 = cx + math.cos(a) * (r + 44), cy + math.sin(a) * (r + 44)
            parts.append(f"line {x1:.1f},{y1:.1f} {x2:.1f},{y2:.1f}")
    parts.append("stroke '#e08a00' stroke-width 8 fill '#ffcc1a'")
    parts.append(f"circle {cx},{cy} {cx + r},{cy}")
    return parts


def cloud(x, y, w, fill, outline):
    """A cloud whose flat bottom starts at (x, y) and is w wide."""
    h = w * 0.28
    parts = [f"stroke '{outline}' stroke-width 10 fill '{fill}'"]
    bumps = [(x + w * 0.25, y - h * 0.55, w * 0.20),
             (x + w * 0.52, y - h * 0.95, w * 0.27),
             (x + w * 0.78, y - h * 0.50, w * 0.19)]
    # Outline pass first, then the fill again without stroke so inner outlines vanish.
    for fill_only in (False, True):
        if fill_only:
            parts.append(f"stroke none fill '{fill}'")
        for bx, by, br in bumps:
            parts.append(f"circle {bx:.1f},{by:.1f} {bx + br:.1f},{by:.1f}")
        parts.append(f"roundrectangle {x:.1f},{y - h:.1f} {x + w:.1f},{y:.1f} {h * 0.5:.1f},{h * 0.5:.1f}")
    return parts


def rain(x0, y0, count, spacing, length, colour, width=20):
    parts = [f"stroke '{colour}' stroke-width {width} stroke-linecap round fill none"]
    for i in range(count):
        x = x0 + i * spacing
        parts.append(f"line {x},{y0} {x - length * 0.35:.1f},{y0 + length}")
    return parts


def mist():
    # Short round-capped segments along a sine: convert strokes an open path or
    # polyline with a closing edge back to its start.
    parts = []
    colours = ["#8d99a6", "#aab4be", "#8d99a6", "#aab4be"]
    for band, colour in enumerate(colours):
        y = 70 + band * 60
        x0 = 30 + (band % 2) * 22
        parts.append(f"stroke '{colour}' stroke-width 20 stroke-linecap round fill none")
        points = [(x0 + i * 4, y - 12 * math.sin(i * 4 / 112 * 2 * math.pi)) for i in range(57)]
        for (xa, ya), (xb, yb) in zip(points, points[1:]):
            parts.append(f"line {xa:.1f},{ya:.1f} {xb:.1f},{yb:.1f}")
    return parts


def sunshine():
    return sun(W / 2, H / 2, 78)


def sun_and_cloud():
    return sun(196, 118, 62) + cloud(24, 262, 236, "#f2f4f7", "#7d8893")


def rain_cloud():
    return rain(92, 196, 4, 52, 96, "#1f6fd1") + cloud(24, 196, 268, "#56606b", "#333b44")


def storm_cloud():
    bolt = [(170, 170), (118, 252), (160, 252), (132, 316), (214, 224), (170, 224), (200, 170)]
    points = " ".join(f"{x},{y}" for x, y in bolt)
    return (rain(70, 206, 2, 44, 70, "#1f6fd1", 12) + rain(250, 206, 1, 40, 70, "#1f6fd1", 12)
            + cloud(24, 196, 268, "#444c55", "#262c33")
            + ["stroke '#c47a00' stroke-width 6 stroke-linejoin round fill '#ffd21f'", f"polygon {points}"])


def moon():
    # A crescent: the lit disc minus a disc shifted towards the upper right.
    cx, cy, r = 150, 166, 112
    ox, oy, orad = 214, 116, 100
    d = math.hypot(ox - cx, oy - cy)
    a = (r * r - orad * orad + d * d) / (2 * d)
    h = math.sqrt(r * r - a * a)
    mx, my = cx + a * (ox - cx) / d, cy + a * (oy - cy) / d
    p1 = (mx + h * (oy - cy) / d, my - h * (ox - cx) / d)
    p2 = (mx - h * (oy - cy) / d, my + h * (ox - cx) / d)
    path = (f"M {p1[0]:.1f},{p1[1]:.1f} A {r},{r} 0 1,0 {p2[0]:.1f},{p2[1]:.1f} "
            f"A {orad},{orad} 0 0,1 {p1[0]:.1f},{p1[1]:.1f} Z")
    parts = ["stroke '#b89b2e' stroke-width 8 fill '#f6e27a'", f"path '{path}'"]
    parts.append("stroke none fill '#f6e27a'")
    for sx, sy, sr in [(258, 238, 12), (222, 292, 9), (286, 184, 8)]:
        parts.append(f"circle {sx},{sy} {sx + sr},{sy}")
    return parts


PICTURES = [mist, sunshine, sun_and_cloud, rain_cloud, storm_cloud, moon]


def draw(index, drawing, out_dir):
    target = os.path.join(out_dir, f"m{index}.png")
    # One MVG program per picture: style lines apply to the primitives after them.
    program = "\n".join(drawing())
    command = ["convert", "-size", f"{W}x{H}", "xc:none", "-draw", program,
               "-filter", "Triangle", "-resize", f"{WIDTH}x{HEIGHT}!",
               "-channel", "A", "-threshold", "50%", "+channel",
               "-depth", "8", "-define", "png:color-type=6", "-strip", target]
    subprocess.run(command, check=True)
    return target


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.normpath(os.path.join(here, "..", "src", "weather", "pictograms"))
    os.makedirs(out_dir, exist_ok=True)
    for index, drawing in enumerate(PICTURES):
        print(draw(index, drawing, out_dir))


if __name__ == "__main__":
    main()
