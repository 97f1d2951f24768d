#!/usr/bin/env python3
"""Counts, folder by folder, the sample pictures that zxing-cpp's ZXingReader reads to the
expected bytes (in any order) and those it reads to other bytes: the peer's column of the
README's table, for the record only.

    python3 tests/samples/peer_counts.py [ZXINGREADER]

ZXINGREADER defaults to zxing-cpp 3.1's, as ../shared/peers/build-zxing-cpp.sh installs it.
"""
import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
READER = sys.argv[1] if len(sys.argv) > 1 else os.path.expanduser(
    "~/.cache/zxing-cpp-3.1/bin/ZXingReader")


def expected_of(folder, stem):
    single = os.path.join(folder, stem + ".bin")
    if os.path.exists(single):
        return [open(single, "rb").read()]
    out = []
    while os.path.exists(os.path.join(folder, "%s.%d.bin" % (stem, len(out) + 1))):
        out.append(open(os.path.join(folder, "%s.%d.bin" % (stem, len(out) + 1)), "rb").read())
    return out


def read(path):
    run = subprocess.run([READER, "-formats", "PDF417", "-json", path], capture_output=True,
                         check=False)
    # One object a symbol, back to back; their text may hold any character.
    text = run.stdout.decode("utf-8", "replace")
    decoder = json.JSONDecoder(strict=False)
    found = []
    at = text.find("{")
    while at >= 0:
        result, end = decoder.raw_decode(text, at)
        if "Error" not in result:  # a symbol it reports as not read
            found.append(bytes.fromhex(result.get("Bytes", "").replace(" ", "")))
        at = text.find("{", end)
    return found


def main():
    print("%-12s %8s %5s %5s" % ("folder", "pictures", "read", "wrong"))
    for name in sorted(os.listdir(HERE)):
        folder = os.path.join(HERE, name)
        if not os.path.isdir(folder):
            continue
        pictures = read_ok = wrong = 0
        for picture in sorted(os.listdir(folder)):
            stem, ext = os.path.splitext(picture)
            if ext not in (".png", ".jpg", ".bmp"):
                continue
            pictures += 1
            expected = expected_of(folder, stem)
            found = read(os.path.join(folder, picture))
            if any(b not in expected for b in found):
                wrong += 1
                print("  other bytes: %s/%s" % (name, picture))
            elif sorted(found) == sorted(expected):
                read_ok += 1
        print("%-12s %8d %5d %5d" % (name, pictures, read_ok, wrong))


if __name__ == "__main__":
    main()
