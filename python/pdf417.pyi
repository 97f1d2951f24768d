# Types of the pdf417 module (a compiled extension).
import enum
import os
from typing import Iterable, Literal, Optional, Union

import numpy as np
import numpy.typing as npt
import PIL.Image

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

class Result:
    @property
    def ok(self) -> bool: ...
    status: Status
    message: str
    @property
    def bytes(self) -> bytes: ...
    @property
    def text(self) -> Optional[str]: ...
    rows: int
    columns: int
    level: int
    corrected: int
    erasures: int
    reading: str
    warnings: list[str]
    @property
    def corners(self) -> list[tuple[float, float]]: ...
    @property
    def eci(self) -> list[tuple[int, int]]: ...
    @property
    def macro(self) -> Optional[dict[str, Union[int, str, bool]]]: ...

Colour = Union[str, tuple[int, int, int]]

class Symbol:
    modules: npt.NDArray[np.uint8]
    pixels: npt.NDArray[np.uint8]
    @property
    def rows(self) -> int: ...
    @property
    def columns(self) -> int: ...
    @property
    def level(self) -> int: ...
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
    def __array__(self, *args: object) -> npt.NDArray[np.uint8]: ...
    def to_bmp(self) -> bytes: ...
    def to_png(self) -> bytes: ...
    def to_svg(self) -> str: ...
    def save(self, path: Union[str, os.PathLike]) -> None: ...

def decode(image: Image, *, timeout: Optional[float] = None, utf8: bool = False) -> list[Result]: ...
def decode_many(
    paths: Iterable[Union[str, os.PathLike]],
    jobs: Optional[int] = None,
    *,
    timeout: Optional[float] = None,
    utf8: bool = False,
) -> list[list[Result]]: ...
def encode(
    data: Union[str, bytes, bytearray, memoryview],
    *,
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
