#!/usr/bin/env python3
"""Draws the demo game's pictures (backgrounds, a character, a moon with its
mask, a glow for the effect layer and a sprite sheet) as 24-bit BMP files,
then turns each into PNG with korvana-picture, so the pictures are made by
the project itself and stay small in the repository.

    make_demo_pictures.py KORVANA_PICTURE OUT_DIR
"""
import math
import os
import struct
import subprocess
import sys
import tempfile


def bmp(path, w, h, pixel):
    """pixel(x, y) -> (r, g, b); rows bottom-up as BMP stores them."""
    stride = (w * 3 + 3) // 4 * 4
    rows = []
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            r, g, b = pixel(x, y)
            row += bytes((b & 255, g & 255, r & 255))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    header = b"BM" + struct.pack("<IHHI", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def mix(a, b, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(3))


def sky(x, y):
    # Morning sky over two rows of hills.
    c = mix((110, 170, 235), (250, 215, 170), y / 300)
    if y > 300 + 30 * math.sin(x / 70):
        c = mix((90, 150, 90), (50, 100, 60), (y - 300) / 180)
    if y > 360 + 20 * math.sin(x / 45 + 1):
        c = mix((70, 120, 60), (30, 70, 40), (y - 360) / 120)
    return c


def room(x, y):
    # A wall with a window, a floor of boards.
    if y >= 360:
        board = (y - 360) // 24
        return mix((150, 100, 60), (110, 70, 40), ((x + board * 37) % 160) / 160)
    if 400 <= x < 580 and 60 <= y < 260:
        if x in (400, 489, 490, 579) or y in (60, 159, 160, 259):
            return (240, 240, 230)
        return mix((150, 200, 250), (230, 240, 255), (y - 60) / 200)
    return mix((235, 220, 190), (205, 185, 150), y / 360)


def night(x, y):
    h = (x * 7919 + y * 104729) % 997
    if h < 2:
        return (255, 255, 230)
    c = mix((10, 15, 50), (40, 30, 80), y / 480)
    if y > 380 + 25 * math.sin(x / 60):
        c = (15, 20, 25)
    return c


def character(x, y):
    # A figure on a green key: head, hair, coat.
    key = (0, 255, 0)
    cx = 80
    if (x - cx) ** 2 + (y - 60) ** 2 < 38 ** 2:
        if y < 50 or abs(x - cx) > 30:
            return (60, 40, 30)
        return (250, 220, 200)
    if 100 <= y < 320:
        half = 40 + (y - 100) * 30 // 220
        if abs(x - cx) < half:
            return (80, 110, 180) if abs(x - cx) > 4 else (230, 230, 240)
    return key


def moon(x, y, mask=False):
    inside = (x - 60) ** 2 + (y - 60) ** 2 < 56 ** 2
    if mask:
        return (0, 0, 0) if inside else (255, 255, 255)
    if not inside:
        return (0, 0, 0)
    crater = (x - 40) ** 2 + (y - 50) ** 2 < 100 or (x - 75) ** 2 + (y - 80) ** 2 < 60
    return (200, 200, 170) if crater else (245, 240, 200)


def glow(x, y):
    d = math.hypot(x - 160, y - 120) / 160
    v = max(0.0, 1 - d)
    return (int(255 * v), int(200 * v), int(120 * v))


def stars(x, y):
    # Four frames of a twinkling star, 32 x 32 each, on magenta.
    frame, cx, cy = x // 32, x % 32 - 16, y - 16
    size = (4, 8, 12, 8)[frame]
    if abs(cx) + abs(cy) < size or (abs(cx) < 2 and abs(cy) < size + 4) or (
            abs(cy) < 2 and abs(cx) < size + 4):
        return (255, 255, 200)
    return (255, 0, 255)


PICTURES = {
    "bgsky": (640, 480, sky),
    "bgroom": (640, 480, room),
    "bgnight": (640, 480, night),
    "chara": (160, 320, character),
    "moon": (120, 120, moon),
    "moonmask": (120, 120, lambda x, y: moon(x, y, True)),
    "glow": (320, 240, glow),
    "stars": (128, 32, stars),
}


def main():
    tool, out = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as tmp:
        for name, (w, h, f) in PICTURES.items():
            src = os.path.join(tmp, name + ".bmp")
            bmp(src, w, h, f)
            subprocess.run([tool, "convert", src, os.path.join(out, name + ".png")], check=True)


if __name__ == "__main__":
    main()
