#!/usr/bin/env python3
"""make-icon.py: draws Orvane's application icon and writes Orvane.ico.

The picture is a disk drive with a fill gauge on its front: the part of the
disk in use in blue, the free part in white, and the drive's green light.
Three images, as the classic Windows shell picks them: 32x32 in 2 colours,
32x32 in 16 colours and 16x16 in 16 colours. Standard library only; the .ico
is committed, so a build never needs Python.

    python3 resources/make-icon.py [OUTPUT]     (default: resources/Orvane.ico)
"""

import os
import struct
import sys

# The standard 16-colour Windows palette, in its usual order.
PALETTE16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
PALETTE2 = [(0x00, 0x00, 0x00), (0xFF, 0xFF, 0xFF)]

# Pixel letters used by the drawings: '.' is transparent.
COLOUR = {
    'K': 0,   # black outline
    'g': 2,   # dark green: the light's rim
    'B': 4,   # dark blue: shade of the used part
    'L': 7,   # light grey: the case
    'D': 8,   # dark grey: the case's shaded faces
    'G': 10,  # green: the drive's light
    'b': 12,  # blue: the used part of the gauge
    'W': 15,  # white: highlights and the free part of the gauge
}

# In two colours the case is white with a black outline, the shaded faces a
# black-and-white checker, the used part of the gauge black and its free part
# white.
MONO = {'K': 0, 'g': 0, 'B': 0, 'b': 0, 'D': None, 'L': 1, 'G': 1, 'W': 1}


def mono_index(ch, x, y):
    index = MONO[ch]
    return (x + y) % 2 if index is None else index


def colour_index(ch, x, y):
    return COLOUR[ch]


class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [['.'] * size for _ in range(size)]

    def rect(self, x0, y0, x1, y1, c):
        """Fills the rectangle with corners (x0, y0) and (x1, y1), inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.px[y][x] = c

    def hline(self, x0, x1, y, c):
        self.rect(x0, y, x1, y, c)

    def vline(self, x, y0, y1, c):
        self.rect(x, y0, x, y1, c)

    def put(self, x, y, c):
        self.px[y][x] = c

    def rows(self):
        return [''.join(r) for r in self.px]


def drive(size, slant, x0, y0, x1, y1, gauge, light):
    """A drive in three-quarter view: front face from (x0, y0) to (x1, y1),
    a top face and a right side face going back `slant` pixels, a gauge slot
    (left, top, right, bottom) on the front, three fifths of it in use, and a
    light at `light` (x, y)."""
    c = Canvas(size)
    s = slant
    # Top face (lit) and side face (in shade).
    for i in range(1, s + 1):
        c.hline(x0 + i, x1 + i, y0 - i, 'W')
        c.vline(x1 + i, y0 - i, y1 - i, 'D')
    # Front face: light grey, lit on its left, shaded at its bottom.
    c.rect(x0, y0, x1, y1, 'L')
    c.vline(x0 + 1, y0 + 1, y1 - 1, 'W')
    c.hline(x0 + 1, x1 - 1, y1 - 1, 'D')
    # Outline: front, the back edges and the three slanted edges.
    c.hline(x0, x1, y0, 'K')
    c.hline(x0, x1, y1, 'K')
    c.vline(x0, y0, y1, 'K')
    c.vline(x1, y0, y1, 'K')
    c.hline(x0 + s, x1 + s, y0 - s, 'K')
    c.vline(x1 + s, y0 - s, y1 - s, 'K')
    for i in range(s + 1):
        c.put(x0 + i, y0 - i, 'K')
        c.put(x1 + i, y0 - i, 'K')
        c.put(x1 + i, y1 - i, 'K')
    # The gauge: a black-rimmed slot, used part blue, free part white.
    gx0, gy0, gx1, gy1 = gauge
    c.rect(gx0, gy0, gx1, gy1, 'W')
    c.hline(gx0, gx1, gy0, 'K')
    c.vline(gx0, gy0, gy1, 'K')
    c.hline(gx0, gx1, gy1, 'K')
    c.vline(gx1, gy0, gy1, 'K')
    used = gx0 + (gx1 - gx0) * 3 // 5
    c.rect(gx0 + 1, gy0 + 1, used, gy1 - 1, 'b')
    if gy1 - gy0 > 3:
        c.hline(gx0 + 1, used, gy1 - 1, 'B')
    # The light.
    lx, ly = light
    c.put(lx, ly, 'G')
    if size > 16:
        c.put(lx + 1, ly, 'G')
        c.put(lx, ly + 1, 'g')
        c.put(lx + 1, ly + 1, 'g')
    return c.rows()


def drive32():
    return drive(32, 5, 1, 11, 25, 24, (4, 15, 19, 20), (21, 21))


def drive16():
    return drive(16, 2, 0, 4, 13, 12, (2, 6, 11, 9), (11, 10))


def bmp_image(rows, palette, bpp, index_of):
    """One icon image: BITMAPINFOHEADER, palette, colour bits, AND mask."""
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bpp, 0, 0, 0, 0, 0, 0)
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)

    def packed(value_of, depth):
        out = bytearray()
        for y in reversed(range(size)):          # bottom-up
            acc, n, line = 0, 0, bytearray()
            for x, ch in enumerate(rows[y]):
                value = value_of(ch, x, y)
                acc = (acc << depth) | value
                n += depth
                if n == 8:
                    line.append(acc)
                    acc, n = 0, 0
            while len(line) % 4:
                line.append(0)
            out += line
        return bytes(out)

    xor = packed(lambda ch, x, y: 0 if ch == '.' else index_of(ch, x, y), bpp)
    mask = packed(lambda ch, x, y: 1 if ch == '.' else 0, 1)
    return header + pal + xor + mask


def ico(images):
    """The ICO file: directory, entries, then the images."""
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b''
    for size, colours, bpp, image in images:
        out += struct.pack('<BBBBHHII', size, size, colours, 0, 1, bpp, len(image), offset)
        offset += len(image)
        data += image
    return out + data


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, 'Orvane.ico')
    big, small = drive32(), drive16()
    images = [
        (32, 2, 1, bmp_image(big, PALETTE2, 1, mono_index)),
        (32, 16, 4, bmp_image(big, PALETTE16, 4, colour_index)),
        (16, 16, 4, bmp_image(small, PALETTE16, 4, colour_index)),
    ]
    with open(target, 'wb') as f:
        f.write(ico(images))


if __name__ == '__main__':
    main()
