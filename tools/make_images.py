#!/usr/bin/env python3
"""Draws the installer's images: the window icon (six sizes), the picture
beside the texts and the link's hover cursor, as installer/bramcot.ico,
installer/picture.bmp and installer/link.cur, which bramcot.rc reads.

The three files are checked in; the build does not run this script. After a
change to the drawing below, regenerate them from the checkout's top folder
and commit them with the change:

    python3 tools/make_images.py

An optional argument names another folder to write into (to compare).
"""
import os
import struct
import sys


def dib_header(width, height, bits, image_bytes):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_bytes, 2835, 2835, 0, 0)


def mask_rows(width, height, opaque):
    """AND mask, bottom row first: 1 bit per pixel, set where transparent."""
    stride = ((width + 31) // 32) * 4
    data = bytearray()
    for y in reversed(range(height)):
        row = bytearray(stride)
        for x in range(width):
            if not opaque(x, y):
                row[x // 8] |= 0x80 >> (x % 8)
        data += row
    return bytes(data)


def mix(a, b, t):
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(3))


def icon_pixel(size, x, y):
    """A receiver screen: a blue rounded square holding a light screen with a
    signal arc. None where transparent; else (r, g, b)."""
    u, v = (x + 0.5) / size, (y + 0.5) / size
    r = 0.18
    cx = min(max(u, r), 1 - r)
    cy = min(max(v, r), 1 - r)
    if (u - cx) ** 2 + (v - cy) ** 2 > r * r:
        return None
    if 0.18 < u < 0.82 and 0.22 < v < 0.66:
        d = ((u - 0.5) ** 2 + (v - 0.62) ** 2) ** 0.5
        if 0.17 < d < 0.24 or 0.29 < d < 0.36:
            return (230, 120, 20)
        return (235, 242, 250)
    if 0.40 < u < 0.60 and 0.70 < v < 0.80:
        return (210, 220, 235)
    return mix((40, 90, 190), (10, 30, 90), v)


def icon_image(size):
    pixels = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            p = icon_pixel(size, x, y)
            pixels += bytes((0, 0, 0, 0)) if p is None else bytes((p[2], p[1], p[0], 255))
    mask = mask_rows(size, size, lambda x, y: icon_pixel(size, x, y) is not None)
    return dib_header(size, size * 2, 32, len(pixels) + len(mask)) + bytes(pixels) + mask


def icon_file(sizes):
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def picture_pixel(w, h, x, y):
    """Sky fading to a deeper blue, broadcast waves, a receiver stick and a
    screen. The picture is narrower than the space left of the title and the
    prompt, so nothing of it lies under them."""
    u, v = x / w, y / h
    colour = mix((235, 244, 252), (120, 170, 230), v)
    # A screen at the bottom right.
    if 0.56 < u < 0.94 and 0.70 < v < 0.92:
        if 0.60 < u < 0.90 and 0.73 < v < 0.89:
            colour = mix((30, 60, 140), (70, 140, 220), u)
        else:
            colour = (40, 40, 48)
    # A receiver stick at the bottom left, its plug towards the screen.
    if 0.08 < u < 0.50 and 0.80 < v < 0.86:
        colour = (60, 60, 70) if u < 0.42 else (190, 190, 200)
    # Broadcast waves from the left edge, round in pixels.
    d = ((x - 0.06 * w) ** 2 + (y - 0.38 * h) ** 2) ** 0.5
    for ring in (0.10, 0.18, 0.26, 0.34):
        if abs(d - ring * h) < 2.0 and u > 0.06:
            colour = (230, 120, 20)
    return colour


def bitmap_file(w, h):
    stride = (w * 3 + 3) & ~3
    pixels = bytearray()
    for y in reversed(range(h)):
        row = bytearray()
        for x in range(w):
            r, g, b = picture_pixel(w, h, x, y)
            row += bytes((b, g, r))
        row += bytes(stride - len(row))
        pixels += row
    info = dib_header(w, h, 24, len(pixels))
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return head + info + bytes(pixels)


# A pointing hand: '#' black, '.' white, ' ' transparent.
HAND = [
    "     ##         ",
    "    #..#        ",
    "    #..#        ",
    "    #..#        ",
    "    #..###      ",
    "    #..#..###   ",
    "    #..#..#..## ",
    " ## #..#..#..#.#",
    "#..##........#.#",
    "#...#..........#",
    " #.............#",
    "  #............#",
    "  #...........# ",
    "   #..........# ",
    "    #........#  ",
    "    ##########  ",
]


def cursor_file():
    size = 32

    def at(x, y):
        return HAND[y][x] if y < len(HAND) and x < len(HAND[y]) else " "

    # XOR bitmap (1 bpp, two-colour palette) then the AND mask.
    stride = 4
    xor = bytearray()
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            if at(x, y) == ".":
                row[x // 8] |= 0x80 >> (x % 8)
        xor += row
    mask = mask_rows(size, size, lambda x, y: at(x, y) != " ")
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    image = dib_header(size, size * 2, 1, len(xor) + len(mask)) + palette + bytes(xor) + mask
    head = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 2, 0, 5, 0, len(image), 6 + 16)
    return head + entry + image


def main():
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(top, "installer")
    os.makedirs(out, exist_ok=True)
    files = {
        "bramcot.ico": icon_file([16, 20, 24, 32, 40, 48]),
        "picture.bmp": bitmap_file(176, 228),
        "link.cur": cursor_file(),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
