#!/usr/bin/env python3
"""Draws the three example member photos: flat-colour portraits, 300 x 400 PNGs.

Run from anywhere: python3 examples/make_photos.py. Only the standard library
is used (zlib and struct write the PNG), so the photos are the same bytes on
every machine.
"""
import os
import struct
import zlib

WIDTH, HEIGHT = 300, 400


def ellipse(cx, cy, rx, ry):
    """A shape test: inside the ellipse centred at (cx, cy)."""
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def both(a, b):
    return lambda x, y: a(x, y) and b(x, y)


def either(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def person(cx, top, scale, skin, hair, shirt, hair_style):
    """The layers of one head-and-shoulders figure, back to front."""
    s = scale
    head_cy = top + 95 * s
    layers = []
    if hair_style == "long":
        layers.append((hair, either(ellipse(cx, head_cy + 20 * s, 78 * s, 105 * s))))
    layers += [
        (skin, rect(cx - 26 * s, head_cy + 50 * s, cx + 26 * s, top + 240 * s)),
        (shirt, ellipse(cx, top + 310 * s, 140 * s, 110 * s)),
        (skin, ellipse(cx, head_cy, 62 * s, 80 * s)),
    ]
    if hair_style == "curly":
        curls = [ellipse(cx + dx * s, head_cy - 62 * s + abs(dx) * 0.35 * s, 30 * s, 26 * s)
                 for dx in (-50, -25, 0, 25, 50)]
        layers.append((hair, either(*curls)))
    elif hair_style == "short":
        layers.append((hair, both(ellipse(cx, head_cy - 20 * s, 66 * s, 68 * s),
                                  lambda x, y: y < head_cy - 38 * s)))
    elif hair_style == "long":
        layers.append((hair, both(ellipse(cx, head_cy - 22 * s, 66 * s, 64 * s),
                                  lambda x, y: y < head_cy - 30 * s)))
    eye = (40, 30, 25)
    layers += [
        (eye, ellipse(cx - 22 * s, head_cy - 5 * s, 7 * s, 8 * s)),
        (eye, ellipse(cx + 22 * s, head_cy - 5 * s, 7 * s, 8 * s)),
        ((150, 60, 60), both(ellipse(cx, head_cy + 30 * s, 22 * s, 12 * s),
                             lambda x, y: y > head_cy + 30 * s)),
    ]
    return layers


def draw(background, layers):
    rows = bytearray()
    for y in range(HEIGHT):
        rows.append(0)  # no filter
        for x in range(WIDTH):
            colour = background
            for fill, inside in layers:
                if inside(x + 0.5, y + 0.5):
                    colour = fill
            rows += bytes(colour)
    return bytes(rows)


def png(pixels):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    header = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(pixels, 9)) + chunk(b"IEND", b""))


PHOTOS = {
    "amara.png": ((70, 150, 160),
                  person(150, 40, 1.0, (110, 70, 45), (25, 20, 20), (230, 120, 40), "curly")),
    "tomas.png": ((240, 220, 150),
                  person(150, 40, 1.0, (235, 195, 165), (120, 75, 40), (50, 90, 170), "short")),
    "lena-ravi.png": ((200, 170, 220),
                      person(92, 110, 0.7, (200, 150, 110), (30, 25, 25), (200, 50, 80), "long") +
                      person(210, 95, 0.72, (170, 120, 85), (20, 20, 25), (40, 130, 90), "short")),
}

if __name__ == "__main__":
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "photos")
    os.makedirs(folder, exist_ok=True)
    for name, (background, layers) in PHOTOS.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(png(draw(background, layers)))
