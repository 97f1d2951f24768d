# The pdf417 Python module: every kind of input, the encoder's options and pictures, in-place
# reading, misuse, threads.
import ast
import inspect
import io
import multiprocessing
import os
import pathlib
import pickle
import re
import shutil
import signal
import subprocess
import threading
import time
import xml.etree.ElementTree as ET
from concurrent.futures import ThreadPoolExecutor

import numpy as np
import pytest
from PIL import Image

import pdf417


def as_bytes(data):
    return data.encode("utf-8") if isinstance(data, str) else data


def inputs_of(symbol, tmp_path):
    """The same picture as every kind of input decode takes."""
    grey = symbol.pixels
    path = tmp_path / "symbol.bmp"
    symbol.save(path)
    rgb = np.repeat(grey[:, :, None], 3, axis=2)
    rgba = np.dstack([rgb, np.full(grey.shape, 255, np.uint8)])
    pil = Image.open(io.BytesIO(symbol.to_png()))
    return {
        "grey array": grey,
        "fortran-order array": np.asfortranarray(grey),
        "RGB array": rgb,
        "RGBA array": rgba,
        "BGR view": rgb[:, :, ::-1],
        "str path": str(path),
        "PathLike": path,
        "file bytes": symbol.to_bmp(),
        "bytearray": bytearray(symbol.to_bmp()),
        "PIL as read": pil,
        "PIL grey": pil.convert("L"),
        "PIL RGB": pil.convert("RGB"),
        "PIL one-bit": pil.convert("1"),
        "PIL palette": pil.convert("P"),
    }


def test_round_trips_through_every_kind_of_input(symbols, tmp_path):
    for data, options, symbol in symbols:
        assert symbol.pixels.dtype == np.uint8 and set(np.unique(symbol.pixels)) <= {0, 255}
        assert np.array_equal(np.asarray(symbol), symbol.pixels)
        # The bitmap file (the classic one with aspect) shows the pixels.
        assert np.array_equal(np.asarray(Image.open(io.BytesIO(symbol.to_bmp())).convert("L")), symbol.pixels)
        for kind, image in inputs_of(symbol, tmp_path).items():
            results = pdf417.decode(image)
            assert len(results) == 1, kind
            r = results[0]
            assert r.ok and r.status == pdf417.Status.DECODED, (kind, r)
            assert r.bytes == as_bytes(data), kind
            assert (r.rows, r.columns, r.level) == (symbol.rows, symbol.columns, symbol.level), kind
            assert r.message == ""
        if isinstance(data, str):
            assert r.text == data


def test_str_without_eci_is_latin1_when_it_fits_and_text_follows_the_eci():
    # (data, bytes in the symbol, ECI designators, text read back)
    cases = [
        ("plain", b"plain", [], "plain"),
        ("Grüße", "Grüße".encode("latin-1"), [], "Grüße"),
        ("Grüße €", "Grüße €".encode("utf-8"), [(26, 0)], "Grüße €"),
        ("中文", "中文".encode("utf-8"), [(26, 0)], "中文"),
        (b"\xff\xfe", b"\xff\xfe", [], "ÿþ"),  # bytes without a designator read as ISO 8859-1
    ]
    for data, stored, eci, text in cases:
        [r] = pdf417.decode(pdf417.encode(data).pixels)
        assert (r.bytes, r.eci, r.text) == (stored, eci, text), data


def test_results_report_what_other_readers_report():
    # (encode options, data, format, content type, symbology identifier)
    F, C = pdf417.Format, pdf417.ContentType
    cases = [
        (dict(), b"plain text\r\n", F.PDF417, C.TEXT, "]L2"),
        (dict(compaction="byte"), b"\x00\x01\x02", F.PDF417, C.BINARY, "]L2"),
        (dict(symbology=F.PDF417), b"[)>\x1e06\x1dP123\x1e\x04", F.PDF417, C.ISO15434, "]L2"),
        (dict(eci=899), b"\xff\x00", F.PDF417, C.BINARY, "]L1"),
        (dict(eci=811799), b"abc", F.PDF417, C.UNKNOWN_ECI, "]L1"),
        (dict(eci=3), "Grüße".encode("latin-1"), F.PDF417, C.TEXT, "]L1"),
        (dict(level=6), b"level six", F.PDF417, C.TEXT, "]L2"),
    ]
    for options, data, form, content, identifier in cases:
        symbol = pdf417.encode(data, **options)
        assert symbol.format == form
        [r] = pdf417.decode(symbol.pixels)
        assert r.bytes == data and r.format == form, (options, r)
        assert (r.content_type, r.symbology_identifier) == (content, identifier), options
        assert r.level == symbol.level and r.ec_level == str(symbol.level)
        assert not r.inverted and tuple(r.position) == tuple(r.corners)
    # The corners and the turn of the rows, for each quarter turn of the drawing.
    for degrees in (0, 90, 180, 270):
        symbol = pdf417.encode(b"turned", rotate=degrees, quiet_zone=5)
        [r] = pdf417.decode(symbol.pixels)
        assert r.orientation == degrees, (degrees, r.orientation)
        h, w = symbol.pixels.shape
        start = {0: (0, 0), 90: (w, 0), 180: (w, h), 270: (0, h)}[degrees]
        assert abs(r.position.top_left.x - start[0]) < 15 and abs(r.position.top_left.y - start[1]) < 15, r.position


def test_compact_symbols_read_as_compact():
    for options in (dict(compact=True), dict(symbology="compact"), dict(symbology=pdf417.Format.COMPACT_PDF417)):
        symbol = pdf417.encode(b"compact", **options)
        assert symbol.format == pdf417.Format.COMPACT_PDF417 and symbol.compact
        [r] = pdf417.decode(symbol.pixels)
        assert r.bytes == b"compact" and r.format == pdf417.Format.COMPACT_PDF417, options


def test_micro_symbols_take_the_options_that_apply_to_them():
    widths = {1: 38, 2: 55, 3: 82, 4: 99}  # modules per row of 1 to 4 columns
    cases = [
        (b"A", dict()),
        ("Grüße", dict(columns=1)),
        (b"0123456789" * 5, dict(columns=2)),
        (bytes(range(40)), dict(columns=4, rows=20)),
        (b"LOT 4711", dict(symbology=pdf417.Format.MICRO_PDF417, rows=8)),
        (b"macro", dict(segment_index=0, segment_count=2, file_id="7")),
    ]
    for data, options in cases:
        options = {"symbology": "micro", **options}
        symbol = pdf417.encode(data, **options, module_width=1, row_height=2, quiet_zone=0)
        assert symbol.format == pdf417.Format.MICRO_PDF417 and symbol.level is None, options
        assert not symbol.compact and symbol.aspect is None
        assert symbol.modules.shape == (symbol.rows, widths[symbol.columns]), options
        for name in ("columns", "rows"):
            assert getattr(symbol, name) == options.get(name, getattr(symbol, name)), (name, options)
        assert 4 <= symbol.rows <= 44 and len(symbol.codewords) == symbol.rows * symbol.columns
        assert symbol.pixels.shape[0] >= 2 * symbol.rows and symbol.pixels.shape[1] == widths[symbol.columns]
    # The smallest size that holds the data, when none is asked for.
    short, long = pdf417.encode(b"1", symbology="micro"), pdf417.encode(b"x" * 100, symbology="micro")
    assert short.rows * short.modules.shape[1] < long.rows * long.modules.shape[1]


def test_a_symbol_is_a_numpy_array_and_a_pil_image():
    plain = pdf417.encode(b"arrays")
    coloured = pdf417.encode(b"arrays", fg=(200, 20, 20), bg=(240, 240, 150))
    for symbol, fg, bg in ((plain, (0, 0, 0), (255, 255, 255)), (coloured, (200, 20, 20), (240, 240, 150))):
        view = np.asarray(symbol)
        assert np.array_equal(view, symbol.pixels) and np.shares_memory(view, symbol.pixels)
        assert memoryview(symbol).readonly and memoryview(symbol).shape == symbol.pixels.shape
        assert not view.flags.writeable
        assert np.asarray(symbol, dtype=np.float32).dtype == np.float32
        assert np.array_equal(np.array(symbol), symbol.pixels)
        assert np.array_equal(np.asarray(Image.fromarray(symbol)), symbol.pixels)
        image = symbol.to_pil()
        dark = symbol.pixels == symbol.pixels.min()
        if symbol is plain:
            assert image.mode == "L" and np.array_equal(np.asarray(image), symbol.pixels)
        else:
            rgb = np.asarray(image)
            assert image.mode == "RGB" and (rgb[dark] == fg).all() and (rgb[~dark] == bg).all()
        assert pdf417.decode(image)[0].bytes == b"arrays"
    del plain, coloured
    assert view.base is not None and view.sum() > 0  # the array keeps the symbol's pixels alive


def test_ctrl_c_stops_a_decode_within_a_fraction_of_a_second(tmp_path):
    # Noise makes the decoder try every reading: seconds for this size. SIGINT comes 0.3 s in.
    noise = np.random.default_rng(5).integers(0, 256, (3000, 3000), dtype=np.uint8)
    path = tmp_path / "noise.bmp"
    Image.fromarray(noise).save(path)
    calls = [
        ("array", lambda: pdf417.decode(noise)),
        ("file", lambda: pdf417.decode(path, timeout=60)),
        ("decode_many", lambda: pdf417.decode_many([path] * 4, jobs=2)),
    ]
    for name, call in calls:
        timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
        started = time.monotonic()
        timer.start()
        with pytest.raises(KeyboardInterrupt):
            call()
        spent = time.monotonic() - started
        timer.join()
        assert spent < 1.0, (name, spent)
    assert pdf417.decode(pdf417.encode(b"still works").pixels)[0].bytes == b"still works"

    # A handler that decodes while the interrupted decode waits (it decodes in place), then raises.
    nested = []

    def handler(signum, frame):
        nested.append(pdf417.decode(pdf417.encode(b"nested").pixels)[0].bytes)
        raise KeyboardInterrupt

    previous = signal.signal(signal.SIGINT, handler)
    try:
        threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT)).start()
        with pytest.raises(KeyboardInterrupt):
            pdf417.decode(noise)
    finally:
        signal.signal(signal.SIGINT, previous)
    assert nested == [b"nested"]


def decode_in_child(pixels):
    return pdf417.decode(pixels)[0].bytes


def test_a_forked_child_decodes_on_its_main_thread():
    # The parent's helper thread (started by decodes on the main thread) does not exist in a
    # forked child, which must start its own.
    pixels = pdf417.encode(b"forked").pixels
    assert pdf417.decode(pixels)[0].bytes == b"forked"
    with multiprocessing.get_context("fork").Pool(1) as pool:
        assert pool.apply_async(decode_in_child, (pixels,)).get(timeout=60) == b"forked"


def drawing_of(symbol, quiet_zone, module_width):
    """The textbook drawing of a symbol's module matrix, upright: rows row_height modules tall,
    the quiet zone around, each module module_width pixels square; 1 dark."""
    grid = np.pad(np.repeat(symbol.modules, symbol.row_height, axis=0), quiet_zone)
    return np.kron(grid, np.ones((module_width, module_width), np.uint8))


def test_the_drawing_is_the_module_matrix_scaled_padded_and_turned():
    data = b"drawing options 0123456789"
    for width, height, quiet in [(1, 2, 0), (2, 3, 2), (3, 5, 1), (1, 20, 50)]:
        options = dict(columns=4, module_width=width, row_height=height, quiet_zone=quiet)
        upright = pdf417.encode(data, **options)
        assert upright.modules.shape == (upright.rows, 17 * upright.columns + 69)
        assert upright.row_height >= height
        expected = np.where(drawing_of(upright, quiet, width) == 1, 0, 255)
        assert np.array_equal(upright.pixels, expected), options
        for turns in (1, 2, 3):
            turned = pdf417.encode(data, rotate=90 * turns, **options)
            assert np.array_equal(turned.pixels, np.rot90(upright.pixels, -turns)), (options, turns)
    # Compact PDF417: the same codewords, each row cut after the data columns and closed by a
    # one-module stop bar.
    full = pdf417.encode(data, columns=4)
    compact = pdf417.encode(data, columns=4, compact=True)
    kept = 17 * (full.columns + 2)
    assert compact.compact and not full.compact and compact.codewords == full.codewords
    assert np.array_equal(compact.modules, np.hstack([full.modules[:, :kept], np.ones((full.rows, 1), np.uint8)]))


def test_options_reach_the_symbol_and_the_decoder_reads_them_back(tmp_path):
    digits = b"0123456789" * 6
    cases = [
        (b"columns", dict(columns=7), lambda s, r: r.columns == s.columns == 7),
        (b"rows", dict(rows=12), lambda s, r: r.rows == s.rows == 12),
        (b"level", dict(level=6), lambda s, r: r.level == s.level == 6),
        # Byte compaction: a byte latch after the length descriptor, and longer than the
        # shortest mix for digits.
        (digits, dict(compaction="byte"), lambda s, r: s.codewords[1] in (901, 924)),
        (digits, dict(), lambda s, r: s.data_codewords < pdf417.encode(digits, compaction="byte").data_codewords),
        (b"binary", dict(eci=899), lambda s, r: r.eci == [(899, 0)]),
        (b"bytes", dict(), lambda s, r: r.eci == [] and s.codewords[1] != 927),
        (
            b"part two",
            dict(segment_index=1, segment_count=3, file_id="4711"),
            lambda s, r: r.macro == {"segment_index": 1, "segment_count": 3, "file_id": "004711", "last_segment": False},
        ),
        (
            b"the end",
            dict(segment_index=2, segment_count=3, file_id="4711"),
            lambda s, r: r.macro["segment_index"] == 2 and r.macro["last_segment"],
        ),
        (b"classic", dict(aspect=3, columns=5, level=1, compaction="byte"), lambda s, r: s.aspect == 3),
    ]
    for data, options, check in cases:
        symbol = pdf417.encode(data, **options)
        assert symbol.aspect == options.get("aspect") and symbol.warnings == []
        assert len(symbol.codewords) == symbol.rows * symbol.columns
        for image in (symbol.to_png(), symbol.to_bmp()):
            [r] = pdf417.decode(image)
            assert r.ok and r.bytes == data and check(symbol, r), (options, r)


def svg_drawing(svg):
    """The module grid an SVG of the encoder shows (rectangles 'Mx yhWvHh-Wz' in one path, under
    its transform), its size in pixels and its two colours."""
    ns = {"svg": "http://www.w3.org/2000/svg"}
    root = ET.fromstring(svg)
    rect = root.find("svg:rect", ns)
    path = root.find("svg:path", ns)
    grid = np.zeros((int(rect.get("height")), int(rect.get("width"))), np.uint8)
    shapes = re.findall(r"M(\d+) (\d+)h(\d+)v(\d+)h-(\d+)z", path.get("d"))
    assert "".join(f"M{x} {y}h{w}v{h}h-{w}z" for x, y, w, h, _ in shapes) == path.get("d")
    a, b, c, d, e, f = map(int, re.findall(r"-?\d+", path.get("transform") or "matrix(1 0 0 1 0 0)"))
    for x, y, w, h, _ in shapes:
        corners = [(int(x), int(y)), (int(x) + int(w), int(y) + int(h))]
        xs = [a * px + c * py + e for px, py in corners]
        ys = [b * px + d * py + f for px, py in corners]
        grid[min(ys) : max(ys), min(xs) : max(xs)] = 1
    size = (int(root.get("height")), int(root.get("width")))
    return grid, size, rect.get("fill"), path.get("fill")


def test_png_bmp_and_svg_draw_the_symbol_in_its_colours():
    cases = [
        (dict(), (0, 0, 0), (255, 255, 255)),
        (dict(fg="#1a2b3c", bg=(250, 240, 200)), (0x1A, 0x2B, 0x3C), (250, 240, 200)),
        (dict(fg="FF0000", bg="00ffff", module_width=3, quiet_zone=0), (255, 0, 0), (0, 255, 255)),
    ]
    for options, fg, bg in cases:
        symbol = pdf417.encode("colours ¡", **options)
        dark = symbol.pixels < 128
        assert dark.any() and (~dark).any() and len(np.unique(symbol.pixels)) == 2
        png = symbol.to_png()
        assert png.startswith(b"\x89PNG\r\n\x1a\n")
        for picture in (png, symbol.to_bmp()):
            image = Image.open(io.BytesIO(picture))
            assert image.size == (symbol.width, symbol.height)
            rgb = np.asarray(image.convert("RGB"))
            assert (rgb[dark] == fg).all() and (rgb[~dark] == bg).all(), options
            assert pdf417.decode(picture)[0].text == "colours ¡"
        grid, size, bg_fill, fg_fill = svg_drawing(symbol.to_svg())
        assert np.array_equal(grid, drawing_of(symbol, options.get("quiet_zone", 2), 1))
        assert size == symbol.pixels.shape
        assert (fg_fill, bg_fill) == ("#%02x%02x%02x" % fg, "#%02x%02x%02x" % bg)
    for turns in (1, 2, 3):
        turned = pdf417.encode("colours ¡", rotate=90 * turns)
        grid, size, _, _ = svg_drawing(turned.to_svg())
        assert np.array_equal(grid, np.rot90(drawing_of(turned, 2, 1), -turns)), turns
        assert size == turned.pixels.shape


def test_str_is_written_in_the_character_set_of_its_eci():
    texts = [
        ("Grüße, 世界", None, "utf-8"),
        ("Grüße", 3, "latin-1"),
        ("Привет", 7, "iso8859-5"),
        ("Ωμέγα", 9, "iso8859-7"),
        ("日本語", 20, "shift_jis"),
        ("€ and ü", 23, "cp1252"),
        ("wide", 25, "utf-16-be"),
        ("中文字符", 32, "gb18030"),
    ]
    for text, eci, codec in texts:
        symbol = pdf417.encode(text, eci=eci)
        [r] = pdf417.decode(symbol.pixels, utf8=True)
        assert r.ok and r.bytes == text.encode(codec) and r.eci == [(eci or 26, 0)], (text, r)
        assert r.text == text


def test_timeout_and_utf8_apply_to_every_kind_of_input(tmp_path):
    text = "Grüße aus Zürich"
    symbol = pdf417.encode(text, eci=3)  # ISO 8859-1: the bytes are not UTF-8, the text follows the ECI
    for kind, image in inputs_of(symbol, tmp_path).items():
        [plain] = pdf417.decode(image)
        [converted] = pdf417.decode(image, utf8=True)
        assert plain.bytes == converted.bytes == text.encode("latin-1"), kind
        assert plain.text == converted.text == text, kind
    [[many]] = pdf417.decode_many([tmp_path / "symbol.bmp"], utf8=np.bool_(True))
    assert many.text == text

    # Noise makes the decoder try every reading; a budget of a millisecond runs out first.
    noise = np.random.default_rng(3).integers(0, 256, (600, 600), dtype=np.uint8)
    path = tmp_path / "noise.png"
    Image.fromarray(noise).save(path)
    for image in (noise, path, str(path), path.read_bytes(), bytearray(path.read_bytes())):
        results = pdf417.decode(image, timeout=0.001)
        assert results == [] and results.error.status == pdf417.Status.TIME_BUDGET_SPENT, type(image)
    [results] = pdf417.decode_many([path], timeout=0.001)
    assert results == [] and results.error.status == pdf417.Status.TIME_BUDGET_SPENT


def test_a_contiguous_grey_view_is_read_in_place(symbols):
    _, _, symbol = symbols[5]
    h, w = symbol.pixels.shape
    big = np.full((h + 40, w + 64), 255, np.uint8)
    big[17 : 17 + h, 9 : 9 + w] = symbol.pixels
    view = big[10 : 10 + h + 20, 3 : 3 + w + 30]  # rows are contiguous, stride is big's
    plan = pdf417._view_of(view)
    assert plan == {"format": "Grey8", "copied": False, "data": view.ctypes.data, "stride": big.strides[0]}
    assert pdf417.decode(view)[0].bytes == symbols[5][0]
    # Colour with packed pixels is read in place too (converted to grey by the library); anything
    # else is copied first.
    rgb = np.repeat(view[:, :, None], 3, axis=2)
    assert pdf417._view_of(rgb)["copied"] is False
    for strided in (view[:, ::2], view.T.copy().T, rgb[:, :, ::-1], view[::-1]):
        assert pdf417._view_of(strided)["copied"] is True


def test_misuse_raises_and_pictures_without_a_symbol_do_not(tmp_path):
    grey = np.full((20, 30), 255, np.uint8)
    wrong = [
        (grey.astype(np.float32), TypeError),
        (grey.astype(np.int16), TypeError),
        (grey.astype(bool), TypeError),
        (np.zeros((20, 30, 2), np.uint8), ValueError),
        (np.zeros((600,), np.uint8), ValueError),
        (np.zeros((2, 20, 30, 3), np.uint8), ValueError),
        (np.zeros((0, 30), np.uint8), ValueError),
        (42, TypeError),
        ("bad\0name.bmp", ValueError),
        (None, TypeError),
        ([[0, 255]], TypeError),
    ]
    for image, error in wrong:
        with pytest.raises(error):
            pdf417.decode(image)

    # Nothing decoded is an empty list whose error says why; a missing file is named.
    rng = np.random.default_rng(7)
    missing = tmp_path / "missing.bmp"
    without = [
        (grey, pdf417.Status.NO_SYMBOL_FOUND),
        (rng.integers(0, 256, (120, 200), dtype=np.uint8), pdf417.Status.NO_SYMBOL_FOUND),
        (np.zeros((10001, 3), np.uint8), pdf417.Status.FILE_UNREADABLE),
        (b"not a picture", pdf417.Status.FILE_UNREADABLE),
        (str(missing), pdf417.Status.FILE_MISSING),
        (missing, pdf417.Status.FILE_MISSING),
        (str(tmp_path), pdf417.Status.FILE_UNREADABLE),
        (str(tmp_path / "\udcff-not-utf8-missing.bmp"), pdf417.Status.FILE_MISSING),
    ]
    for image, status in without:
        results = pdf417.decode(image)
        assert results == [] and isinstance(results, pdf417.Results), results
        r = results.error
        assert r.status == status and not r.ok and r.message and r.bytes == b"" and r.text is None
        assert r.format == pdf417.Format.PDF417 and r.position is None and r.level is None
        if status == pdf417.Status.FILE_MISSING:
            assert os.fsdecode(image) in r.message, r.message
    [one, other] = pdf417.decode_many([missing, tmp_path / "other.png"])
    assert str(missing) in one.error.message and "other.png" in other.error.message


def test_python_misuse_raises_the_right_error_naming_what_is_wrong():
    grey = np.full((20, 30), 255, np.uint8)
    D, M, E = pdf417.decode, pdf417.decode_many, pdf417.encode
    cases = [
        # One path where a list of them belongs (it used to be decoded letter by letter).
        (M, ("a.png",), {}, TypeError, "iterable of paths"),
        (M, (b"a.png",), {}, TypeError, "iterable of paths"),
        (M, (pathlib.Path("a.png"),), {}, TypeError, "iterable of paths"),
        (M, (5,), {}, TypeError, "iterable of paths"),
        (M, ([b"bytes are not a path"],), {}, TypeError, "paths"),
        # Numbers and flags of the wrong type (they used to raise "Unable to cast").
        (D, (grey,), {"timeout": "1"}, TypeError, "timeout"),
        (D, (grey,), {"timeout": True}, TypeError, "timeout"),
        (D, (grey,), {"timeout": -1}, ValueError, "timeout"),
        (D, (grey,), {"timeout": float("nan")}, ValueError, "timeout"),
        (D, (grey,), {"utf8": "yes"}, TypeError, "utf8"),
        (M, ([],), {"jobs": "2"}, TypeError, "jobs"),
        (M, ([],), {"jobs": 2.5}, TypeError, "jobs"),
        (M, ([],), {"jobs": 0}, ValueError, "jobs"),
        (M, ([],), {"jobs": 2**70}, ValueError, "jobs"),
        (M, ([],), {"timeout": [1]}, TypeError, "timeout"),
        (E, ("x",), {"file_id": 12, "segment_index": 0, "segment_count": 1}, TypeError, "file_id"),
        (E, ("x",), {"compaction": 1}, TypeError, "compaction"),
        (E, ("x",), {"compact": "yes"}, TypeError, "compact"),
        (E, ("x",), {"symbology": 3}, TypeError, "symbology"),
        (E, ("x",), {"fg": ("0", "0", "0")}, TypeError, "fg"),
        (E, ("x",), {"bg": (1, 2)}, TypeError, "bg"),
        (E, ("x",), {"segment_index": "0", "segment_count": 2}, TypeError, "segment_index"),
        (E, ("x",), {"segment_index": 0, "segment_count": 2.0}, TypeError, "segment_count"),
        (E, ("x",), {"rows": 2**40}, ValueError, "rows"),
        # Data the command line refuses too.
        (E, (b"",), {}, ValueError, "no data"),
        (E, ("",), {}, ValueError, "no data"),
        (E, (3,), {}, TypeError, "int"),
        # Values out of range, or options that do not go together.
        (E, ("x",), {"symbology": "qr"}, ValueError, "symbology"),
        (E, ("x",), {"symbology": "micro", "compact": True}, ValueError, "compact"),
        (E, ("x",), {"symbology": "micro", "level": 3}, ValueError, "level"),
        (E, ("x",), {"symbology": "micro", "aspect": 3}, ValueError, "aspect"),
        (E, ("x",), {"symbology": "micro", "columns": 5}, ValueError, "4"),
        (E, ("x",), {"columns": 0}, ValueError, "columns"),
        (E, ("x",), {"level": 9}, ValueError, "level"),
        (E, ("x",), {"level": -1}, ValueError, "level"),
        (E, ("x" * 5000,), {}, ValueError, "symbol holds"),
        (E, ("x",), {"colour": 1}, TypeError, "colour"),
        (E, ("x",), {"compaction": "text"}, ValueError, "compaction"),
        (E, ("x",), {"fg": "red"}, ValueError, "fg"),
        (E, ("x",), {"bg": (0, 0, 256)}, ValueError, "bg"),
        (E, ("x",), {"rotate": 45}, ValueError, "rotate"),
        (E, ("x",), {"eci": -1}, ValueError, "eci"),
        (E, ("x",), {"eci": 899}, ValueError, "ECI 899"),  # str needs a character set
        (E, ("中",), {"eci": 3}, ValueError, "latin"),  # not in ISO 8859-1
        (E, ("x",), {"segment_index": 0}, ValueError, "segment_count"),
        (E, ("x",), {"segment_index": 3, "segment_count": 3}, ValueError, "segment_index"),
        (E, ("x",), {"file_id": "12"}, ValueError, "file_id"),
        (E, ("x",), {"aspect": 0}, ValueError, "aspect"),
        (E, ("x",), {"aspect": 3, "module_width": 3}, ValueError, "aspect"),
        (E, ("x",), {"aspect": 3, "compact": True}, ValueError, "aspect"),
        (E, ("x",), {"module_width": 20, "row_height": 20, "rows": 90}, ValueError, "pixels"),
    ]
    for name in ("columns", "rows", "level", "module_width", "row_height", "quiet_zone", "rotate", "eci", "aspect"):
        cases.append((E, ("x",), {name: "3"}, TypeError, name))
    for function, args, kwargs, error, named in cases:
        with pytest.raises(error) as raised:
            function(*args, **kwargs)
        assert named.lower() in str(raised.value).lower(), (function.__name__, args, kwargs, raised.value)
        assert "Unable to cast" not in str(raised.value)


def test_every_symbol_of_a_picture_in_page_order():
    top = pdf417.encode(b"upper symbol").pixels
    bottom = pdf417.encode(b"the lower one").pixels
    width = max(top.shape[1], bottom.shape[1])
    pad = lambda a: np.pad(a, ((0, 0), (0, width - a.shape[1])), constant_values=255)
    page = np.vstack([pad(top), np.full((40, width), 255, np.uint8), pad(bottom)])
    results = pdf417.decode(page)
    assert [r.bytes for r in results] == [b"upper symbol", b"the lower one"]
    assert all(len(r.corners) == 4 for r in results)


def test_decode_many_keeps_the_order_and_matches_decode(symbols, tmp_path):
    paths = []
    for i, (_, _, symbol) in enumerate(symbols):
        paths.append(tmp_path / f"{i}.bmp")
        symbol.save(paths[-1])
        if i % 4 == 1:
            paths.append(str(tmp_path / f"missing{i}.bmp"))
    (tmp_path / "junk.bmp").write_bytes(b"junk")
    paths.insert(3, tmp_path / "junk.bmp")
    paths = paths[::-1]
    def outcome(results):
        return [(r.status, r.bytes) for r in results] or [(results.error.status, results.error.message)]

    single = [outcome(pdf417.decode(p)) for p in paths]
    for jobs in (1, 3, None):
        many = pdf417.decode_many(paths, jobs)
        assert [outcome(rs) for rs in many] == single


def test_save_chooses_the_format_by_extension_and_a_failed_write_keeps_the_old_file(symbols, tmp_path):
    for data, _, symbol in (symbols[3], symbols[4]):  # the classic bitmap and a drawing
        pictures = {
            "s.bmp": symbol.to_bmp(),
            "s.PNG": symbol.to_png(),
            "s.svg": symbol.to_svg().encode(),
            "s": symbol.to_bmp(),
            "\udcff-not-utf8.bmp": symbol.to_bmp(),
        }
        for name, picture in pictures.items():
            symbol.save(tmp_path / name)
            assert (tmp_path / name).read_bytes() == picture, name
            if not name.endswith(".svg"):
                assert pdf417.decode(Image.open(tmp_path / name))[0].bytes == data, name
        with pytest.raises(ValueError):
            symbol.save(tmp_path / "s.gif")
        assert not (tmp_path / "s.gif").exists()
    with pytest.raises(OSError):
        symbol.save(tmp_path / "no-such-folder" / "s.bmp")
    target = tmp_path / "locked" / "old.bmp"
    target.parent.mkdir()
    target.write_bytes(b"old")
    os.chmod(target.parent, 0o500)
    try:
        if os.access(target.parent, os.W_OK):
            pytest.skip("root writes into read-only folders")
        with pytest.raises(OSError):
            symbol.save(target)
        assert target.read_bytes() == b"old"
    finally:
        os.chmod(target.parent, 0o700)


def test_python_runs_while_a_decode_runs():
    # A long decode (noise: every reading is tried) on one thread; the main thread keeps running
    # Python meanwhile only if decode released the lock. Holding it would make one gap as long as
    # the decode; a busy machine makes gaps of a few time slices.
    noise = np.random.default_rng(3).integers(0, 256, (500, 500), dtype=np.uint8)
    with ThreadPoolExecutor(1) as pool:
        started = time.perf_counter()
        future = pool.submit(pdf417.decode, noise)
        stamps = [started]
        while not future.done():
            stamps.append(time.perf_counter())
        spent = stamps[-1] - started
    assert future.result().error.status == pdf417.Status.NO_SYMBOL_FOUND
    longest = max(b - a for a, b in zip(stamps, stamps[1:]))
    assert spent > 0.05 and longest < spent / 2, (spent, longest)


def best_speedup(run_serial, run_parallel, tries=4):
    best = 0.0
    for _ in range(tries):
        t0 = time.perf_counter()
        run_serial()
        t1 = time.perf_counter()
        run_parallel()
        t2 = time.perf_counter()
        best = max(best, (t1 - t0) / (t2 - t1))
    return best


@pytest.mark.skipif((os.cpu_count() or 1) < 2, reason="one core")
def test_threads_decode_in_parallel(tmp_path):
    symbol = pdf417.encode(bytes(range(256)) * 3, columns=12, level=5, compaction="byte")
    pixels = symbol.pixels
    path = tmp_path / "s.bmp"
    symbol.save(path)
    batch = 100
    with ThreadPoolExecutor(2) as pool:
        # Python threads, each calling decode: they overlap only if the lock is released.
        threads = best_speedup(
            lambda: [pdf417.decode(pixels) for _ in range(batch)],
            lambda: list(pool.map(pdf417.decode, [pixels] * batch)),
        )
    pooled = best_speedup(
        lambda: pdf417.decode_many([path] * batch, jobs=1),
        lambda: pdf417.decode_many([path] * batch, jobs=2),
    )
    print(f"speed-up on 2 threads: Python threads {threads:.2f}, decode_many {pooled:.2f}")
    # Two idle cores give about 1.9. Other programs busy on the cores leave less to gain: then
    # the numbers are reported, not judged.
    if min(threads, pooled) <= 1.3 and os.getloadavg()[0] > (os.cpu_count() or 1) - 0.5:
        pytest.skip(f"machine too busy to measure: speed-ups {threads:.2f}, {pooled:.2f}")
    assert threads > 1.3 and pooled > 1.3, (threads, pooled)


def test_the_stub_names_everything_the_module_offers():
    package = pathlib.Path(pdf417.__file__).parent
    assert (package / "py.typed").exists()
    stub = (package / "__init__.pyi").read_text()
    for name in dir(pdf417):
        if not name.startswith("__") and not inspect.ismodule(getattr(pdf417, name)):
            assert f"def {name}(" in stub or f"class {name}" in stub, name
    for cls in (pdf417.Result, pdf417.Symbol, pdf417.Results):
        for name in set(dir(cls)) - set(dir(list)):
            if not name.startswith("_"):
                assert f" {name}" in stub, (cls, name)
    # The functions' parameters and defaults as the module states them in its signatures.
    stub_functions = {f.name: f for f in ast.parse(stub).body if isinstance(f, ast.FunctionDef)}

    def parameters(function):
        a = function.args
        defaults = [ast.dump(d) if d else "-" for d in a.defaults + a.kw_defaults]
        return [p.arg for p in a.posonlyargs + a.args], [p.arg for p in a.kwonlyargs], defaults

    for name in ("encode", "decode", "decode_many"):
        signature = getattr(pdf417, name).__doc__.splitlines()[0]
        module_function = ast.parse(f"def {signature}: pass").body[0]
        assert parameters(module_function) == parameters(stub_functions[name]), name


def public_fields(result):
    return {name: getattr(result, name) for name in dir(result) if not name.startswith("_")}


@pytest.mark.skipif(shutil.which("zint") is None, reason="zint is not installed")
def test_what_another_encoder_writes_is_reported_and_survives_pickling(tmp_path):
    # zint, run as a black box, writes what our encoder does not: several ECI segments, Macro
    # blocks with a segment count.
    T, B, M = pdf417.ContentType.TEXT, pdf417.ContentType.BINARY, pdf417.ContentType.MIXED
    cases = [
        (["--eci=7", "-d", "Привет"], lambda r: r.eci == [(7, 0)] and r.macro is None, T, "]L1"),
        (["--eci=899", "-d", "ab", "--seg1=3,text"], lambda r: r.eci == [(899, 0), (3, 2)], M, "]L1"),
        (
            ["--structapp=2,3,4711", "-d", "part two"],
            lambda r: r.macro == {"segment_index": 1, "segment_count": 3, "file_id": "471001", "last_segment": False},
            T,
            "]L2",
        ),
        (["--binary", "-d", "\\x00\\x01", "--esc"], lambda r: r.bytes == b"\x00\x01", B, "]L2"),
    ]
    decoded = []
    for i, (args, check, content, identifier) in enumerate(cases):
        path = tmp_path / f"zint{i}.bmp"
        subprocess.run(["zint", "-b", "55", "-o", str(path), *args], check=True)
        [r] = pdf417.decode(path)
        assert r.ok and check(r), (args, r)
        assert (r.content_type, r.symbology_identifier) == (content, identifier), args
        decoded.append(r)
    nothing = pdf417.decode(np.zeros((30, 30), np.uint8))
    everything = pdf417.Results(decoded)
    for results in (everything, nothing):
        copy = pickle.loads(pickle.dumps(results))
        assert type(copy) is pdf417.Results and len(copy) == len(results)
        for r, c in zip(results + [results.error], copy + [copy.error]):
            assert (r is None) == (c is None) and (r is None or public_fields(c) == public_fields(r))
