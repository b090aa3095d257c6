#!/usr/bin/env python3
"""Draws the program's pictures: the window icon (1884 x 1884) and the two
port lamps (78 x 78), all RGBA PNG, into resources/icons/. The output is
committed; run this only to change the pictures."""
import math
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "icons")


def write_png(path, width, height, pixel):
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows.extend(pixel(x, y))
    def chunk(tag, data):
        return (struct.pack(">I", len(data)) + tag + data
                + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF))
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def coverage(d):
    """Anti-aliased coverage of a pixel whose centre is d inside an edge."""
    return max(0.0, min(1.0, d + 0.5))


def lamp(r, g, b):
    size = 78
    c = (size - 1) / 2.0
    radius = 36.0

    def pixel(x, y):
        dist = math.hypot(x - c, y - c)
        a = coverage(radius - dist)
        if a <= 0:
            return (0, 0, 0, 0)
        # a soft highlight towards the upper left, a darker rim
        hl = max(0.0, 1.0 - math.hypot(x - c + 12, y - c + 12) / 30.0) * 0.55
        rim = 0.75 if dist > radius - 4 else 1.0
        def ch(v):
            return int(min(255, v * rim + (255 - v) * hl))
        return (ch(r), ch(g), ch(b), int(255 * a))
    return size, pixel


def app_icon():
    size = 1884
    c = (size - 1) / 2.0
    outer = 900.0

    def pixel(x, y):
        dx, dy = x - c, y - c
        dist = math.hypot(dx, dy)
        a = coverage(outer - dist)
        if a <= 0:
            return (0, 0, 0, 0)
        # dark teal disc with three white radio arcs above a dot
        r, g, b = 18, 92, 110
        ay = y - (c + 330)
        arc_d = math.hypot(dx, ay)
        white = 0.0
        if arc_d < 95:
            white = coverage(95 - arc_d)
        elif ay < 0 and abs(dx) < -ay * 1.05:
            for ring in (300, 520, 740):
                white = max(white, coverage(55 - abs(arc_d - ring)))
        r = int(r + (255 - r) * white)
        g = int(g + (255 - g) * white)
        b = int(b + (255 - b) * white)
        return (r, g, b, int(255 * a))
    return size, pixel


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    for name, (size, pix) in (("comGreenLed.png", lamp(40, 200, 70)),
                              ("comGrayLed.png", lamp(140, 140, 140)),
                              ("AppIcon.png", app_icon())):
        write_png(os.path.join(OUT, name), size, size, pix)
        print("wrote", name)
