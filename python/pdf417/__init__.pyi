# Types of the pdf417 package (a compiled module, pdf417._pdf417, and the classes of __init__.py).
import enum
import os
from typing import Any, Iterable, Literal, NamedTuple, Optional, Union

import numpy as np
import numpy.typing as npt
import PIL.Image

__version__: str

Image = Union[str, os.PathLike, bytes, bytearray, memoryview, npt.NDArray[np.uint8], PIL.Image.Image]

class Status(enum.Enum):
    DECODED: int
    FILE_MISSING: int
    FILE_UNREADABLE: int
    NO_SYMBOL_FOUND: int
    NOT_CORRECTABLE: int
    INTERNAL_ERROR: int
    TIME_BUDGET_SPENT: int
    CANCELLED: int

class Format(enum.Enum):
    PDF417: int
    COMPACT_PDF417: int
    MICRO_PDF417: int

class ContentType(enum.Enum):
    TEXT: int
    BINARY: int
    MIXED: int
    ISO15434: int
    UNKNOWN_ECI: int

class Point(NamedTuple):
    x: float
    y: float

class Position(NamedTuple):
    top_left: Point
    top_right: Point
    bottom_right: Point
    bottom_left: Point

class Result:
    @property
    def ok(self) -> bool: ...
    status: Status
    message: str
    @property
    def bytes(self) -> bytes: ...
    @property
    def text(self) -> Optional[str]: ...
    format: Format
    @property
    def content_type(self) -> ContentType: ...
    @property
    def symbology_identifier(self) -> str: ...
    rows: int
    columns: int
    @property
    def level(self) -> Optional[int]: ...
    @property
    def ec_level(self) -> str: ...
    corrected: int
    erasures: int
    reading: str
    warnings: list[str]
    @property
    def position(self) -> Optional[Position]: ...
    @property
    def orientation(self) -> int: ...
    inverted: bool
    page: int  # 0-based page of a TIFF of several pages; 0 for every other picture
    pages: int
    @property
    def corners(self) -> list[tuple[float, float]]: ...
    @property
    def eci(self) -> list[tuple[int, int]]: ...
    @property
    def macro(self) -> Optional[dict[str, Union[int, str, bool, None]]]: ...

class Results(list[Result]):
    error: Optional[Result]
    def __init__(self, results: Iterable[Result] = ..., error: Optional[Result] = ...) -> None: ...

Colour = Union[str, tuple[int, int, int]]

class Symbol:
    modules: npt.NDArray[np.uint8]
    pixels: npt.NDArray[np.uint8]
    @property
    def format(self) -> Format: ...
    @property
    def rows(self) -> int: ...
    @property
    def columns(self) -> int: ...
    @property
    def level(self) -> Optional[int]: ...
    @property
    def compact(self) -> bool: ...
    @property
    def codewords(self) -> list[int]: ...
    @property
    def data_codewords(self) -> int: ...
    @property
    def row_height(self) -> int: ...
    @property
    def aspect(self) -> Optional[int]: ...
    @property
    def warnings(self) -> list[str]: ...
    @property
    def width(self) -> int: ...
    @property
    def height(self) -> int: ...
    def __array__(self, dtype: Any = None, copy: Optional[bool] = None) -> npt.NDArray[Any]: ...
    @property
    def __array_interface__(self) -> dict[str, Any]: ...
    def to_pil(self) -> PIL.Image.Image: ...
    def to_bmp(self) -> bytes: ...
    def to_png(self) -> bytes: ...
    def to_svg(self) -> str: ...
    def save(self, path: Union[str, os.PathLike]) -> None: ...

def decode(image: Image, *, timeout: Optional[float] = None, utf8: bool = False) -> Results: ...
def decode_many(
    paths: Iterable[Union[str, os.PathLike]],
    jobs: Optional[int] = None,
    *,
    timeout: Optional[float] = None,
    utf8: bool = False,
) -> list[Results]: ...
def encode(
    data: Union[str, bytes, bytearray, memoryview],
    *,
    symbology: Union[Literal["pdf417", "compact", "micro"], Format] = "pdf417",
    columns: Optional[int] = None,
    rows: Optional[int] = None,
    level: Optional[int] = None,
    compaction: Literal["auto", "byte"] = "auto",
    module_width: int = 2,
    row_height: int = 3,
    quiet_zone: int = 2,
    fg: Colour = "000000",
    bg: Colour = "ffffff",
    rotate: Literal[0, 90, 180, 270] = 0,
    eci: Optional[int] = None,
    segment_index: Optional[int] = None,
    segment_count: Optional[int] = None,
    file_id: Optional[str] = None,
    compact: bool = False,
    aspect: Optional[int] = None,
) -> Symbol: ...
def _cpp_seconds_per_decode(image: Image, repeats: int) -> float: ...
def _view_of(image: Image) -> dict[str, Union[str, bool, int]]: ...
