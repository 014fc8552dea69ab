#!/usr/bin/env python3
"""Draws Quillmark's quill icon and writes quill.ico beside this script.

The icon holds two 32x32 images: one in 16 colours (4 bits per pixel) and one
in 256 colours (8 bits per pixel). The picture is drawn from a few geometric
rules, so it can be changed here and regenerated:  python3 make_icons.py
"""
import math
import struct
from pathlib import Path

SIZE = 32

# The standard 16-colour palette, as (red, green, blue).
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_BLUE, GREY, SILVER, BLUE, WHITE = 0, 4, 8, 7, 12, 15

# Extra shades for the 256-colour image: a feather that runs from pale to deep
# blue along its length.
SHADES = [(int(60 + 150 * t), int(110 + 120 * t), 255) for t in
          (i / 15 for i in range(16))]


def distance_to_segment(px, py, ax, ay, bx, by):
    """Distance from (px, py) to the segment a-b, and the position along it."""
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    cx, cy = ax + t * dx, ay + t * dy
    return math.hypot(px - cx, py - cy), t


def draw(shaded):
    """Returns 32 rows of colours (None for transparent), top row first."""
    tip = (4.5, 27.5)       # the nib's point
    base = (10.0, 22.0)     # where the feather starts
    top = (28.5, 3.5)       # the feather's far end
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            px, py = x + 0.5, y + 0.5
            colour = None
            # Feather: widest a third of the way up, narrowing to both ends.
            d, t = distance_to_segment(px, py, *base, *top)
            width = 5.5 * math.sin(math.pi * min(1.0, t * 1.15)) + 0.6
            if d <= width:
                if shaded:
                    colour = SHADES[min(15, int(t * 16))]
                else:
                    colour = VGA[BLUE] if t > 0.45 else VGA[DARK_BLUE]
                if d > width - 1.0:
                    colour = VGA[DARK_BLUE]
            # Shaft down the middle of the feather and on to the nib.
            d, _ = distance_to_segment(px, py, *tip, *top)
            if d <= 0.7:
                colour = VGA[WHITE] if py < base[1] else VGA[GREY]
            # Nib.
            d, t = distance_to_segment(px, py, *tip, *base)
            if d <= 1.6 * t + 0.3:
                colour = VGA[BLACK] if t < 0.6 else VGA[SILVER]
            # A drop of ink under the nib.
            if math.hypot(px - 3.5, py - 29.5) <= 1.6:
                colour = VGA[BLACK]
            row.append(colour)
        rows.append(row)
    return rows


def icon_image(rows, palette, bits):
    index = {colour: i for i, colour in enumerate(palette)}
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, bits, 0, 0, 0, 0,
                         len(palette), 0)
    body = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    for row in reversed(rows):               # bitmaps are stored bottom-up
        indices = [index.get(c, 0) if c is not None else 0 for c in row]
        if bits == 4:
            body += bytes((indices[i] << 4) | indices[i + 1]
                          for i in range(0, SIZE, 2))
        else:
            body += bytes(indices)
    for row in reversed(rows):               # AND mask: 1 marks transparent
        bits_of_row = 0
        for x, colour in enumerate(row):
            if colour is None:
                bits_of_row |= 1 << (31 - x)
        body += struct.pack('>I', bits_of_row)
    return header + body


def main():
    plain = draw(shaded=False)
    palette256 = VGA + SHADES
    palette256 += [(0, 0, 0)] * (256 - len(palette256))
    images = [
        (16, 4, icon_image(plain, VGA, 4)),
        (0, 8, icon_image(draw(shaded=True), palette256, 8)),
    ]
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries, data = b'', b''
    for colour_count, bits, image in images:
        entries += struct.pack('<BBBBHHII', SIZE, SIZE, colour_count, 0, 1, bits,
                               len(image), offset + len(data))
        data += image
    Path(__file__).with_name('quill.ico').write_bytes(directory + entries + data)


if __name__ == '__main__':
    main()
