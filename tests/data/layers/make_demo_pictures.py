#!/usr/bin/env python3
"""Draws the demo game's pictures (backgrounds, a character, a moon with its
mask, a glow for the effect layer, a sprite sheet, a sheet of picture buttons
and a sheet of gallery thumbnails) as 24-bit BMP files, then turns each into
PNG with korvana-picture, so the pictures are made by the project itself and
stay small in the repository.

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


def hill(x, y):
    # A hilltop over the town: sky with clouds, roofs far away, grass, a tree.
    c = mix((80, 140, 230), (200, 225, 245), y / 300)
    for cx, cy, rx, ry in ((120, 80, 70, 22), (170, 66, 50, 24), (420, 120, 90, 20),
                           (470, 104, 46, 20)):
        if ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 < 1:
            c = mix((255, 255, 255), (225, 232, 245), (y - cy + ry) / (2 * ry))
    # Roofs of the town on the horizon.
    house = x // 22
    top = 262 + (house * 37) % 23
    roof = top - (11 - abs(x % 22 - 11))
    if 292 > y >= roof and (x % 22) not in (0, 21):
        c = (150, 120, 140) if y < top else (175, 180, 200)
        if y >= top and (x % 22) in range(8, 14) and (y - top) % 12 in range(3, 8):
            c = (240, 230, 170)
    if y >= 288:
        c = mix((150, 190, 170), (120, 160, 150), (y - 288) / 40)
    # The grass of the hill, high on the right.
    edge = 330 - 60 * (x / 640) ** 2 + 6 * math.sin(x / 23)
    if y > edge:
        c = mix((120, 190, 80), (60, 120, 50), (y - 330) / 150)
    # The tree on the right, trunk then leaves.
    if 505 <= x < 525 and 170 <= y < 290:
        c = mix((110, 75, 45), (80, 55, 30), (x - 505) / 20)
    for cx, cy, r in ((515, 140, 60), (470, 175, 42), (560, 170, 45), (515, 95, 40)):
        if (x - cx) ** 2 + (y - cy) ** 2 < r * r:
            c = mix((60, 140, 60), (30, 90, 40), ((x - cx) + (y - cy) + r) / (3 * r))
    return c


def town(x, y):
    # A street of the town: houses of several colours, a striped awning,
    # a paved road.
    if y >= 380:
        stone = ((x + (y // 20 % 2) * 20) // 40 + y // 20) % 2
        c = mix((170, 165, 160), (120, 115, 110), (y - 380) / 100)
        if x % 40 == 0 or y % 20 == 0:
            return (100, 95, 90)
        return mix(c, (200, 195, 185), 0.15 * stone)
    wall = ((235, 210, 170), (200, 225, 235), (240, 190, 180), (220, 230, 190),
            (230, 220, 230))[x // 130 % 5]
    left = x % 130
    roof = 134 + abs(left - 65) * 0.6
    if y < roof - 10 or left in (0, 129):
        return mix((120, 180, 240), (210, 230, 250), y / 224)
    if y < roof:
        return (150, 70, 60) if (x // 130) % 2 == 0 else (70, 90, 140)
    if 320 <= y < 380 and 40 <= left < 90:
        # A door.
        return (120, 80, 50) if left not in range(62, 66) else (90, 60, 40)
    if 190 <= y < 250 and (20 <= left < 55 or 75 <= left < 110):
        if left in (37, 92) or y == 220:
            return (250, 250, 245)
        return mix((140, 190, 230), (200, 230, 250), (y - 190) / 60)
    if 268 <= y < 296 and x // 130 == 2:
        # The awning over the flower shop.
        return (230, 80, 80) if (left // 13) % 2 == 0 else (250, 245, 235)
    return mix(wall, (0, 0, 0), (y - 124) / 900)


def album(x, y):
    # A desk, an album page held at its corners, a ribbon in the middle of
    # its top edge.
    page = 100 <= x < 540 and 100 <= y < 440
    if page:
        if x in (100, 539) or y in (100, 439):
            return (150, 120, 90)
        if 308 <= x < 332 and y < 130:
            return (190, 60, 70) if x not in (308, 331) else (150, 40, 50)
        if min(x - 100, 539 - x) + min(y - 100, 439 - y) < 40:
            return (180, 140, 100)  # the corners that hold the page
        return mix((250, 240, 215), (235, 220, 190), (y - 100) / 340)
    if 104 <= x < 548 and 104 <= y < 448:
        return (40, 25, 15)  # the page's shadow
    board = y // 60
    grain = (y + 12 * math.sin(x / 70 + board)) // 12 % 2
    return mix((110, 70, 40), (70, 45, 25), board / 8 + grain / 20)


# --- icons ---------------------------------------------------------------------
# Each icon answers for a point (dx, dy) from its centre and a radius r: the
# colour there, or None outside.


def flower_icon(dx, dy, r):
    if dx * dx + dy * dy < (0.32 * r) ** 2:
        return (255, 210, 80)
    for k in range(5):
        a = k * 2 * math.pi / 5 - math.pi / 2
        px, py = 0.55 * r * math.cos(a), 0.55 * r * math.sin(a)
        if (dx - px) ** 2 + (dy - py) ** 2 < (0.42 * r) ** 2:
            return (255, 170, 200)
    return None


def star_icon(dx, dy, r):
    # A five-pointed star: inside its outline of ten corners (an even-odd
    # ray test).
    corners = []
    for k in range(10):
        a = k * math.pi / 5 - math.pi / 2
        d = r if k % 2 == 0 else 0.45 * r
        corners.append((d * math.cos(a), d * math.sin(a)))
    inside = False
    for k in range(10):
        (x1, y1), (x2, y2) = corners[k], corners[k - 1]
        if (y1 > dy) != (y2 > dy) and dx < x1 + (dy - y1) * (x2 - x1) / (y2 - y1):
            inside = not inside
    return (255, 225, 90) if inside else None


def moon_icon(dx, dy, r):
    if dx * dx + dy * dy < r * r and (dx - 0.45 * r) ** 2 + (dy + 0.15 * r) ** 2 >= (0.8 * r) ** 2:
        return (250, 245, 200)
    return None


ICONS = (flower_icon, star_icon, moon_icon)
KEY = (255, 0, 255)


def inside_rounded(x, y, w, h, r):
    cx = min(max(x, r), w - 1 - r)
    cy = min(max(y, r), h - 1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def gift_buttons(x, y):
    # Picture buttons, 200 x 40: column 0 as shown, column 1 under the
    # pointer; row 0 a flower, row 1 a star, row 2 a moon.
    column, u = x // 200, x % 200
    row, v = y // 40, y % 40
    if not inside_rounded(u, v, 200, 40, 12):
        return KEY
    hot = column == 1
    if not inside_rounded(u - 2, v - 2, 196, 36, 10):
        return (255, 240, 160) if hot else (200, 205, 220)
    dark = ((110, 45, 75), (95, 80, 25), (35, 50, 100))[row]
    light = ((225, 110, 155), (215, 170, 50), (95, 135, 215))[row]
    base = light if hot else dark
    c = mix(base, mix(base, (0, 0, 0), 0.5), v / 40)
    icon = ICONS[row]
    for cx, r in ((100, 16 if hot else 14), (50, 8), (150, 8)):
        found = icon(u - cx, v - 20, r)
        if found:
            return found if hot or cx == 100 else mix(found, base, 0.35)
    return c


def sample(f, x0, y0, scale, n=2):
    # The mean of n x n samples of f over the square at (x0, y0).
    acc = [0, 0, 0]
    for i in range(n):
        for j in range(n):
            c = f(int(x0 + (i + 0.5) * scale / n), int(y0 + (j + 0.5) * scale / n))
            for k in range(3):
                acc[k] += c[k]
    return tuple(a // (n * n) for a in acc)


def room_with_mio(x, y):
    if 240 <= x < 400 and 160 <= y < 480:
        c = character(x - 240, y - 160)
        if c != (0, 255, 0):
            return c
    return room(x, y)


def night_with_moon(x, y):
    if 480 <= x < 600 and 40 <= y < 160 and not moon(x - 480, y - 40, True)[0]:
        return moon(x - 480, y - 40)
    return night(x, y)


def gift_picture(icon, top, bottom):
    def draw(x, y):
        c = icon(x - 320, y - 240, 170)
        return c if c else mix(top, bottom, y / 480)
    return draw


# Rows of the gallery sheet: 0 is the locked place, then the pictures.
THUMBNAILS = (None, sky, room_with_mio, hill, town,
              gift_picture(flower_icon, (200, 235, 190), (140, 200, 130)),
              gift_picture(star_icon, (60, 50, 120), (30, 25, 70)),
              gift_picture(moon_icon, (40, 60, 130), (15, 25, 70)), night_with_moon)


def gallery(x, y):
    # Thumbnails, 120 x 90, framed like photographs on the key colour:
    # column 0 as shown, column 1 under the pointer.
    column, u = x // 120, x % 120
    row, v = y // 90, y % 90
    if not (6 <= u < 114 and 4 <= v < 87):
        return KEY
    hot = column == 1
    locked = row == 0
    edge = min(u - 6, 113 - u, v - 4, 86 - v)
    if edge < 4:
        if locked:
            return (150, 150, 160) if hot else (120, 120, 125)
        if hot:
            return (255, 210, 60) if edge < 3 else (255, 250, 220)
        return (250, 250, 245)
    if locked:
        # A grey padlock on grey.
        c = mix((95, 95, 100), (70, 70, 75), v / 90)
        if abs(u - 60) < 16 and 42 <= v < 68:
            return (170, 170, 175) if not (abs(u - 60) < 3 and 50 <= v < 60) else (80, 80, 85)
        d = math.hypot(u - 60, v - 42)
        if 9 <= d < 14 and v < 42:
            return (170, 170, 175)
        if abs(u - 60) in range(9, 14) and 34 <= v < 42:
            return (170, 170, 175)
        return c
    # The picture, the 640 x 480 original scaled down to 100 x 75.
    c = sample(THUMBNAILS[row], (u - 10) * 6.4, (v - 8) * 6.4, 6.4)
    return mix(c, (255, 255, 255), 0.08) if hot else c


PICTURES = {
    "bgsky": (640, 480, sky),
    "bgroom": (640, 480, room),
    "bgnight": (640, 480, night),
    "chara": (160, 320, character),
    "moon": (120, 120, moon),
    "moonmask": (120, 120, lambda x, y: moon(x, y, True)),
    "glow": (320, 240, glow),
    "stars": (128, 32, stars),
    "bghill": (640, 480, hill),
    "bgtown": (640, 480, town),
    "bgalbum": (640, 480, album),
    "gift": (400, 120, gift_buttons),
    "gallery": (240, 90 * len(THUMBNAILS), gallery),
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
