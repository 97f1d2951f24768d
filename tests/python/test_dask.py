# The Dask example decodes a folder of generated pictures on a local cluster of 2 worker processes.
import os
import pathlib
import sys

import numpy as np
import pytest
from PIL import Image

import pdf417

EXAMPLES = pathlib.Path(__file__).resolve().parents[2] / "examples"
sys.path.insert(0, str(EXAMPLES))
dask_decode = pytest.importorskip("dask_decode")
distributed = pytest.importorskip("distributed")


@pytest.mark.filterwarnings("ignore::DeprecationWarning")
def test_dask_example_decodes_every_picture_on_two_workers(tmp_path):
    expected = {}
    for i in range(300):
        data = f"form {i:04d} ".encode() + bytes((i * k) % 256 for k in range(i % 60))
        path = tmp_path / f"batch{i % 3}" / f"{i:04d}.bmp"
        path.parent.mkdir(exist_ok=True)
        pdf417.encode(data, columns=3 + i % 8, level=i % 5).save(path)
        expected[str(path)] = ("DECODED", data)
    blank = tmp_path / "blank.bmp"
    Image.fromarray(np.full((40, 60), 255, np.uint8)).save(blank)
    expected[str(blank)] = ("NO_SYMBOL_FOUND", b"")
    (tmp_path / "broken.bmp").write_bytes(b"BM broken")
    expected[str(tmp_path / "broken.bmp")] = ("FILE_UNREADABLE", b"")
    (tmp_path / "notes.txt").write_text("not a picture")

    # Worker processes find the package and the example the way this process does.
    package_parent = os.path.dirname(os.path.dirname(pdf417.__file__))
    os.environ["PYTHONPATH"] = os.pathsep.join([str(EXAMPLES), package_parent, os.environ.get("PYTHONPATH", "")])
    with distributed.LocalCluster(
        n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None
    ) as cluster, distributed.Client(cluster) as client:
        assert len(client.scheduler_info()["workers"]) == 2
        table = dask_decode.decode_folder(client, tmp_path, batch_size=25)
    assert [row[0] for row in table] == sorted(expected)
    assert {path: (status, data) for path, status, data in table} == expected
