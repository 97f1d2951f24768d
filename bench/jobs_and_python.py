"""Figures for the Python module and `pdf417 decode --jobs`, measured in one run.

    PYTHONPATH=build/release/python /usr/bin/python3 bench/jobs_and_python.py build/release/cli/pdf417

1. Decoding 1,000 generated pictures with the command-line tool, --jobs 2 against --jobs 1
   (best of 3 runs each, alternating).
2. The cost of pdf417.decode over the library call it makes, on a clean symbol (10 columns,
   level 5, 100 bytes): from the file's bytes and from a grey NumPy array, in CPU time of the
   calling thread (best of 15 rounds of 500 calls each).
3. Pictures per second on one core: the tool with --jobs 1 and decode_many(jobs=1).
"""
import os
import resource
import subprocess
import sys
import tempfile
import time

import numpy as np
from PIL import Image

import pdf417

PICTURES = 1000


def payload(i):
    return f"picture {i:04d} ".encode() + bytes((i * 7 + k * 13) % 256 for k in range(40 + i % 160))


def make_pictures(folder):
    """Symbols as a scanner might give them: magnified 3 times (4 pixel rows per symbol row), a third upright, a third turned a
    quarter, a third tilted by 1 to 3 degrees; 8-bit grey bitmaps."""
    paths = []
    for i in range(PICTURES):
        symbol = pdf417.encode(payload(i), columns=4 + i % 9, level=2 + i % 4, aspect=4)
        image = Image.fromarray(symbol.pixels).resize((symbol.width * 3, symbol.height * 3), Image.NEAREST)
        image = Image.fromarray(np.pad(np.asarray(image), 16, constant_values=255))
        if i % 3 == 1:
            image = image.rotate(90, expand=True)
        elif i % 3 == 2:
            image = image.rotate(1 + i % 3, resample=Image.BILINEAR, expand=True, fillcolor=255)
        paths.append(os.path.join(folder, f"{i:04d}.bmp"))
        image.save(paths[-1])
    return paths


def time_cli(cli, jobs, paths, expected):
    """Wall and CPU seconds of one run of the tool over every picture."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    run = subprocess.run([cli, "decode", "-n", "--jobs", str(jobs), *paths], capture_output=True)
    spent = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if run.returncode != 0 or run.stdout != expected:
        sys.exit(f"--jobs {jobs}: exit {run.returncode}, output differs: {run.stderr[:500]!r}")
    return spent, (after.ru_utime + after.ru_stime) - (before.ru_utime + before.ru_stime)


def python_overhead(image, repeats=500, rounds=15):
    """Best-of-rounds CPU seconds per call: pdf417.decode(image) (of the whole process: on the
    main thread the decode runs on a helper thread, so that Ctrl-C can stop it) and the library
    call alone (of its thread). CPU time, not wall time, so that other programs on the cores do
    not count."""
    assert pdf417.decode(image)[0].ok
    py_best = cpp_best = float("inf")
    for _ in range(rounds):
        start = time.process_time()
        for _ in range(repeats):
            pdf417.decode(image)
        py_best = min(py_best, (time.process_time() - start) / repeats)
        cpp_best = min(cpp_best, pdf417._cpp_seconds_per_decode(image, repeats))
    return py_best, cpp_best


def main():
    cli = sys.argv[1] if len(sys.argv) > 1 else "build/release/cli/pdf417"
    load = os.getloadavg()[0]
    with tempfile.TemporaryDirectory() as folder:
        paths = make_pictures(folder)
        expected = b"".join(payload(i) + b"\n" for i in range(PICTURES))
        one = two = (float("inf"), 0.0)
        for _ in range(3):
            one = min(one, time_cli(cli, 1, paths, expected))
            two = min(two, time_cli(cli, 2, paths, expected))
        start = time.perf_counter()
        results = pdf417.decode_many(paths, jobs=1)
        many_one = time.perf_counter() - start
        assert all(r[0].bytes == payload(i) for i, r in enumerate(results))

    clean = pdf417.encode(bytes(range(100)), columns=10, level=5)
    rows = []
    for name, image in (("file bytes", clean.to_bmp()), ("grey array", clean.pixels)):
        py, cpp = python_overhead(image)
        rows.append((name, py, cpp))

    print(f"cores: {os.cpu_count()}, load average at the start {load:.2f}, at the end "
          f"{os.getloadavg()[0]:.2f}")
    print(f"{PICTURES} pictures, pdf417 decode --jobs 1: {one[0]:.2f} s ({one[1]:.2f} s CPU), "
          f"--jobs 2: {two[0]:.2f} s ({two[1]:.2f} s CPU), ratio {two[0] / one[0]:.2f} (goal <= 0.60)")
    print(f"one core: {PICTURES / one[0]:.0f} pictures/s (tool), {PICTURES / many_one:.0f} pictures/s "
          f"(decode_many jobs=1), {PICTURES / one[1]:.0f} pictures per CPU second (tool)")
    for name, py, cpp in rows:
        print(f"clean symbol from {name}: Python {py * 1e6:.1f} us, C++ {cpp * 1e6:.1f} us CPU, "
              f"overhead {100 * (py / cpp - 1):.1f}% (goal <= 5%)")


if __name__ == "__main__":
    main()
