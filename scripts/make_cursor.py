#!/usr/bin/env python3
"""Writes the splitter's drag cursor (resource 208): a 32 x 32 monochrome .cur with its
hot spot at (10, 12), showing a left-right arrow through two vertical bars, black with a
white outline, transparent elsewhere.

Usage: make_cursor.py OUT.cur [--preview OUT.ppm]
The preview is the cursor over a mid-grey background, one pixel per pixel.
"""
import struct
import sys

SIZE = 32
HOT_X, HOT_Y = 10, 12

# The black shape, drawn around the hot spot. '#' = black; everything else is worked out.
#   columns 0..20, rows 3..21 of the cursor; the hot spot is the centre of the shaft.
SHAPE_TOP = 3
SHAPE = [
    ".......##...##.......",  # 3
    ".......##...##.......",  # 4
    ".......##...##.......",  # 5
    ".......##...##.......",  # 6
    ".......##...##.......",  # 7
    ".....#.##...##.#.....",  # 8
    "....##.##...##.##....",  # 9
    "...###.##...##.###...",  # 10
    "..####.##...##.####..",  # 11
    ".###################.",  # 12  shaft through the hot spot
    "..####.##...##.####..",  # 13
    "...###.##...##.###...",  # 14
    "....##.##...##.##....",  # 15
    ".....#.##...##.#.....",  # 16
    ".......##...##.......",  # 17
    ".......##...##.......",  # 18
    ".......##...##.......",  # 19
    ".......##...##.......",  # 20
    ".......##...##.......",  # 21
]

TRANSPARENT, BLACK, WHITE = 0, 1, 2


def draw():
    img = [[TRANSPARENT] * SIZE for _ in range(SIZE)]
    for dy, row in enumerate(SHAPE):
        for x, ch in enumerate(row):
            if ch == "#":
                img[SHAPE_TOP + dy][x] = BLACK
    # A one-pixel white outline around the black shape (8-neighbourhood).
    outline = []
    for y in range(SIZE):
        for x in range(SIZE):
            if img[y][x] != TRANSPARENT:
                continue
            if any(
                0 <= y + j < SIZE and 0 <= x + i < SIZE and img[y + j][x + i] == BLACK
                for j in (-1, 0, 1)
                for i in (-1, 0, 1)
            ):
                outline.append((x, y))
    for x, y in outline:
        img[y][x] = WHITE
    assert img[HOT_Y][HOT_X] == BLACK
    return img


def pack_rows(img, bit):
    """1-bpp rows, bottom-up, 4 bytes a row (32 pixels needs no padding)."""
    out = bytearray()
    for y in range(SIZE - 1, -1, -1):
        for x0 in range(0, SIZE, 8):
            byte = 0
            for i in range(8):
                if bit(img[y][x0 + i]):
                    byte |= 0x80 >> i
            out.append(byte)
    return bytes(out)


def cur_bytes(img):
    # XOR mask: 1 selects palette entry 1 (white). AND mask: 1 = transparent.
    xor = pack_rows(img, lambda p: p == WHITE)
    and_ = pack_rows(img, lambda p: p == TRANSPARENT)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 1, 0,
                         len(xor) + len(and_), 0, 0, 2, 0)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    image = header + palette + xor + and_
    icondir = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, HOT_X, HOT_Y, len(image), 6 + 16)
    return icondir + entry + image


def preview(img, path):
    colours = {TRANSPARENT: b"\x80\x80\x80", BLACK: b"\x00\x00\x00", WHITE: b"\xff\xff\xff"}
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (SIZE, SIZE))
        for row in img:
            for p in row:
                f.write(colours[p])


def main(argv):
    if len(argv) not in (2, 4) or (len(argv) == 4 and argv[2] != "--preview"):
        sys.stderr.write(__doc__)
        return 2
    img = draw()
    with open(argv[1], "wb") as f:
        f.write(cur_bytes(img))
    if len(argv) == 4:
        preview(img, argv[3])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
