# Types of the pdf417 module (a compiled extension).
import enum
import os
from typing import Iterable, Optional, Union

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

class Symbol:
    pixels: npt.NDArray[np.uint8]
    rows: int
    columns: int
    level: int
    aspect: int
    @property
    def width(self) -> int: ...
    @property
    def height(self) -> int: ...
    def __array__(self, *args: object) -> npt.NDArray[np.uint8]: ...
    def to_bmp(self) -> bytes: ...
    def to_png(self) -> bytes: ...
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
    data: Union[str, bytes, bytearray, memoryview], *, columns: int = 5, level: int = 1, aspect: int = 3
) -> Symbol: ...
def _cpp_seconds_per_decode(image: Image, repeats: int) -> float: ...
def _view_of(image: Image) -> dict[str, Union[str, bool, int]]: ...
