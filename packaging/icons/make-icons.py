#!/usr/bin/env python3
"""Draws the update tool's application icon, vantor-dfu.png, in the sizes of the hicolor theme.

The tool has no picture resources of its own (its dialog draws the product picture in text), so
the icon is drawn here: the mouse of the terminal picture (a body with two buttons) and an
upward arrow on a round badge for the update. Standard library only: each pixel is the coverage
of a 4x4 grid of samples, so edges are smooth at every size. The PNGs are committed; run this
again only to change the icon:  packaging/icons/make-icons.py packaging/icons
"""
import math
import struct
import sys
import zlib

SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
SAMPLES = 4

BODY = (0x2E, 0x34, 0x40)       # the mouse
BUTTON_LINE = (0xD8, 0xDE, 0xE9)
WHEEL = (0x88, 0xC0, 0xD0)
BADGE = (0x3B, 0x9E, 0x5A)      # the update
ARROW = (0xFF, 0xFF, 0xFF)


def rounded_rect(x, y, left, top, right, bottom, radius):
    """True when (x, y) lies in the rectangle with rounded corners."""
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def in_arrow(x, y, cx, cy, r):
    """True when (x, y) lies in the upward arrow centred on the badge at (cx, cy), radius r."""
    dx, dy = x - cx, y - cy
    head_top, head_bottom = -0.62 * r, -0.02 * r
    if head_top <= dy <= head_bottom:
        half = 0.55 * r * (dy - head_top) / (head_bottom - head_top)
        if abs(dx) <= half:
            return True
    return abs(dx) <= 0.2 * r and head_bottom <= dy <= 0.6 * r


def colour_at(x, y):
    """The colour at a point of the unit square, or None where the icon is transparent."""
    badge_cx, badge_cy, badge_r = 0.70, 0.70, 0.27
    distance = math.hypot(x - badge_cx, y - badge_cy)
    if distance <= badge_r:
        return ARROW if in_arrow(x, y, badge_cx, badge_cy, badge_r) else BADGE
    if distance <= badge_r + 0.04:
        return None  # a gap that sets the badge off the mouse
    if rounded_rect(x, y, 0.40, 0.16, 0.48, 0.36, 0.04):
        return WHEEL
    if 0.425 <= x <= 0.455 and 0.06 <= y <= 0.44:
        return BUTTON_LINE
    if 0.06 <= y <= 0.44 and 0.10 <= x <= 0.78 and abs(y - 0.44) <= 0.015:
        return BUTTON_LINE
    if rounded_rect(x, y, 0.10, 0.06, 0.78, 0.94, 0.30):
        return BODY
    return None


def pixels(size):
    rows = []
    for row in range(size):
        line = bytearray()
        for column in range(size):
            total = [0, 0, 0]
            covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    colour = colour_at((column + (sx + 0.5) / SAMPLES) / size,
                                       (row + (sy + 0.5) / SAMPLES) / size)
                    if colour is not None:
                        covered += 1
                        for i in range(3):
                            total[i] += colour[i]
            if covered:
                line += bytes(round(total[i] / covered) for i in range(3))
            else:
                line += bytes(3)
            line.append(round(255 * covered / SAMPLES ** 2))
        rows.append(bytes(line))
    return rows


def png(size):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\0" + row for row in pixels(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    for size in SIZES:
        with open(f"{folder}/{size}x{size}/vantor-dfu.png", "wb") as out:
            out.write(png(size))


if __name__ == "__main__":
    main()
