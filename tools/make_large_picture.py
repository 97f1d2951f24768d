#!/usr/bin/env python3
"""Writes a large uncompressed bitmap for the resource measurements of scripts/large_pictures.sh.

    make_large_picture.py symbol SYMBOL.bmp SCALE SIDE BITS OUT.bmp   symbol scaled, centred
    make_large_picture.py noise SIDE BITS OUT.bmp                      random pixels
    make_large_picture.py claim WIDTH HEIGHT BITS OUT.bmp              header only, no pixels
    make_large_picture.py checker SIDE BITS OUT.bmp                    one-pixel checkerboard

SYMBOL.bmp is a one-bit bitmap as the encoder writes it; BITS is 24 or 32 (or 1 for checker).
"""
import os
import struct
import sys


def header(width, height, bits, pixel_bytes):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, pixel_bytes, 3780, 3780, 0, 0)
    return b"BM" + struct.pack("<IHHI", 54 + pixel_bytes, 0, 0, 54) + info


def stride_of(width, bits):
    return (width * bits + 31) // 32 * 4


def read_one_bit(path):
    data = open(path, "rb").read()
    offset = struct.unpack("<I", data[10:14])[0]
    width, height = struct.unpack("<ii", data[18:26])
    dark_index = 1 if data[54] != 0 else 0  # entry 0 white: a set bit is dark
    stride = stride_of(width, 1)
    rows = []
    for r in range(height):  # top row first
        line = data[offset + (height - 1 - r) * stride:][:stride]
        rows.append([((line[c >> 3] >> (7 - (c & 7))) & 1) == dark_index for c in range(width)])
    return rows


def symbol(path, scale, side, bits, out):
    rows = read_one_bit(path)
    px = bits // 8
    white_px = b"\xff" * px
    dark_px = b"\x00\x00\x00" + (b"\xff" if px == 4 else b"")
    sym_w = len(rows[0]) * scale
    sym_h = len(rows) * scale
    if sym_w > side or sym_h > side:
        sys.exit("the scaled symbol does not fit")
    left = (side - sym_w) // 2
    top = (side - sym_h) // 2
    stride = stride_of(side, bits)
    pad = b"\0" * (stride - side * px)
    white_row = white_px * side + pad
    with open(out, "wb") as f:
        f.write(header(side, side, bits, stride * side))
        cache = {}
        for stored in range(side):  # bottom row first
            r = side - 1 - stored
            s = (r - top) // scale
            if r < top or s >= len(rows):
                f.write(white_row)
                continue
            if s not in cache:
                body = b"".join((dark_px if d else white_px) * scale for d in rows[s])
                cache[s] = white_px * left + body + white_px * (side - left - sym_w) + pad
            f.write(cache[s])


def noise(side, bits, out):
    stride = stride_of(side, bits)
    with open(out, "wb") as f:
        f.write(header(side, side, bits, stride * side))
        for _ in range(side):
            f.write(os.urandom(stride))


def checker(side, bits, out):
    stride = stride_of(side, bits)
    if bits == 1:  # colour table white, black: a set bit is dark
        pad = b"\0" * (stride - (side + 7) // 8)
        even = (b"\xaa" * ((side + 7) // 8)) + pad
        odd = (b"\x55" * ((side + 7) // 8)) + pad
        head = bytearray(header(side, side, 1, stride * side) + b"\xff\xff\xff\0\0\0\0\0")
        struct.pack_into("<I", head, 2, len(head) + stride * side)
        struct.pack_into("<I", head, 10, len(head))
        struct.pack_into("<I", head, 46, 2)
    else:
        px = bits // 8
        white_px = b"\xff" * px
        dark_px = b"\x00\x00\x00" + (b"\xff" if px == 4 else b"")
        pad = b"\0" * (stride - side * px)
        even = ((dark_px + white_px) * ((side + 1) // 2))[: side * px] + pad
        odd = ((white_px + dark_px) * ((side + 1) // 2))[: side * px] + pad
        head = header(side, side, bits, stride * side)
    with open(out, "wb") as f:
        f.write(head)
        for r in range(side):
            f.write(even if r % 2 == 0 else odd)


def claim(width, height, bits, out):
    with open(out, "wb") as f:
        f.write(header(width, height, bits, stride_of(width, bits) * height) + b"\0" * 1024)


def main(argv):
    if len(argv) == 7 and argv[1] == "symbol":
        symbol(argv[2], int(argv[3]), int(argv[4]), int(argv[5]), argv[6])
    elif len(argv) == 5 and argv[1] == "noise":
        noise(int(argv[2]), int(argv[3]), argv[4])
    elif len(argv) == 5 and argv[1] == "checker":
        checker(int(argv[2]), int(argv[3]), argv[4])
    elif len(argv) == 6 and argv[1] == "claim":
        claim(int(argv[2]), int(argv[3]), int(argv[4]), argv[5])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
