#!/usr/bin/env python3
"""Draws the frame's picture, a display on its stand, and writes it as a 24-bit BMP.

Run it again after changing the drawing: python3 make_bitmap.py frame.bmp
"""
import struct
import sys

WIDTH, HEIGHT = 160, 128


def pixel(x, y):
    # Background: the frame's deep blue, so the picture sits on it without a visible edge.
    background = (0, 0, 150 - 40 * y // HEIGHT)
    # Stand: a foot and a neck.
    if 112 <= y < 120 and 48 <= x < 112:
        return (96, 96, 104)
    if 100 <= y < 112 and 72 <= x < 88:
        return (120, 120, 128)
    # Case of the display, with a darker rim.
    if 8 <= y < 100 and 8 <= x < 152:
        if y < 10 or y >= 98 or x < 10 or x >= 150:
            return (60, 60, 70)
        # Screen: colour bars over a cyan-to-blue gradient.
        if 16 <= y < 88 and 18 <= x < 142:
            if 60 <= y < 76:
                bars = [(255, 255, 255), (255, 255, 0), (0, 255, 255), (0, 255, 0),
                        (255, 0, 255), (255, 0, 0), (0, 0, 255), (0, 0, 0)]
                return bars[(x - 18) * len(bars) // 124]
            t = (y - 16) * 255 // 72
            return (0, 200 - t * 150 // 255, 255 - t * 100 // 255)
        # Power light.
        if 90 <= y < 94 and 136 <= x < 142:
            return (0, 220, 0)
        return (180, 180, 190)
    return background


def main(path):
    row_bytes = (WIDTH * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(HEIGHT - 1, -1, -1):  # bottom-up rows
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_bytes - len(row))
        pixels += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + pixels)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "frame.bmp")
