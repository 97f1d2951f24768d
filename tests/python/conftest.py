# Shared pieces of the Python module's tests.
import pytest

import pdf417


@pytest.fixture(scope="session")
def symbols():
    """A varied set of (data, encode options) pairs: lengths, byte values, columns, levels, aspects."""
    cases = []
    for i in range(12):
        data = bytes((i * 37 + k * 11) % 256 for k in range(3 + i * 17))
        cases.append((data, dict(columns=2 + i % 9, level=i % 6, aspect=2 + i % 4)))
    cases.append(("Grüße, 世界", dict()))
    cases.append((b"\x00", dict(columns=1, level=0, aspect=1)))
    return [(data, options, pdf417.encode(data, **options)) for data, options in cases]
