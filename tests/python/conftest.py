# Shared pieces of the Python module's tests.
import pytest

import pdf417


@pytest.fixture(scope="session")
def symbols():
    """A varied set of (data, encode options, symbol): lengths, byte values, columns, rows, levels,
    the drawing options (module width, row height, quiet zone, rotation), byte compaction, and the
    classic bitmap (aspect)."""
    cases = []
    for i in range(12):
        data = bytes((i * 37 + k * 11) % 256 for k in range(3 + i * 17))
        options = dict(columns=2 + i % 9, level=i % 6)
        if i % 3 == 0:
            options.update(aspect=2 + i % 4)
        else:
            options.update(
                module_width=1 + i % 3,
                row_height=2 + i % 5,
                quiet_zone=i % 4,
                rotate=90 * (i % 4),
                compaction="byte" if i % 4 == 1 else "auto",
            )
        cases.append((data, options))
    cases.append(("Grüße, 世界", dict()))
    cases.append((b"\x00", dict(columns=1, level=0, aspect=1)))
    cases.append((b"0123456789" * 8, dict(rows=20)))
    return [(data, options, pdf417.encode(data, **options)) for data, options in cases]
