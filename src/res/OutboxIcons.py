#!/usr/bin/env python3
"""Draws the service log's row icons (OutboxStatus1..3.ico, OutboxUnknown.ico) in the
program icon's style: a flat rounded square with a white sign, at 16x16 and 32x32,
32-bit with alpha. Run from anywhere; writes next to this script. The .ico files are
checked in, so the build does not need this."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = 4  # per pixel and axis, for smooth edges


def rounded_square(x, y, inset=0.03, radius=0.22):
    lo, hi = inset + radius, 1 - inset - radius
    dx = max(lo - x, 0, x - hi)
    dy = max(lo - y, 0, y - hi)
    return dx * dx + dy * dy <= radius * radius and inset <= x <= 1 - inset and inset <= y <= 1 - inset


def near_segment(x, y, a, b, width):
    (ax, ay), (bx, by) = a, b
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
    px, py = ax + t * vx - x, ay + t * vy - y
    return px * px + py * py <= (width / 2) ** 2


def stroke(points, width):
    return lambda x, y: any(near_segment(x, y, points[i], points[i + 1], width) for i in range(len(points) - 1))


def inside_polygon(points):
    def test(x, y):
        inside = False
        for i in range(len(points)):
            (ax, ay), (bx, by) = points[i], points[(i + 1) % len(points)]
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                inside = not inside
        return inside
    return test


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


# Sent: an arrow leaving upwards.
arrow = union(inside_polygon([(0.5, 0.18), (0.78, 0.48), (0.6, 0.48), (0.6, 0.8), (0.4, 0.8), (0.4, 0.48),
                              (0.22, 0.48)]))
# Done: a check mark.
check = stroke([(0.25, 0.52), (0.43, 0.7), (0.76, 0.3)], 0.15)
# Withdrawn: a bar.
bar = inside_polygon([(0.24, 0.42), (0.76, 0.42), (0.76, 0.58), (0.24, 0.58)])
# Unknown: a question mark.
arc = [(0.5 + 0.17 * math.cos(a), 0.36 + 0.15 * math.sin(a))
       for a in [math.radians(d) for d in range(200, 400, 20)]]
question = union(stroke(arc + [(0.5, 0.52), (0.5, 0.6)], 0.13), disc(0.5, 0.78, 0.075))

ICONS = {
    "OutboxStatus1.ico": ((224, 150, 32), arrow),
    "OutboxStatus2.ico": ((46, 150, 72), check),
    "OutboxStatus3.ico": ((128, 134, 142), bar),
    "OutboxUnknown.ico": ((112, 90, 150), question),
}


def render(size, colour, sign):
    """Rows bottom-up, BGRA, as an icon's bitmap wants them."""
    rows = []
    for py in reversed(range(size)):
        row = bytearray()
        for px in range(size):
            back = front = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    if rounded_square(x, y):
                        back += 1
                        front += sign(x, y)
            n = SAMPLES * SAMPLES
            alpha = back / n
            white = front / back if back else 0
            r, g, b = (round(c + (255 - c) * white) for c in colour)
            row += bytes([b, g, r, round(alpha * 255)])
        rows.append(bytes(row))
    return rows


def icon_image(size, colour, sign):
    rows = render(size, colour, sign)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(rows)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in rows:
        bits = bytearray(mask_stride)
        for px in range(size):
            if row[px * 4 + 3] == 0:
                bits[px // 8] |= 0x80 >> (px % 8)
        mask += bits
    return header + pixels + bytes(mask)


def write_icon(path, colour, sign):
    images = [(size, icon_image(size, colour, sign)) for size in (16, 32)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    for name, (colour, sign) in ICONS.items():
        write_icon(os.path.join(HERE, name), colour, sign)
