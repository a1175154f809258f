#!/usr/bin/env python3
"""Draws the program's icon (32 and 16 pixels) and its header image (500 by
47) as PNG files next to this script. Standard library only: every pixel is
computed from a few shapes and averaged over a 4 by 4 grid of samples.

    python3 src/res/artwork/make_artwork.py
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = 4


def write_png(path, width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples, 0..255."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def over(top, bottom):
    """Composites an (r, g, b, a) colour with a in 0..1 over another."""
    a = top[3] + bottom[3] * (1 - top[3])
    if a <= 0:
        return (0.0, 0.0, 0.0, 0.0)
    rgb = [(top[i] * top[3] + bottom[i] * bottom[3] * (1 - top[3])) / a for i in range(3)]
    return (rgb[0], rgb[1], rgb[2], a)


def rounded_box(x, y, left, top, right, bottom, radius):
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return math.hypot(x - cx, y - cy) <= radius


def inside_polygon(x, y, points):
    inside = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


NAVY = (22, 46, 96, 1.0)
TEAL = (18, 150, 160, 1.0)
AMBER = (245, 178, 56, 1.0)
CREAM = (255, 247, 228, 1.0)
WHITE = (255, 255, 255, 1.0)


def parcel_colour(x, y, size):
    """The parcel with its downward arrow, in a square of side size (0..1 coordinates)."""
    u, v = x / size, y / size
    colour = (0.0, 0.0, 0.0, 0.0)
    if rounded_box(u, v, 0.03, 0.03, 0.97, 0.97, 0.2):
        colour = mix(TEAL, NAVY, min(1.0, max(0.0, (u + v) / 2)))
    # The box: a front face and a lid.
    if rounded_box(u, v, 0.2, 0.42, 0.8, 0.84, 0.04):
        colour = over(AMBER, colour)
    if rounded_box(u, v, 0.16, 0.34, 0.84, 0.46, 0.03):
        colour = over(mix(AMBER, CREAM, 0.45), colour)
    # The tape down the middle of the box.
    if 0.45 <= u <= 0.55 and 0.34 <= v <= 0.84:
        colour = over((200, 120, 30, 1.0), colour)
    # The arrow coming down into the box.
    arrow = [(0.43, 0.1), (0.57, 0.1), (0.57, 0.3), (0.68, 0.3), (0.5, 0.52), (0.32, 0.3), (0.43, 0.3)]
    if inside_polygon(u, v, arrow):
        colour = over(WHITE, colour)
    return colour


def header_colour(x, y, width, height):
    t = x / width
    colour = mix(NAVY, TEAL, t ** 1.4)
    # Soft diagonal bands, lighter towards the right.
    band = math.sin((x + y * 1.8) / 16.0)
    if band > 0.82:
        colour = over((255, 255, 255, 0.07 + 0.08 * t), colour)
    # A thin amber rule along the bottom edge.
    if y >= height - 3:
        colour = over(AMBER, colour)
    # The parcel mark on the left, 37 pixels square.
    mark = 37
    ox, oy = 10, (height - 3 - mark) / 2
    if ox <= x < ox + mark and oy <= y < oy + mark:
        colour = over(parcel_colour(x - ox, y - oy, mark), colour)
    return colour


def render(width, height, shade):
    rows = []
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = shade(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
                    for i in range(3):
                        acc[i] += c[i] * c[3]
                    acc[3] += c[3]
            n = SAMPLES * SAMPLES
            a = acc[3] / n
            if a > 0:
                rgb = [round(acc[i] / acc[3]) for i in range(3)]
            else:
                rgb = [0, 0, 0]
            row.append((rgb[0], rgb[1], rgb[2], round(a * 255)))
        rows.append(row)
    return rows


def main():
    for size in (16, 32, 256):
        write_png(os.path.join(HERE, "icon%d.png" % size), size, size,
                  render(size, size, lambda x, y, s=size: parcel_colour(x, y, s)))
    write_png(os.path.join(HERE, "header.png"), 500, 47,
              render(500, 47, lambda x, y: header_colour(x, y, 500, 47)))


if __name__ == "__main__":
    main()
