#!/usr/bin/env python3
"""Draws the fern icon: a cream fern frond on a green rounded square.

Shapes are signed distance functions in a 512-unit design square; each pixel's coverage is taken
from its distance to the edge, which gives smooth anti-aliased edges at any size without
supersampling. Standard library only.
Usage: scripts/draw-favicon.py [output path]    web/assets/favicon.png, 512x512 RGBA
       scripts/draw-favicon.py --icons FOLDER    FOLDER/hicolor/<N>x<N>/apps/ferncard.png,
                                                 FOLDER/hicolor/scalable/apps/ferncard.svg and
                                                 FOLDER/ferncard.ico
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


def fern_shapes():
    """The frond in design units: the stem as (x, y, half width) points along its curve, and the
    leaflets as vesicas (centre, direction, circle radius and offset, half length, reach)."""
    start, control, tip = (168.0, 446.0), (236.0, 252.0), (380.0, 84.0)

    # The stem: a chain of round segments, thick at the base and fine at the tip.
    steps = 60
    stem = []
    for i in range(steps + 1):
        x, y, _, _ = bezier(i / steps, start, control, tip)
        stem.append((x, y, 9.0 - 6.0 * (i / steps)))

    leaflets = []
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
            leaflets.append((cx, cy, dx, dy, radius, offset, half_length, half_length + half_width + 8))

    # The curled tip: one small leaflet along the stem's own direction.
    ex, ey, etx, ety = bezier(1.0, start, control, tip)
    tip_length, tip_width = 44.0, 20.0
    tip_radius = ((tip_length / 2) ** 2 + (tip_width / 2) ** 2) / tip_width
    tip_offset = tip_radius - tip_width / 2
    leaflets.append((ex - etx * 8, ey - ety * 8, etx, ety, tip_radius, tip_offset, tip_length / 2, 30))
    return stem, leaflets


def draw(size=SIZE):
    """Rows of RGBA pixels, each row led by PNG's filter byte, for a size x size image."""
    scale = size / SIZE
    fern = [1e9] * (size * size)  # distance to the nearest fern shape, per pixel, in design units

    def stamp(bounds, distance):
        x0, y0 = (int(clamp(v * scale, 0, size)) for v in bounds[:2])
        x1, y1 = (int(clamp(v * scale + 1, 0, size)) for v in bounds[2:])
        for y in range(y0, y1):
            row = y * size
            for x in range(x0, x1):
                d = distance((x + 0.5) / scale, (y + 0.5) / scale)
                if d < fern[row + x]:
                    fern[row + x] = d

    stem, leaflets = fern_shapes()
    for (ax, ay, width), (bx, by, _) in zip(stem, stem[1:]):

        def segment(x, y, ax=ax, ay=ay, bx=bx, by=by, width=width):
            vx, vy = bx - ax, by - ay
            h = clamp(((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy), 0.0, 1.0)
            return math.hypot(x - ax - vx * h, y - ay - vy * h) - width

        stamp((min(ax, bx) - 12, min(ay, by) - 12, max(ax, bx) + 12, max(ay, by) + 12), segment)

    for cx, cy, dx, dy, radius, offset, _, reach in leaflets:

        def leaflet(x, y, cx=cx, cy=cy, dx=dx, dy=dy, radius=radius, offset=offset):
            rx, ry = x - cx, y - cy
            along = rx * dx + ry * dy
            across = -rx * dy + ry * dx
            return vesica_distance(across, along, radius, offset)

        stamp((cx - reach, cy - reach, cx + reach, cy + reach), leaflet)

    rows = bytearray()
    for y in range(size):
        rows.append(0)  # filter type None
        shade = y / (size - 1)
        for x in range(size):
            cx, cy = (x + 0.5) / scale, (y + 0.5) / scale
            square = clamp(0.5 - rounded_square_distance(cx, cy) * scale, 0.0, 1.0)
            if square <= 0.0:
                rows += b"\0\0\0\0"
                continue
            mix = clamp(shade * 0.8 + (x / size) * 0.2, 0.0, 1.0)
            colour = [BACKGROUND_TOP[k] + (BACKGROUND_BOTTOM[k] - BACKGROUND_TOP[k]) * mix for k in range(3)]
            cover = clamp(0.5 - fern[y * size + x] * scale, 0.0, 1.0)
            colour = [colour[k] + (FERN[k] - colour[k]) * cover for k in range(3)]
            rows += bytes((round(colour[0]), round(colour[1]), round(colour[2]), round(255 * square)))
    return bytes(rows)


def svg():
    """The same drawing as vector shapes: the stem as one outline, each leaflet as two arcs, each
    shape a path of its own so that overlaps never cancel out."""
    def point(x, y):
        return f"{x:.2f} {y:.2f}"

    stem, leaflets = fern_shapes()
    left, right = [], []
    for i, (x, y, width) in enumerate(stem):
        ax, ay, _ = stem[max(i - 1, 0)]
        bx, by, _ = stem[min(i + 1, len(stem) - 1)]
        length = math.hypot(bx - ax, by - ay)
        nx, ny = -(by - ay) / length, (bx - ax) / length
        left.append(point(x + nx * width, y + ny * width))
        right.append(point(x - nx * width, y - ny * width))
    base, tip = stem[0], stem[-1]
    paths = ["M " + " L ".join(left) + f" A {tip[2]:.2f} {tip[2]:.2f} 0 0 1 " + " L ".join(reversed(right))
             + f" A {base[2]:.2f} {base[2]:.2f} 0 0 1 {left[0]} Z"]
    for cx, cy, dx, dy, radius, _, half_length, _ in leaflets:
        a = point(cx - dx * half_length, cy - dy * half_length)
        b = point(cx + dx * half_length, cy + dy * half_length)
        paths.append(f"M {a} A {radius:.2f} {radius:.2f} 0 0 1 {b} A {radius:.2f} {radius:.2f} 0 0 1 {a} Z")

    # The raster's shade is 0.8 * y / 511 + 0.2 * x / 512: a linear gradient along that vector.
    gx, gy = 0.2 / SIZE, 0.8 / (SIZE - 1)
    norm = gx * gx + gy * gy

    def hex_colour(rgb):
        return "#%02x%02x%02x" % rgb

    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{SIZE}" height="{SIZE}" viewBox="0 0 {SIZE} {SIZE}">\n'
            f'<defs><linearGradient id="shade" gradientUnits="userSpaceOnUse" x1="0" y1="0" '
            f'x2="{gx / norm:.2f}" y2="{gy / norm:.2f}">'
            f'<stop offset="0" stop-color="{hex_colour(BACKGROUND_TOP)}"/>'
            f'<stop offset="1" stop-color="{hex_colour(BACKGROUND_BOTTOM)}"/></linearGradient></defs>\n'
            f'<rect width="{SIZE}" height="{SIZE}" rx="{CORNER}" fill="url(#shade)"/>\n'
            f'<g fill="{hex_colour(FERN)}">\n' + "".join(f'<path d="{d}"/>\n' for d in paths) + '</g>\n</svg>\n')


def png(pixels, size=SIZE):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(pixels, 9))
            + chunk(b"IEND", b""))


def ico(images):
    """A Windows icon of (size, rows) images: 256 and larger as PNG, smaller ones as 32-bit
    bitmaps with their alpha channel, which every reader of icons understands."""
    entries, blobs = b"", b""
    offset = 6 + 16 * len(images)
    for size, rows in images:
        if size >= 256:
            blob = png(rows, size)
        else:
            stride = size * 4 + 1
            pixels = b"".join(
                bytes(sum(((p[2], p[1], p[0], p[3]) for p in zip(*[iter(rows[y * stride + 1:(y + 1) * stride])] * 4)), ()))
                for y in reversed(range(size)))  # bottom-up BGRA rows
            mask = bytes(((size + 31) // 32) * 4 * size)  # all opaque: the alpha channel decides
            blob = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
            blob += pixels + mask
        side = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + entries + blobs


def write(path, data):
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


def write_icons(folder):
    images = {size: draw(size) for size in (16, 24, 32, 48, 64, 128, 256, 512)}
    for size, rows in images.items():
        write(os.path.join(folder, "hicolor", f"{size}x{size}", "apps", "ferncard.png"), png(rows, size))
    write(os.path.join(folder, "hicolor", "scalable", "apps", "ferncard.svg"), svg().encode())
    write(os.path.join(folder, "ferncard.ico"), ico([(size, images[size]) for size in (16, 24, 32, 48, 256)]))


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--icons":
        write_icons(sys.argv[2])
        return
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "web", "assets", "favicon.png")
    write(target, png(draw()))


if __name__ == "__main__":
    main()
