#!/usr/bin/env python3
"""Draws the program's icons pixel by pixel and writes them as PNG files.

Icon 128 (About dialog): 32x32 at 24, 8 and 4 bits per pixel, and 16x16 at 24 bits.
Icon 131 (window icon): 16x16 at 24 bits. The picture is a pink speech bubble with a
smiling face. Run it again after changing the drawing; the PNG files are committed.
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


if __name__ == "__main__":
    for name, size, bits in (("about_32_24", 32, 24), ("about_32_8", 32, 8), ("about_32_4", 32, 4),
                             ("about_16_24", 16, 24), ("chat_16_24", 16, 24)):
        with open(name + ".png", "wb") as f:
            f.write(png(draw(size), bits))
