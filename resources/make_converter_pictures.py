#!/usr/bin/env python3
"""Draws the converter's pictures: the tool bar strip, the program icon and the about picture.

Run from anywhere; writes next to this script:
  ConverterToolbar.bmp  nine 32 x 32 pictures side by side (288 x 32, 24-bit), magenta is
                        transparent
  ConverterIcon.bmp     the 32 x 32 program icon (24-bit), magenta is transparent
  ConverterAbout.jpg    the 256 x 192 about picture (through ffmpeg, from a PPM)
The results are committed; the build never runs this script.
"""
import os
import random
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
MAGENTA = (255, 0, 255)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)


class Canvas:
    def __init__(self, width, height, fill):
        self.width, self.height = width, height
        self.pixels = [[fill] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        for x in range(x0, x1 + 1):
            self.put(x, y0, colour)
            self.put(x, y1, colour)
        for y in range(y0, y1 + 1):
            self.put(x0, y, colour)
            self.put(x1, y, colour)

    def disc(self, cx, cy, r, colour):
        for y in range(int(cy - r) - 1, int(cy + r) + 2):
            for x in range(int(cx - r) - 1, int(cx + r) + 2):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.put(x, y, colour)

    def ring(self, cx, cy, r0, r1, colour):
        for y in range(int(cy - r1) - 1, int(cy + r1) + 2):
            for x in range(int(cx - r1) - 1, int(cx + r1) + 2):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if r0 * r0 <= d <= r1 * r1:
                    self.put(x, y, colour)

    def polygon(self, points, colour):
        ys = [p[1] for p in points]
        for y in range(int(min(ys)), int(max(ys)) + 1):
            yc = y + 0.5
            xs = []
            for i, (xa, ya) in enumerate(points):
                xb, yb = points[(i + 1) % len(points)]
                if (ya <= yc < yb) or (yb <= yc < ya):
                    xs.append(xa + (yc - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for a, b in zip(xs[0::2], xs[1::2]):
                for x in range(int(round(a)), int(round(b))):
                    self.put(x, y, colour)

    def line(self, x0, y0, x1, y1, colour, width=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = x0 + (x1 - x0) * i / steps
            y = y0 + (y1 - y0) * i / steps
            self.disc(x, y, width / 2, colour)

    def paste(self, other, ox, oy):
        for y in range(other.height):
            for x in range(other.width):
                self.put(ox + x, oy + y, other.pixels[y][x])


def write_bmp(canvas, path):
    row = (canvas.width * 3 + 3) & ~3
    data = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        line = bytearray()
        for r, g, b in canvas.pixels[y]:
            line += bytes((b, g, r))
        line += b"\0" * (row - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0, len(data),
                       2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def write_ppm(canvas, path):
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (canvas.width, canvas.height))
        for line in canvas.pixels:
            for pixel in line:
                f.write(bytes(pixel))


# Tool bar pictures, by image index: 0 input files, 1 output directory, 2 options,
# 3 and 6 spare, 4 exit, 5 decode, 7 about, 8 abort.

def folder(c, body=(240, 200, 80), edge=(150, 110, 20)):
    c.polygon([(3, 9), (12, 9), (15, 12), (28, 12), (28, 27), (3, 27)], body)
    c.frame(3, 12, 28, 27, edge)
    c.line(3, 9, 12, 9, edge)
    c.line(12, 9, 15, 12, edge)
    c.line(3, 9, 3, 12, edge)


def note(c, x, y, colour):
    c.disc(x, y, 3, colour)
    c.line(x + 2, y, x + 2, y - 11, colour, 2)
    c.line(x + 2, y - 11, x + 7, y - 8, colour, 2)


def picture_input():
    c = Canvas(32, 32, MAGENTA)
    folder(c)
    note(c, 14, 23, (30, 40, 140))
    note(c, 21, 21, (30, 40, 140))
    return c


def picture_output():
    c = Canvas(32, 32, MAGENTA)
    folder(c, (120, 180, 240), (30, 70, 140))
    c.polygon([(9, 17), (18, 17), (18, 13), (25, 20), (18, 27), (18, 23), (9, 23)], (20, 130, 40))
    return c


def picture_options():
    c = Canvas(32, 32, MAGENTA)
    grey, dark = (170, 170, 180), (70, 70, 80)
    for i in range(8):
        import math
        a = i * math.pi / 4
        c.disc(16 + 11 * math.cos(a), 16 + 11 * math.sin(a), 3.2, dark)
    c.disc(16, 16, 11, dark)
    c.disc(16, 16, 9.5, grey)
    c.disc(16, 16, 4, MAGENTA)
    return c


def picture_spare():
    return Canvas(32, 32, MAGENTA)


def picture_exit():
    c = Canvas(32, 32, MAGENTA)
    c.rect(5, 3, 20, 29, (120, 70, 30))
    c.rect(7, 5, 18, 29, (40, 25, 10))
    c.polygon([(7, 6), (16, 9), (16, 29), (7, 29)], (170, 110, 50))
    c.disc(14, 18, 1.2, (240, 210, 60))
    c.polygon([(17, 14), (24, 14), (24, 10), (30, 16), (24, 22), (24, 18), (17, 18)], (200, 30, 30))
    return c


def picture_decode():
    c = Canvas(32, 32, MAGENTA)
    c.disc(16, 16, 14, (20, 110, 40))
    c.disc(16, 16, 12, (60, 190, 80))
    c.polygon([(12, 8), (25, 16), (12, 24)], WHITE)
    return c


def picture_about():
    c = Canvas(32, 32, MAGENTA)
    c.disc(16, 16, 14, (20, 50, 150))
    c.disc(16, 16, 12, (70, 120, 220))
    c.disc(16, 9, 2.2, WHITE)
    c.rect(14, 13, 18, 24, WHITE)
    c.rect(12, 13, 14, 14, WHITE)
    c.rect(12, 23, 20, 24, WHITE)
    return c


def picture_abort():
    c = Canvas(32, 32, MAGENTA)
    c.polygon([(10, 2), (22, 2), (30, 10), (30, 22), (22, 30), (10, 30), (2, 22), (2, 10)],
              (120, 10, 10))
    c.polygon([(11, 4), (21, 4), (28, 11), (28, 21), (21, 28), (11, 28), (4, 21), (4, 11)],
              (220, 40, 40))
    c.line(10, 10, 22, 22, WHITE, 3)
    c.line(22, 10, 10, 22, WHITE, 3)
    return c


def program_icon():
    # A brass horn over a wave: the converter's mark.
    c = Canvas(32, 32, MAGENTA)
    brass, dark = (215, 170, 60), (120, 85, 20)
    c.polygon([(3, 13), (12, 13), (26, 4), (26, 28), (12, 19), (3, 19)], dark)
    c.polygon([(4, 14), (12, 14), (25, 6), (25, 26), (12, 18), (4, 18)], brass)
    c.rect(24, 4, 27, 28, dark)
    c.line(6, 16, 22, 16, (250, 230, 150))
    return c


# The about picture: white, "Brassel 1.2" in large grey stone letters, the maker's name in
# white on a black band at the top left.

FONT = {
    "B": ["1110", "1001", "1001", "1110", "1001", "1001", "1110"],
    "r": ["0000", "0000", "1011", "1100", "1000", "1000", "1000"],
    "a": ["0000", "0000", "0110", "0001", "0111", "1001", "0111"],
    "s": ["0000", "0000", "0111", "1000", "0110", "0001", "1110"],
    "e": ["0000", "0000", "0110", "1001", "1111", "1000", "0111"],
    "l": ["110", "010", "010", "010", "010", "010", "111"],
    "1": ["010", "110", "010", "010", "010", "010", "111"],
    ".": ["0", "0", "0", "0", "0", "0", "1"],
    "2": ["0110", "1001", "0001", "0010", "0100", "1000", "1111"],
    " ": ["00", "00", "00", "00", "00", "00", "00"],
    "O": ["0110", "1001", "1001", "1001", "1001", "1001", "0110"],
    "m": ["00000", "00000", "11010", "10101", "10101", "10101", "10101"],
    "u": ["0000", "0000", "1001", "1001", "1001", "1001", "0111"],
    "n": ["0000", "0000", "1110", "1001", "1001", "1001", "1001"],
    "d": ["0001", "0001", "0111", "1001", "1001", "1001", "0111"],
}


def text_width(text, scale):
    return sum((len(FONT[ch][0]) + 1) * scale for ch in text) - scale


def draw_text(c, text, x, y, scale, colour_at):
    for ch in text:
        glyph = FONT[ch]
        for gy, row in enumerate(glyph):
            for gx, bit in enumerate(row):
                if bit == "1":
                    for py in range(scale):
                        for px in range(scale):
                            X, Y = x + gx * scale + px, y + gy * scale + py
                            c.put(X, Y, colour_at(X, Y))
        x += (len(glyph[0]) + 1) * scale


def about_picture():
    rng = random.Random(1997)
    c = Canvas(256, 192, WHITE)
    # Stone: grey with speckles, darker lower right edge of every stroke for relief.
    def stone(x, y):
        v = 135 + rng.randint(-28, 28)
        if rng.random() < 0.06:
            v -= 45
        return (v, v, v + 4)
    title, scale = "Brassel 1.2", 5
    tx = (256 - text_width(title, scale)) // 2
    ty = 34
    draw_text(c, title, tx + 2, ty + 2, scale, lambda x, y: (70, 70, 74))
    draw_text(c, title, tx, ty, scale, stone)
    c.rect(0, 0, 66, 13, BLACK)
    draw_text(c, "Ormund", 4, 3, 1, lambda x, y: WHITE)
    return c


def main():
    strip = Canvas(288, 32, MAGENTA)
    pictures = [picture_input, picture_output, picture_options, picture_spare, picture_exit,
                picture_decode, picture_spare, picture_about, picture_abort]
    for i, make in enumerate(pictures):
        strip.paste(make(), 32 * i, 0)
    write_bmp(strip, os.path.join(HERE, "ConverterToolbar.bmp"))
    write_bmp(program_icon(), os.path.join(HERE, "ConverterIcon.bmp"))
    with tempfile.TemporaryDirectory() as tmp:
        ppm = os.path.join(tmp, "about.ppm")
        write_ppm(about_picture(), ppm)
        subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-i", ppm, "-q:v", "2",
                        "-pix_fmt", "yuvj444p", os.path.join(HERE, "ConverterAbout.jpg")],
                       check=True)


if __name__ == "__main__":
    main()
