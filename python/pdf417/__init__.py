"""PDF417 barcodes: decode(image) reads the symbols in a picture, encode(data) makes one.

PDF417, compact PDF417 and MicroPDF417 (encoding). Decoding and encoding release the
interpreter's lock, so threads run in parallel; decode_many decodes many files on its own threads.
Installed as the distribution pdf417-codec, imported as pdf417.
"""
import typing as _typing


class Point(_typing.NamedTuple):
    """A position in the picture, in pixels from its top-left corner."""

    x: float
    y: float


class Position(_typing.NamedTuple):
    """Where a symbol lies: its corners as the symbol reads (top-left is where its first row
    starts, whatever the symbol's turn in the picture)."""

    top_left: Point
    top_right: Point
    bottom_right: Point
    bottom_left: Point


class Results(list):
    """What decode returns: the symbols read (Result objects), in page order. When none was
    read the list is empty and `error` is the Result that says why (its status and message: a
    missing or unreadable file, no symbol, errors beyond correction, the time budget spent);
    otherwise `error` is None."""

    def __init__(self, results=(), error: "_typing.Optional[Result]" = None):
        super().__init__(results)
        self.error = error

    def __repr__(self):
        if self or self.error is None:
            return f"Results({list.__repr__(self)})"
        return f"Results([], error={self.error!r})"


# The compiled module builds its results with the classes above, so it is imported after them.
from ._pdf417 import (  # noqa: E402
    ContentType,
    Format,
    Result,
    Status,
    Symbol,
    __version__,
    _cpp_seconds_per_decode,
    _view_of,
    decode,
    decode_many,
    encode,
)

__all__ = [
    "ContentType",
    "Format",
    "Point",
    "Position",
    "Result",
    "Results",
    "Status",
    "Symbol",
    "decode",
    "decode_many",
    "encode",
]
