#!/usr/bin/env python3
"""Draws the About page's picture: the program's pen and its name "Quillpad", with a
soft drop shadow, as two 259x44 8-bit bitmaps: AboutPicture.bmp (colours; pure white is
left for "nothing here") and AboutMask.bmp (grey: 0 opaque, 255 transparent). The page
blends them over its background. Run from anywhere; writes next to this script. The .bmp
files are checked in, so the build does not need this."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
WIDTH, HEIGHT = 259, 44
SAMPLES = 4  # per pixel and axis, for smooth edges
WHITE = (255, 255, 255)
SHADOW = (48, 48, 48)
SHADOW_ALPHA = 0.45
SHADOW_OFFSET = (2, 2)
SHADOW_RADIUS = 2


def seg_dist(x, y, a, b):
    (ax, ay), (bx, by) = a, b
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
    return math.hypot(ax + t * vx - x, ay + t * vy - y)


def inside_polygon(points, x, y):
    inside = False
    for i in range(len(points)):
        (ax, ay), (bx, by) = points[i], points[(i + 1) % len(points)]
        if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
            inside = not inside
    return inside


class Shape:
    """A part of the picture: a test for a point and its colour there."""

    def __init__(self, box, test, colour):
        self.box, self.test, self.colour = box, test, colour

    def at(self, x, y):
        x0, y0, x1, y1 = self.box
        if x0 <= x <= x1 and y0 <= y <= y1 and self.test(x, y):
            return self.colour(x, y) if callable(self.colour) else self.colour
        return None


def stroke(points, width, colour):
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    box = (min(xs) - width, min(ys) - width, max(xs) + width, max(ys) + width)
    half = width / 2
    return Shape(box, lambda x, y: any(seg_dist(x, y, points[i], points[i + 1]) <= half
                                       for i in range(len(points) - 1)), colour)


def ring(cx, cy, rx, ry, width, colour, start=0, end=360):
    """An elliptical arc (degrees, y down), drawn as a polyline."""
    steps = max(8, int(abs(end - start) / 8))
    points = [(cx + rx * math.cos(math.radians(start + (end - start) * i / steps)),
               cy + ry * math.sin(math.radians(start + (end - start) * i / steps))) for i in range(steps + 1)]
    return stroke(points, width, colour)


def disc(cx, cy, r, colour):
    return Shape((cx - r, cy - r, cx + r, cy + r), lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour)


def polygon(points, colour):
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return Shape((min(xs), min(ys), max(xs), max(ys)), lambda x, y: inside_polygon(points, x, y), colour)


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def shaded(axis_a, axis_b, radius, light, dark, levels=12):
    """A colour that runs from light (one side of the axis) to dark (the other), in steps."""
    (ax, ay), (bx, by) = axis_a, axis_b
    length = math.hypot(bx - ax, by - ay)
    nx, ny = -(by - ay) / length, (bx - ax) / length

    def colour(x, y):
        across = ((x - ax) * nx + (y - ay) * ny) / radius  # -1..1
        t = min(1.0, max(0.0, (across + 1) / 2))
        return mix(light, dark, round(t * (levels - 1)) / (levels - 1))
    return colour


# The pen, from its tip at the lower left up to the right.
TIP = (6.0, 40.0)
NIB_BASE = (15.0, 31.0)
TOP = (47.0, 5.0)
_len = math.hypot(TOP[0] - NIB_BASE[0], TOP[1] - NIB_BASE[1])
_ux, _uy = (TOP[0] - NIB_BASE[0]) / _len, (TOP[1] - NIB_BASE[1]) / _len
_nx, _ny = -_uy, _ux
BODY_R = 4.6


def along(point, t, s=0.0):
    return (point[0] + _ux * t + _nx * s, point[1] + _uy * t + _ny * s)


BODY_START = along(NIB_BASE, 4.0)
pen = [
    # Nib: a golden cone with a dark point.
    polygon([TIP, along(NIB_BASE, 0, -3.8), along(NIB_BASE, 0.5, 0), along(NIB_BASE, 0, 3.8)],
            shaded(TIP, NIB_BASE, 3.8, (236, 200, 96), (150, 110, 24), 6)),
    disc(TIP[0] + 1.2, TIP[1] - 1.0, 1.5, (40, 40, 44)),
    # Grip ring, then the body, then the clip.
    stroke([NIB_BASE, BODY_START], 2 * BODY_R, shaded(NIB_BASE, BODY_START, BODY_R, (214, 220, 228), (120, 126, 136), 6)),
    stroke([BODY_START, TOP], 2 * BODY_R, shaded(BODY_START, TOP, BODY_R, (92, 140, 210), (22, 52, 104))),
    stroke([along(TOP, -14, -BODY_R - 0.6), along(TOP, -2, -BODY_R - 0.6)], 1.8, (176, 182, 192)),
]

# The name in strokes: cap height from y 7 to the baseline at 33, x-height from 18.
INK = (28, 56, 104)
W = 3.4


def letters(x):
    shapes = []
    # Q
    shapes += [ring(x + 12, 20, 11, 13, W, INK), stroke([(x + 15, 27), (x + 24, 35.5)], W, INK)]
    x += 30
    # u
    shapes += [stroke([(x, 18), (x, 27)], W, INK), ring(x + 6, 27, 6, 5.5, W, INK, 0, 180),
               stroke([(x + 12, 18), (x + 12, 33)], W, INK)]
    x += 19
    # i
    shapes += [stroke([(x, 19), (x, 33)], W, INK), disc(x, 12.5, 2.2, INK)]
    x += 8
    # l, l
    shapes += [stroke([(x, 6), (x, 33)], W, INK)]
    x += 8
    shapes += [stroke([(x, 6), (x, 33)], W, INK)]
    x += 8
    # p
    shapes += [stroke([(x, 18), (x, 41)], W, INK), ring(x + 7, 25.5, 7, 7.5, W, INK)]
    x += 21
    # a
    shapes += [ring(x + 7, 25.5, 7, 7.5, W, INK), stroke([(x + 14, 18), (x + 14, 33)], W, INK)]
    x += 21
    # d
    shapes += [ring(x + 7, 25.5, 7, 7.5, W, INK), stroke([(x + 14, 6), (x + 14, 33)], W, INK)]
    return shapes


SHAPES = pen + letters(62)


def coverage():
    """Per pixel: the fraction covered and the colour covering most of it."""
    cover = [[0.0] * WIDTH for _ in range(HEIGHT)]
    colour = [[WHITE] * WIDTH for _ in range(HEIGHT)]
    n = SAMPLES * SAMPLES
    for py in range(HEIGHT):
        for px in range(WIDTH):
            counts = {}
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x, y = px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES
                    for shape in reversed(SHAPES):  # the last drawn is on top
                        c = shape.at(x, y)
                        if c is not None:
                            counts[c] = counts.get(c, 0) + 1
                            break
            if counts:
                total = sum(counts.values())
                cover[py][px] = total / n
                colour[py][px] = max(counts, key=counts.get)
    return cover, colour


def shadow_of(cover):
    dx, dy = SHADOW_OFFSET
    r = SHADOW_RADIUS
    area = (2 * r + 1) ** 2
    out = [[0.0] * WIDTH for _ in range(HEIGHT)]
    for py in range(HEIGHT):
        for px in range(WIDTH):
            s = 0.0
            for oy in range(-r, r + 1):
                for ox in range(-r, r + 1):
                    x, y = px - dx + ox, py - dy + oy
                    if 0 <= x < WIDTH and 0 <= y < HEIGHT:
                        s += cover[y][x]
            out[py][px] = SHADOW_ALPHA * s / area
    return out


def write_bmp(path, rows, palette):
    stride = (WIDTH + 3) & ~3
    pixels = b"".join(bytes(row) + bytes(stride - WIDTH) for row in reversed(rows))
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    colours += bytes(4 * (256 - len(palette)))
    offset = 14 + 40 + 1024
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    with open(path, "wb") as f:
        f.write(header + info + colours + pixels)


def main():
    cover, colour = coverage()
    shadow = shadow_of(cover)
    palette = [WHITE]
    index = {WHITE: 0}
    colour_rows, mask_rows = [], []
    for py in range(HEIGHT):
        crow, mrow = [], []
        for px in range(WIDTH):
            a = cover[py][px]
            alpha = a + shadow[py][px] * (1 - a)
            level = round(alpha * 255)
            c = colour[py][px] if a > 0 else SHADOW
            if level == 0:
                c = WHITE
            if c not in index:
                index[c] = len(palette)
                palette.append(c)
            crow.append(index[c])
            mrow.append(255 - level)
        colour_rows.append(crow)
        mask_rows.append(mrow)
    assert len(palette) <= 256, len(palette)
    write_bmp(os.path.join(HERE, "AboutPicture.bmp"), colour_rows, palette)
    write_bmp(os.path.join(HERE, "AboutMask.bmp"), mask_rows, [(g, g, g) for g in range(256)])


if __name__ == "__main__":
    main()
