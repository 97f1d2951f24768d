#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into fuzz/corpus/<target>/.

Valid symbols come from the command-line tool (one bit per pixel) and from ImageMagick's
`convert` (4, 8, 16, 24 and 32 bits, OS/2 and V5 headers, turned pictures); malformed bitmaps and
the codeword lists are built here. Files named regression-* are inputs that once broke the codec;
this script leaves them alone.

    python3 tools/make_fuzz_corpus.py --cli build/ci/cli/pdf417
"""
import argparse
import os
import random
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = os.path.join(ROOT, "fuzz", "corpus")
FIELD = 929


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def clear_generated(target):
    folder = os.path.join(CORPUS, target)
    if not os.path.isdir(folder):
        return
    for name in os.listdir(folder):
        if not name.startswith("regression-"):
            os.remove(os.path.join(folder, name))


# ---- bitmaps -------------------------------------------------------------------------------

def bmp(width, height, bits, pixels, palette=b"", info_size=40, compression=0, offset=None,
        clr_used=0, masks=b"", file_size=None):
    """A bitmap file with a Windows info header (40 bytes or longer, zero-filled)."""
    info = struct.pack("<IiiHHIIiiII", info_size, width, height, 1, bits, compression,
                       len(pixels), 3780, 3780, clr_used, 0)
    if info_size > 40:
        extra = masks.ljust(info_size - 40, b"\0")
        info += extra[: info_size - 40]
        masks = b""
    head_len = 14 + len(info) + len(masks) + len(palette)
    off = head_len if offset is None else offset
    body = info + masks + palette
    total = 14 + len(body) + len(pixels)
    head = b"BM" + struct.pack("<IHHI", total if file_size is None else file_size, 0, 0, off)
    return head + body + pixels


def one_bit_rows(width, height, dark):
    stride = (width + 31) // 32 * 4
    out = bytearray()
    for stored in range(height):
        row = height - 1 - stored
        line = bytearray(stride)
        for col in range(width):
            if dark(row, col):
                line[col // 8] |= 0x80 >> (col % 8)
        out += line
    return bytes(out)


def malformed_bitmaps(valid_1bit):
    """Headers that lie: each must be refused at once, without reading or allocating much."""
    white = b"\xff\xff\xff\x00\x00\x00\x00\x00"
    small = one_bit_rows(8, 8, lambda r, c: (r + c) % 3 == 0)
    cases = {
        "truncated-file-header.bmp": valid_1bit[:10],
        "truncated-info-header.bmp": valid_1bit[:30],
        "truncated-pixels.bmp": valid_1bit[:-20],
        "not-bm.bmp": b"BA" + valid_1bit[2:],
        "huge-dimensions.bmp": bmp(100000, 100000, 1, small, white),
        "huge-claim-short-file.bmp": bmp(10000, 10000, 24, b"\0" * 64),
        "wide-one-row.bmp": bmp(10000, 1, 1, b"\xaa" * 1252, white),
        "zero-width.bmp": bmp(0, 8, 1, small, white),
        "negative-width.bmp": bmp(-8, 8, 1, small, white),
        "zero-height.bmp": bmp(8, 0, 1, small, white),
        "min-height.bmp": bmp(8, -2147483648, 1, small, white),
        "top-down.bmp": bmp(8, -8, 1, small, white),
        "two-bits.bmp": bmp(8, 8, 2, small, white),
        "sixty-four-bits.bmp": bmp(8, 8, 64, small, white),
        "rle8.bmp": bmp(8, 8, 8, b"\x08\x00" * 8 + b"\x00\x01", b"\0" * 1024, compression=1),
        "jpeg.bmp": bmp(8, 8, 24, b"\0" * 96, compression=4),
        "offset-past-end.bmp": bmp(8, 8, 1, small, white, offset=0xFFFFFFF0),
        "offset-inside-header.bmp": bmp(8, 8, 1, small, white, offset=20),
        "colour-count-huge.bmp": bmp(8, 8, 8, b"\0" * 64, b"\0" * 16, clr_used=0x80000000),
        "colour-count-short.bmp": bmp(8, 8, 8, bytes(range(64)), b"\x10\x20\x30\x00" * 3,
                                      clr_used=3),
        "bitfields-overlap.bmp": bmp(4, 4, 16, b"\x55" * 32, compression=3,
                                     masks=struct.pack("<III", 0xF800, 0x0FE0, 0x001F)),
        "bitfields-zero.bmp": bmp(4, 4, 32, b"\x55" * 64, compression=3,
                                  masks=struct.pack("<III", 0, 0, 0)),
        "bitfields-gappy.bmp": bmp(4, 4, 32, b"\x55" * 64, compression=3,
                                   masks=struct.pack("<III", 0xFF00FF00, 0x00F00000, 0x000000F0)),
        "bitfields-truncated.bmp": bmp(4, 4, 16, b"", compression=3)[:60],
        "info-size-64.bmp": bmp(8, 8, 1, small, white, info_size=64),
        "info-size-huge.bmp": b"BM" + struct.pack("<IHHII", 70, 0, 0, 62, 0xFFFFFFFF) + b"\0" * 52,
        "core-header-32-bits.bmp": b"BM" + struct.pack("<IHHI", 26 + 32, 0, 0, 26) +
                                   struct.pack("<IHHHH", 12, 2, 2, 1, 32) + b"\0" * 16,
    }
    return cases


def noise_picture(seed, width, height):
    rng = random.Random(seed)
    return bmp(width, height, 1, one_bit_rows(width, height, lambda r, c: rng.random() < 0.5),
               b"\xff\xff\xff\x00\x00\x00\x00\x00")


def valid_symbols(cli, work):
    """Small symbols at every bit depth the reader takes; name -> bytes."""
    def encode(name, data, *args):
        path = os.path.join(work, name)
        subprocess.run([cli, "encode", "-o", path, *args], input=data, check=True)
        return path

    def convert(source, name, *args, prefix=""):
        path = os.path.join(work, name)
        subprocess.run(["convert", source, *args, prefix + path], check=True)
        return path

    s1 = encode("s1.bmp", b"Hi", "-c", "2", "-a", "2")
    s1b = encode("s1-bin.bmp", b"\x00\x01\xfe\xff bytes", "-c", "3", "-l", "0", "-a", "3")
    s1a = encode("s1-aspect1.bmp", b"one", "-c", "1", "-l", "2", "-a", "1")
    s1l = encode("s1-level3.bmp", b"Level three, four columns", "-c", "4", "-l", "3", "-a", "4")
    # More than 16 colours force 8 bits per pixel; light ones (blue >= 100) stay white.
    greys = []
    for i in range(20):
        v = 120 + 6 * i
        greys += ["-fill", "rgb(%d,%d,%d)" % (v, v, v), "-draw", "point %d,0" % i]
    paths = {
        "1bit.bmp": s1,
        "1bit-bytes.bmp": s1b,
        "1bit-ratio1.bmp": s1a,
        "1bit-level3.bmp": s1l,
        "1bit-os2.bmp": convert(s1, "os2.bmp", prefix="BMP2:"),
        "1bit-imagemagick.bmp": convert(s1, "im1.bmp", "-type", "Bilevel", prefix="BMP3:"),
        "4bit.bmp": convert(s1, "s4.bmp", "-fill", "rgb(200,200,200)", "-draw", "point 0,0",
                            "-fill", "rgb(150,150,150)", "-draw", "point 1,0", "-type", "Palette"),
        "8bit.bmp": convert(s1, "s8.bmp", *greys, "-type", "Palette", "-compress", "None"),
        "16bit-565.bmp": convert(s1, "s16.bmp", "-type", "TrueColor", "-define",
                                 "bmp:subtype=RGB565"),
        "16bit-555.bmp": convert(s1, "s15.bmp", "-type", "TrueColor", "-define",
                                 "bmp:subtype=RGB555"),
        "24bit.bmp": convert(s1, "s24.bmp", "-type", "TrueColor", "-define", "bmp:format=bmp3"),
        "24bit-turned-90.bmp": convert(s1, "s24r.bmp", "-rotate", "90", "-type", "TrueColor",
                                       "-define", "bmp:format=bmp3"),
        "1bit-skewed.bmp": convert(s1l, "s1s.bmp", "-background", "white", "-rotate", "1",
                                   "-type", "Bilevel", prefix="BMP3:"),
        "32bit.bmp": convert(s1, "s32.bmp", "-type", "TrueColorAlpha"),
        "1bit-turned-180.bmp": convert(s1b, "s1r.bmp", "-rotate", "180", "-type", "Bilevel"),
    }
    out = {}
    for name, path in paths.items():
        with open(path, "rb") as f:
            out[name] = f.read()
    return out


def check_bits(files):
    expected = {"1bit": 1, "4bit": 4, "8bit": 8, "16bit": 16, "24bit": 24, "32bit": 32}
    for name, data in files.items():
        prefix = name.split("-")[0].split(".")[0]
        info_size = struct.unpack("<I", data[14:18])[0]
        bits = struct.unpack("<H", data[24:26] if info_size == 12 else data[28:30])[0]
        if bits != expected[prefix]:
            sys.exit("%s has %d bits per pixel, expected %d" % (name, bits, expected[prefix]))


# ---- codeword lists ----------------------------------------------------------------------

def u16s(values):
    return b"".join(struct.pack("<H", v & 0xFFFF) for v in values)


def generator(k):
    poly = [1]  # poly[j] = coefficient of x^j
    root = 1
    for _ in range(k):
        root = root * 3 % FIELD
        nxt = [0] * (len(poly) + 1)
        for j, c in enumerate(poly):
            nxt[j + 1] = (nxt[j + 1] + c) % FIELD
            nxt[j] = (nxt[j] - c * root) % FIELD
        poly = nxt
    return poly


def with_error_correction(data, k):
    """data followed by its k check codewords: the list's polynomial has roots 3 .. 3^k."""
    g = generator(k)
    rem = list(data) + [0] * k  # highest power first
    for i in range(len(data)):
        coef = rem[i]
        if coef:
            for j in range(k + 1):
                rem[i + j] = (rem[i + j] - coef * g[k - j]) % FIELD
    return list(data) + [(-r) % FIELD for r in rem[len(data):]]


def syndromes_vanish(codewords, k):
    for i in range(1, k + 1):
        w = pow(3, i, FIELD)
        acc = 0
        for c in codewords:
            acc = (acc * w + c) % FIELD
        if acc:
            return False
    return True


def error_correction_seeds():
    rng = random.Random(929)
    seeds = {}
    for level in range(0, 9):
        k = 2 << level
        data_len = max(2, min(928 - k, 3 + 7 * level))
        data = [data_len] + [rng.randrange(FIELD) for _ in range(data_len - 1)]
        word = with_error_correction(data, k)
        assert syndromes_vanish(word, k)
        seeds["level%d-clean" % level] = (k, word)
        damaged = list(word)
        for pos in rng.sample(range(len(word)), k // 2):
            damaged[pos] = (damaged[pos] + 1 + rng.randrange(FIELD - 1)) % FIELD
        seeds["level%d-correctable" % level] = (k, damaged)
        if level <= 4:
            worse = list(damaged)
            for pos in rng.sample(range(len(word)), 2):
                worse[pos] = (worse[pos] + 5) % FIELD
            seeds["level%d-too-many" % level] = (k, worse)
    seeds["not-a-codeword"] = (8, seeds["level2-clean"][1][:-1] + [1000])
    seeds["no-syndromes"] = (0, [1, 2, 3])
    seeds["count-too-large"] = (513, [1, 2, 3])
    seeds["count-negative"] = (-3, [1, 2, 3])
    seeds["shorter-than-count"] = (64, [5, 900, 7])
    return {name: u16s([k + 4] + word) for name, (k, word) in seeds.items()}


def decompact_seeds():
    def seed(codewords, count=None):
        return u16s([len(codewords) + 1 if count is None else count] + codewords)

    text = [900, 7 * 30 + 4, 11 * 30 + 11, 14 * 30 + 26, 28 * 30 + 1, 27 * 30 + 29,
            26 * 30 + 25, 29 * 30 + 3]
    byte6 = [924, 1, 200, 300, 400, 500]
    return {
        "text": seed(text),
        "byte-latch": seed([901, 72, 101, 108, 108, 111]),
        "byte-six": seed(byte6 + [901, 7]),
        "numeric": seed([902, 1, 624, 434, 632, 282, 200]),
        "numeric-fifteen": seed([902] + [899] * 15 + [902, 5]),
        "byte-shift": seed([900, 1, 913, 255, 2, 3]),
        "implied-text": seed([1, 2, 3, 4]),
        "eci": seed([927, 26, 901, 65, 926, 1, 2, 925, 7, 900, 1]),
        "macro": seed([900, 1, 928, 111, 100, 17, 923, 1, 900, 5, 923, 2, 1, 922]),
        "reader-init": seed([921, 900, 1, 2]),
        "pads": seed([901, 65, 900, 900, 900]),
        "ends-in-shift": seed([900, 1, 913]),
        "ends-in-eci": seed([900, 1, 926, 1]),
        "count-zero": seed([900, 1, 2], count=0),
        "count-negative": seed([900, 1, 2], count=-5),
        "count-past-end": seed([900, 1, 2], count=40),
        "out-of-range": seed([900, 1000, 1023, 929, 901, 999]),
    }


def encoder_seeds():
    def seed(columns, level, aspect_byte, data):
        return bytes([(columns + 1) % 34, (level + 2) % 12, aspect_byte]) + data

    return {
        "hello": seed(5, 1, 3, b"Hello World"),
        "binary": seed(3, 2, 2, bytes(range(256))[:40]),
        "six-multiple": seed(4, 0, 4, b"abcdefabcdef"),
        "ratio1": seed(1, 3, 1, b"x"),
        "level8": seed(30, 8, 2, b"L" * 100),
        "full": seed(29, 5, 2, b"z" * 1024),
        "too-long": seed(30, 6, 3, b"z" * 1024),
        "too-many-rows": seed(1, 0, 3, b"y" * 200),
        "columns-zero": seed(0, 1, 3, b"c"),
        "columns-31": seed(31, 1, 3, b"c"),
        "level-9": seed(5, 9, 3, b"l"),
        "level-minus": seed(5, -1, 3, b"l"),
        "ratio-zero": seed(5, 1, 0, b"a"),
        "ratio-huge": seed(5, 1, 255, b"a"),
        "ratio-tall": seed(2, 1, 253, b"a"),
        "empty": seed(5, 1, 3, b""),
    }


def turned_seeds():
    # columns - 1, level, aspect - 1, (scale - 1) x 127.5, angle x 65536 / 360 (two bytes), noise
    # per 4,096, rows cut, where they are cut (of 256), noise seed, then the data.
    def seed(columns, level, aspect, scale, degrees, noise=0, cut=0, at=0, data=b"Hello"):
        angle = round(degrees * 65536 / 360) % 65536
        head = [columns - 1, level, aspect - 1, round((scale - 1) * 127.5), angle & 0xFF, angle >> 8]
        return bytes(head + [noise, cut, at, 7]) + data

    return {
        "upright": seed(3, 2, 3, 1, 0),
        "skewed-3": seed(4, 3, 3, 2, 3, data=b"skewed by three degrees"),
        "skewed-minus-7": seed(4, 3, 3, 3, -7, data=b"seven the other way"),
        "skewed-15": seed(2, 2, 2, 3, 15),
        "turned-90": seed(3, 2, 3, 1, 90, data=b"a quarter turn"),
        "turned-180-scaled": seed(5, 4, 2, 3, 180, data=bytes(range(50))),
        "turned-200": seed(3, 1, 4, 2, 200),
        "noisy": seed(4, 5, 3, 2, 0, noise=40, data=b"noise everywhere"),
        "cut-rows": seed(4, 4, 4, 2, 0, cut=6, at=128, data=b"rows cut out"),
        "everything": seed(6, 5, 3, 2.5, 33, noise=10, cut=3, at=60, data=b"all at once"),
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True, help="path of the pdf417 command-line tool")
    args = parser.parse_args()
    for target in ("bin_bmp", "decode", "decompact", "error_correction", "encoder", "turned"):
        clear_generated(target)
    with tempfile.TemporaryDirectory() as work:
        symbols = valid_symbols(os.path.abspath(args.cli), work)
    check_bits(symbols)
    for name, data in symbols.items():
        write("decode", name, data)
    for name, data in malformed_bitmaps(symbols["1bit.bmp"]).items():
        write("bin_bmp", name, data)
    write("decode", "noise-64.bmp", noise_picture(1, 64, 64))
    for name, data in error_correction_seeds().items():
        write("error_correction", name, data)
    for name, data in decompact_seeds().items():
        write("decompact", name, data)
    for name, data in encoder_seeds().items():
        write("encoder", name, data)
    for name, data in turned_seeds().items():
        write("turned", name, data)


if __name__ == "__main__":
    main()
