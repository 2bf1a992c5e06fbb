#!/usr/bin/env python3
"""Draws the slider's six built-in pictures as 24-bit BMP files beside this script.

Thumbs: a raised block with a silver face and a point, on magenta (the colour drawing leaves
out); the pressed thumbs have a face dithered white and silver. Rulers: a sunken groove four
pixels wide on olive, whose two end pixels on each side differ from its uniform middle.
"""
import os
import struct

M = (255, 0, 255)  # thumb background
O = (128, 128, 0)  # ruler background
W = (255, 255, 255)
S = (192, 192, 192)
G = (128, 128, 128)
K = (0, 0, 0)


def write_bmp(path, rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = b""
    for row in reversed(rows):  # bottom-up
        line = b"".join(bytes((b, g, r)) for (r, g, b) in row)
        pixels += line + b"\0" * (stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def horizontal_thumb(pressed):
    """9 x 17: a 13-row block, then a 4-row point downwards."""
    rows = [[M] * 9 for _ in range(17)]
    for y in range(13):
        for x in range(9):
            if x == 8:
                c = K
            elif y == 0 or x == 0:
                c = W
            elif x == 7:
                c = G
            else:
                c = S
            rows[y][x] = c
    for j in range(4):
        y, left, right = 13 + j, j + 1, 7 - j
        for x in range(left, right + 1):
            if x == right:
                c = K
            elif x == left:
                c = W
            elif x == right - 1:
                c = G
            else:
                c = S
            rows[y][x] = c
    if pressed:
        for y in range(17):
            for x in range(9):
                if rows[y][x] == S and (x + y) % 2 == 0:
                    rows[y][x] = W
    return rows


def vertical_thumb(pressed):
    """18 x 9: the horizontal thumb turned to point right, its bottom-left corner cut."""
    h = horizontal_thumb(pressed)
    rows = [[M] * 18 for _ in range(9)]
    for y in range(9):
        for x in range(17):
            rows[y][x] = h[x][y]
    rows[8][0] = M
    return rows


# The groove across its width: outer top, inner top, inner bottom, outer bottom.
GROOVE_MIDDLE = [G, K, S, W]
GROOVE_START = [[G, G, G, W], [G, K, K, W]]
GROOVE_END = [[G, S, S, W], [G, W, W, W]]


def groove(length, along):
    """The groove's colours at position `along` of `length`."""
    if along < 2:
        return GROOVE_START[along]
    if along >= length - 2:
        return GROOVE_END[along - (length - 2)]
    return GROOVE_MIDDLE


def horizontal_ruler():
    """10 x 10: the groove in rows 2 to 5."""
    rows = [[O] * 10 for _ in range(10)]
    for x in range(10):
        for i, c in enumerate(groove(10, x)):
            rows[2 + i][x] = c
    return rows


def vertical_ruler():
    """8 x 10: the groove in columns 2 to 5."""
    rows = [[O] * 8 for _ in range(10)]
    for y in range(10):
        for i, c in enumerate(groove(10, y)):
            rows[y][2 + i] = c
    return rows


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    pictures = {
        "W95_HTB": horizontal_thumb(False),
        "W95_HRL": horizontal_ruler(),
        "W95_VTB": vertical_thumb(False),
        "W95_VRL": vertical_ruler(),
        "W95_VTBP": vertical_thumb(True),
        "W95_HTBP": horizontal_thumb(True),
    }
    for name, rows in pictures.items():
        write_bmp(os.path.join(here, "slider_%s.bmp" % name.lower()), rows)


if __name__ == "__main__":
    main()
