#!/usr/bin/env python3
"""Draws the program's icons pixel by pixel and writes them as PNG files.

Icon 128 (About dialog): 32x32 at 24, 8 and 4 bits per pixel, and 16x16 at 24 bits.
Icon 131 (window icon): 16x16 at 24 bits, drawn pixel by pixel, and 24 to 256 pixels at 32
bits (RGBA) from a vector drawing, which is also written as rinu.svg for the desktop's icon
theme. The picture is a pink speech bubble with a smiling face. Run it again after changing
the drawing; the PNG and SVG files are committed.
"""
import struct
import zlib

# Palette: index 0 is transparent.
PALETTE = [
    (255, 0, 255),    # 0 transparent (key colour)
    (90, 50, 110),    # 1 outline
    (255, 214, 228),  # 2 bubble
    (60, 35, 80),     # 3 eyes
    (255, 150, 180),  # 4 cheeks
    (200, 60, 110),   # 5 mouth
    (255, 255, 255),  # 6 highlight
]


def inside_ellipse(x, y, cx, cy, rx, ry):
    return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def draw(size):
    s = size / 32.0
    px = [[0] * size for _ in range(size)]
    cx, cy, rx, ry = 15.5 * s, 13.5 * s, 14.5 * s, 11.5 * s

    def bubble(x, y):
        # The bubble body and its tail at the lower left.
        if inside_ellipse(x + 0.5, y + 0.5, cx, cy, rx, ry):
            return True
        tx, ty = (x + 0.5) / s, (y + 0.5) / s
        return 22 <= ty <= 30 and 6 <= tx <= 12 and tx - 6 <= (30 - ty) * 0.75

    for y in range(size):
        for x in range(size):
            if bubble(x, y):
                edge = any(not bubble(x + dx, y + dy) or not (0 <= x + dx < size and 0 <= y + dy < size)
                           for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                px[y][x] = 1 if edge else 2
    for y in range(size):
        for x in range(size):
            if px[y][x] != 2:
                continue
            fx, fy = (x + 0.5) / s, (y + 0.5) / s
            if inside_ellipse(fx, fy, 10.5, 11.5, 1.6, 2.4) or inside_ellipse(fx, fy, 20.5, 11.5, 1.6, 2.4):
                px[y][x] = 3
            elif size >= 32 and (inside_ellipse(fx, fy, 10.0, 10.5, 0.7, 0.8) or inside_ellipse(fx, fy, 20.0, 10.5, 0.7, 0.8)):
                px[y][x] = 6
            elif inside_ellipse(fx, fy, 6.5, 16.5, 2.2, 1.4) or inside_ellipse(fx, fy, 24.5, 16.5, 2.2, 1.4):
                px[y][x] = 4
            elif 13 <= fx <= 18 and 16.5 <= fy <= 19.5 and inside_ellipse(fx, fy, 15.5, 16.0, 3.0, 3.4) \
                    and not inside_ellipse(fx, fy, 15.5, 15.0, 3.0, 3.2):
                px[y][x] = 5
    if size < 32:
        # Too small for the ellipses: the face is set pixel by pixel.
        for y in range(size):
            for x in range(size):
                if px[y][x] in (3, 4, 5, 6):
                    px[y][x] = 2
        for (x, y) in ((5, 5), (5, 6), (10, 5), (10, 6)):
            px[y][x] = 3
        for (x, y) in ((3, 8), (12, 8)):
            px[y][x] = 4
        for (x, y) in ((7, 9), (8, 9)):
            px[y][x] = 5
        for (x, y) in ((6, 8), (9, 8)):
            px[y][x] = 5
    if size >= 32:
        for (x, y) in ((6, 5), (7, 5), (5, 6)):
            if px[y][x] == 2:
                px[y][x] = 6
    return px


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(px, bits):
    size = len(px)
    if bits == 24:
        header = struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0)
        raw = b"".join(b"\x00" + b"".join(bytes(PALETTE[i]) for i in row) for row in px)
        trns = chunk(b"tRNS", struct.pack(">HHH", *PALETTE[0]))
        extra = trns
    else:
        header = struct.pack(">IIBBBBB", size, size, bits, 3, 0, 0, 0)
        rows = []
        for row in px:
            if bits == 8:
                rows.append(b"\x00" + bytes(row))
            else:
                packed = bytearray()
                for i in range(0, size, 2):
                    packed.append((row[i] << 4) | row[i + 1])
                rows.append(b"\x00" + bytes(packed))
        raw = b"".join(rows)
        extra = chunk(b"PLTE", b"".join(bytes(c) for c in PALETTE)) + chunk(b"tRNS", b"\x00")
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


# The larger window icons and the scalable one come from one vector drawing in the same
# 32-unit square: shapes painted in order, each an ellipse or a polygon in a palette colour,
# optionally clipped to a box. The bubble's outline is the bubble drawn in the outline colour
# with the bubble colour painted one unit inside it.
BOX_MOUTH = (13.0, 16.5, 18.0, 19.5)
SHAPES = [
    ("ellipse", (15.5, 13.5, 14.5, 11.5), 1, None),
    ("polygon", ((6.0, 22.0), (12.0, 22.0), (6.0, 30.0)), 1, None),
    ("ellipse", (15.5, 13.5, 13.5, 10.5), 2, None),
    ("polygon", ((7.0, 21.0), (11.5, 21.0), (7.0, 27.0)), 2, None),
    ("ellipse", (6.5, 16.5, 2.2, 1.4), 4, None),
    ("ellipse", (24.5, 16.5, 2.2, 1.4), 4, None),
    ("ellipse", (10.5, 11.5, 1.6, 2.4), 3, None),
    ("ellipse", (20.5, 11.5, 1.6, 2.4), 3, None),
    ("ellipse", (10.0, 10.5, 0.7, 0.8), 6, None),
    ("ellipse", (20.0, 10.5, 0.7, 0.8), 6, None),
    ("ellipse", (15.5, 16.0, 3.0, 3.4), 5, BOX_MOUTH),
    ("ellipse", (15.5, 15.0, 3.0, 3.2), 2, BOX_MOUTH),
    ("ellipse", (6.8, 5.9, 1.4, 0.7), 6, None),
]


def inside_polygon(u, v, points):
    inside = False
    for i, (x1, y1) in enumerate(points):
        x2, y2 = points[i - 1]
        if (y1 > v) != (y2 > v) and u < x1 + (v - y1) * (x2 - x1) / (y2 - y1):
            inside = not inside
    return inside


def colour_at(u, v):
    """The palette index the vector drawing paints at (u, v); 0 outside it."""
    found = 0
    for kind, geometry, colour, clip in SHAPES:
        if clip and not (clip[0] <= u <= clip[2] and clip[1] <= v <= clip[3]):
            continue
        if kind == "ellipse":
            hit = inside_ellipse(u, v, *geometry)
        else:
            hit = inside_polygon(u, v, geometry)
        if hit:
            found = colour
    return found


def render(size, samples=4):
    """RGBA rows of the vector drawing at `size` pixels, each pixel averaged over
    samples x samples points, so edges are smooth and the background is transparent."""
    scale = 32.0 / size
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            r = g = b = covered = 0
            for sy in range(samples):
                for sx in range(samples):
                    u = (x + (sx + 0.5) / samples) * scale
                    v = (y + (sy + 0.5) / samples) * scale
                    c = colour_at(u, v)
                    if c:
                        pr, pg, pb = PALETTE[c]
                        r, g, b, covered = r + pr, g + pg, b + pb, covered + 1
            if covered:
                row.append((round(r / covered), round(g / covered), round(b / covered),
                            round(255 * covered / samples ** 2)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def png_rgba(rows):
    size = len(rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def svg():
    def colour(index):
        return "#%02x%02x%02x" % PALETTE[index]

    out = ['<?xml version="1.0" encoding="UTF-8"?>',
           '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 32 32">',
           '  <title>Rinu++</title>',
           '  <defs><clipPath id="mouth"><rect x="%g" y="%g" width="%g" height="%g"/></clipPath></defs>'
           % (BOX_MOUTH[0], BOX_MOUTH[1], BOX_MOUTH[2] - BOX_MOUTH[0], BOX_MOUTH[3] - BOX_MOUTH[1])]
    for kind, geometry, index, clip in SHAPES:
        extra = ' clip-path="url(#mouth)"' if clip else ""
        if kind == "ellipse":
            out.append('  <ellipse cx="%g" cy="%g" rx="%g" ry="%g" fill="%s"%s/>'
                       % (geometry + (colour(index), extra)))
        else:
            points = " ".join("%g,%g" % p for p in geometry)
            out.append('  <polygon points="%s" fill="%s"%s/>' % (points, colour(index), extra))
    out.append("</svg>")
    return "\n".join(out) + "\n"


# The window icon (131) at these sizes besides its 16x16 pixel drawing; the hicolor theme
# takes the same files and the SVG.
WINDOW_ICON_SIZES = (24, 32, 48, 64, 128, 256)

if __name__ == "__main__":
    for name, size, bits in (("about_32_24", 32, 24), ("about_32_8", 32, 8), ("about_32_4", 32, 4),
                             ("about_16_24", 16, 24), ("chat_16_24", 16, 24)):
        with open(name + ".png", "wb") as f:
            f.write(png(draw(size), bits))
    for size in WINDOW_ICON_SIZES:
        with open("chat_%d_32.png" % size, "wb") as f:
            f.write(png_rgba(render(size)))
    with open("rinu.svg", "w") as f:
        f.write(svg())
