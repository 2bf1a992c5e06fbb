#!/usr/bin/env python3
"""Draws the pictures of setup and the uninstaller.

Run from anywhere; writes next to this script:
  InstallPicture.jpg  the 175 x 254 side picture of the setup wizard and the uninstaller: a grey
                      radial gradient, light in the centre and dark at the edges, with five small
                      sound-file icons (a loudspeaker over a sheet); through ffmpeg, from a PPM
  InstallFolder.bmp   the 18 x 18 picture of the folder button: an open yellow folder (24-bit);
                      the bottom-left colour, magenta, is transparent
The results are committed; the build never runs this script.
"""
import math
import os
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
MAGENTA = (255, 0, 255)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)


def new_canvas(width, height, fill):
    return [[fill] * width for _ in range(height)]


def put(pixels, x, y, colour):
    if 0 <= y < len(pixels) and 0 <= x < len(pixels[0]):
        pixels[y][x] = colour


def fill_rect(pixels, x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            put(pixels, x, y, colour)


def frame_rect(pixels, x0, y0, x1, y1, colour):
    for x in range(x0, x1 + 1):
        put(pixels, x, y0, colour)
        put(pixels, x, y1, colour)
    for y in range(y0, y1 + 1):
        put(pixels, x0, y, colour)
        put(pixels, x1, y, colour)


def sound_file_icon(pixels, ox, oy):
    """A 24 x 30 sheet with a folded corner and a loudspeaker on it."""
    sheet, edge, fold = (250, 250, 250), (40, 40, 40), (200, 200, 200)
    for y in range(30):
        for x in range(24):
            if x > 16 and y < x - 16:
                continue  # the cut corner
            put(pixels, ox + x, oy + y, sheet)
    for y in range(30):
        put(pixels, ox, oy + y, edge)
        put(pixels, ox + 23, oy + max(y, 7), edge)
    for x in range(24):
        put(pixels, ox + x, oy + 29, edge)
        if x <= 16:
            put(pixels, ox + x, oy, edge)
    for k in range(8):
        put(pixels, ox + 16 + k, oy + k, edge)
        put(pixels, ox + 16, oy + k, edge)
        put(pixels, ox + 16 + k, oy + 7, edge)
        for j in range(k):
            put(pixels, ox + 17 + j, oy + k, fold)
    # The loudspeaker: a box and a cone, with two sound waves.
    speaker = (30, 60, 140)
    fill_rect(pixels, ox + 4, oy + 14, ox + 7, oy + 19, speaker)
    for k in range(6):
        for y in range(oy + 14 - k, oy + 20 + k):
            put(pixels, ox + 8 + k, y, speaker)
    for wave in (3, 6):
        for a in range(-40, 41, 8):
            angle = math.radians(a)
            put(pixels, int(round(ox + 14 + wave * math.cos(angle))),
                int(round(oy + 16.5 + wave * 1.4 * math.sin(angle))), speaker)


def install_picture():
    width, height = 175, 254
    pixels = new_canvas(width, height, BLACK)
    cx, cy = (width - 1) / 2, (height - 1) / 2
    reach = math.hypot(cx, cy)
    for y in range(height):
        for x in range(width):
            d = math.hypot(x - cx, y - cy) / reach
            level = int(round(235 - 175 * d * d))
            pixels[y][x] = (level, level, level)
    for ox, oy in ((20, 24), (125, 52), (74, 112), (18, 186), (128, 200)):
        sound_file_icon(pixels, ox, oy)
    return pixels


def folder_picture():
    pixels = new_canvas(18, 18, MAGENTA)
    dark, back, front = (128, 128, 0), (200, 170, 0), (255, 230, 60)
    # The back of the folder with its tab.
    fill_rect(pixels, 1, 5, 13, 15, back)
    fill_rect(pixels, 2, 3, 6, 4, back)
    frame_rect(pixels, 1, 5, 13, 15, dark)
    for x in range(2, 7):
        put(pixels, x, 2, dark)
    put(pixels, 1, 3, dark)
    put(pixels, 1, 4, dark)
    put(pixels, 7, 3, dark)
    put(pixels, 7, 4, dark)
    # The open front flap, leaning to the right.
    for row, y in enumerate(range(8, 16)):
        shift = (15 - y) // 2
        for x in range(2 + shift, 16 + shift - row // 4):
            put(pixels, x, y, front)
        put(pixels, 2 + shift, y, dark)
        put(pixels, 15 + shift - row // 4, y, dark)
    for x in range(5, 17):
        put(pixels, x, 8, dark)
    for x in range(2, 15):
        put(pixels, x, 15, dark)
    return pixels


def write_bmp(pixels, path):
    height, width = len(pixels), len(pixels[0])
    row = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        for r, g, b in pixels[y]:
            line += bytes((b, g, r))
        data += line + b"\0" * (row - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def write_jpeg(pixels, path):
    height, width = len(pixels), len(pixels[0])
    with tempfile.TemporaryDirectory() as tmp:
        ppm = os.path.join(tmp, "picture.ppm")
        with open(ppm, "wb") as f:
            f.write(b"P6 %d %d 255\n" % (width, height))
            for line in pixels:
                for colour in line:
                    f.write(bytes(colour))
        subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-i", ppm, "-q:v", "2",
                        "-pix_fmt", "yuvj444p", path], check=True)


def main():
    write_jpeg(install_picture(), os.path.join(HERE, "InstallPicture.jpg"))
    write_bmp(folder_picture(), os.path.join(HERE, "InstallFolder.bmp"))


if __name__ == "__main__":
    main()
