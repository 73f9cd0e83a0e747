#!/usr/bin/env python3
"""Draws web/assets/favicon.png: a cream fern frond on a green rounded square, 512x512 RGBA.

Shapes are signed distance functions; each pixel's coverage is taken from its distance to the
edge, which gives smooth anti-aliased edges without supersampling. Standard library only.
Usage: scripts/draw-favicon.py [output path]
"""
import math
import os
import struct
import sys
import zlib

SIZE = 512
CORNER = 112
BACKGROUND_TOP = (52, 166, 112)
BACKGROUND_BOTTOM = (20, 92, 62)
FERN = (246, 251, 238)


def clamp(value, low, high):
    return low if value < low else high if value > high else value


def rounded_square_distance(x, y):
    half = SIZE / 2
    qx = abs(x - half) - (half - CORNER)
    qy = abs(y - half) - (half - CORNER)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - CORNER


def vesica_distance(px, py, radius, offset):
    """A pointed leaf along the y axis: the intersection of two circles."""
    px, py = abs(px), abs(py)
    half_length = math.sqrt(radius * radius - offset * offset)
    if (py - half_length) * offset > px * half_length:
        return math.hypot(px, py - half_length)
    return math.hypot(px + offset, py) - radius


def bezier(t, p0, p1, p2):
    u = 1 - t
    x = u * u * p0[0] + 2 * u * t * p1[0] + t * t * p2[0]
    y = u * u * p0[1] + 2 * u * t * p1[1] + t * t * p2[1]
    dx = 2 * u * (p1[0] - p0[0]) + 2 * t * (p2[0] - p1[0])
    dy = 2 * u * (p1[1] - p0[1]) + 2 * t * (p2[1] - p1[1])
    norm = math.hypot(dx, dy)
    return x, y, dx / norm, dy / norm


def draw():
    fern = [1e9] * (SIZE * SIZE)  # distance to the nearest fern shape, per pixel

    def stamp(bounds, distance):
        x0, y0, x1, y1 = (int(clamp(v, 0, SIZE)) for v in bounds)
        for y in range(y0, y1):
            row = y * SIZE
            for x in range(x0, x1):
                d = distance(x + 0.5, y + 0.5)
                if d < fern[row + x]:
                    fern[row + x] = d

    start, control, tip = (168.0, 446.0), (236.0, 252.0), (380.0, 84.0)

    # The stem: a chain of round segments, thick at the base and fine at the tip.
    steps = 60
    points = [bezier(i / steps, start, control, tip) for i in range(steps + 1)]
    for i in range(steps):
        ax, ay, _, _ = points[i]
        bx, by, _, _ = points[i + 1]
        width = 9.0 - 6.0 * (i / steps)

        def segment(x, y, ax=ax, ay=ay, bx=bx, by=by, width=width):
            vx, vy = bx - ax, by - ay
            h = clamp(((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy), 0.0, 1.0)
            return math.hypot(x - ax - vx * h, y - ay - vy * h) - width

        stamp((min(ax, bx) - 12, min(ay, by) - 12, max(ax, bx) + 12, max(ay, by) + 12), segment)

    # Leaflets in pairs along the stem, longest near the base, swept towards the tip.
    pairs = 9
    for i in range(pairs):
        t = 0.1 + 0.82 * i / pairs
        sx, sy, tx, ty = bezier(t, start, control, tip)
        length = 96.0 * (1.0 - t) ** 0.6 + 28.0
        width = length * 0.28
        for side in (-1, 1):
            sweep = math.radians(52 if side < 0 else 56)
            # Rotate the tangent towards the side of the leaflet.
            ca, sa = math.cos(sweep * side), math.sin(sweep * side)
            dx, dy = tx * ca - ty * sa, tx * sa + ty * ca
            cx, cy = sx + dx * (length / 2 + 4), sy + dy * (length / 2 + 4)
            half_length = length / 2
            half_width = width / 2
            # A vesica with this length and width: radius and offset of its two circles.
            radius = (half_length * half_length + half_width * half_width) / (2 * half_width)
            offset = radius - half_width

            def leaflet(x, y, cx=cx, cy=cy, dx=dx, dy=dy, radius=radius, offset=offset):
                rx, ry = x - cx, y - cy
                along = rx * dx + ry * dy
                across = -rx * dy + ry * dx
                return vesica_distance(across, along, radius, offset)

            reach = half_length + half_width + 8
            stamp((cx - reach, cy - reach, cx + reach, cy + reach), leaflet)

    # The curled tip: one small leaflet along the stem's own direction.
    ex, ey, etx, ety = bezier(1.0, start, control, tip)
    tip_length, tip_width = 44.0, 20.0
    tip_radius = ((tip_length / 2) ** 2 + (tip_width / 2) ** 2) / tip_width
    tip_offset = tip_radius - tip_width / 2
    tcx, tcy = ex - etx * 8, ey - ety * 8

    def tip_leaflet(x, y):
        rx, ry = x - tcx, y - tcy
        return vesica_distance(-rx * ety + ry * etx, rx * etx + ry * ety, tip_radius, tip_offset)

    stamp((tcx - 30, tcy - 30, tcx + 30, tcy + 30), tip_leaflet)

    rows = bytearray()
    for y in range(SIZE):
        rows.append(0)  # filter type None
        shade = y / (SIZE - 1)
        for x in range(SIZE):
            cx, cy = x + 0.5, y + 0.5
            square = clamp(0.5 - rounded_square_distance(cx, cy), 0.0, 1.0)
            if square <= 0.0:
                rows += b"\0\0\0\0"
                continue
            mix = clamp(shade * 0.8 + (x / SIZE) * 0.2, 0.0, 1.0)
            colour = [BACKGROUND_TOP[k] + (BACKGROUND_BOTTOM[k] - BACKGROUND_TOP[k]) * mix for k in range(3)]
            cover = clamp(0.5 - fern[y * SIZE + x], 0.0, 1.0)
            colour = [colour[k] + (FERN[k] - colour[k]) * cover for k in range(3)]
            rows += bytes((round(colour[0]), round(colour[1]), round(colour[2]), round(255 * square)))
    return bytes(rows)


def png(pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(pixels, 9))
            + chunk(b"IEND", b""))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "web", "assets", "favicon.png")
    with open(target, "wb") as out:
        out.write(png(draw()))


if __name__ == "__main__":
    main()
