# `pip wheel .` and `pip install .` into a fresh virtual environment, offline, as a user installs
# the package; the compiled module is the build tree's (PDF417_CMAKE_BUILD_DIR, see setup.py), so
# nothing is compiled twice. CTest runs it as python.install.
import json
import os
import pathlib
import subprocess
import sys
import zipfile

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
BUILD = os.environ.get("PDF417_CMAKE_BUILD_DIR")

CHECK = """
import importlib.metadata, json, pdf417
r = pdf417.decode(pdf417.encode("installed", symbology="compact").to_png())
print(json.dumps({"file": pdf417.__file__, "version": pdf417.__version__, "text": r[0].text,
                  "distribution": importlib.metadata.version("pdf417-codec")}))
"""


def run(*command, **options):
    done = subprocess.run(command, capture_output=True, text=True, **options)
    assert done.returncode == 0, (command, done.stdout[-2000:], done.stderr[-2000:])
    return done.stdout


@pytest.mark.skipif(not BUILD, reason="needs PDF417_CMAKE_BUILD_DIR, a build tree with the module")
def test_pip_wheel_and_install_into_a_fresh_virtual_environment(tmp_path):
    venv = tmp_path / "env"
    run(sys.executable, "-m", "venv", "--system-site-packages", str(venv))
    python = str(venv / "bin" / "python")
    env = {**os.environ, "PIP_NO_INDEX": "1", "PIP_NO_CACHE_DIR": "1", "PIP_DISABLE_PIP_VERSION_CHECK": "1"}
    env.pop("PYTHONPATH", None)

    run(python, "-m", "pip", "wheel", "--no-build-isolation", "--no-deps", "-w", str(tmp_path), str(ROOT), env=env)
    [wheel] = tmp_path.glob("pdf417_codec-*.whl")
    with zipfile.ZipFile(wheel) as archive:
        names = archive.namelist()
        metadata = archive.read(next(n for n in names if n.endswith(".dist-info/METADATA"))).decode()
    for shipped in ("pdf417/__init__.py", "pdf417/__init__.pyi", "pdf417/py.typed", "pdf417/_pdf417.cpython"):
        assert any(n.startswith(shipped) for n in names), (shipped, names)
    assert any(n.endswith(".dist-info/LICENSE") for n in names), names
    assert "Name: pdf417-codec" in metadata and "License: Apache-2.0" in metadata

    run(python, "-m", "pip", "install", "--no-build-isolation", str(ROOT), env=env)
    seen = json.loads(run(python, "-c", CHECK, cwd=tmp_path, env=env))
    assert pathlib.Path(seen["file"]).is_relative_to(venv), seen
    assert seen["text"] == "installed"
    assert seen["version"] == seen["distribution"]
    cli = os.environ.get("PDF417_CLI")
    if cli:
        assert run(cli, "--version").split() == ["pdf417", seen["version"]]
