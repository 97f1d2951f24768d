"""Builds the compiled module pdf417._pdf417 with the project's CMake for `pip install .` and
`pip wheel .` (the metadata is in pyproject.toml).

The CMake step configures a build of the module alone (Release, the static codec libraries, no
tests or window) under setuptools' temporary folder, for the interpreter that runs pip. Set
PDF417_CMAKE_BUILD_DIR to an existing build tree configured with -DPDF417_BUILD_PYTHON=ON for the
same interpreter to use its module instead (it is brought up to date first): the packaging test
does so. CMAKE_BUILD_PARALLEL_LEVEL limits the compile jobs (default: the number of cores).
"""
import os
import re
import shutil
import subprocess
import sys
import sysconfig
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def version():
    """The project's version, from the top-level CMakeLists.txt (the one source of it)."""
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(Pdf417 VERSION (\d+\.\d+\.\d+)", text).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = os.environ.get("PDF417_CMAKE_BUILD_DIR")
        if build:
            build = Path(build).resolve()
        else:
            build = Path(self.build_temp).resolve() / "cmake"
            generator = ["-G", "Ninja"] if shutil.which("ninja") else []
            subprocess.run(
                ["cmake", "-S", str(ROOT), "-B", str(build), *generator,
                 "-DCMAKE_BUILD_TYPE=Release", "-DBUILD_SHARED_LIBS=OFF",
                 "-DPDF417_BUILD_PYTHON=ON", "-DPDF417_BUILD_TESTS=OFF", "-DPDF417_BUILD_APP=OFF",
                 f"-DPython3_EXECUTABLE={sys.executable}"],
                check=True,
            )
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL") or str(os.cpu_count() or 1)
        subprocess.run(["cmake", "--build", str(build), "--target", "pdf417_python", "--parallel", jobs],
                       check=True)
        built = build / "python" / "pdf417" / ("_pdf417" + sysconfig.get_config_var("EXT_SUFFIX"))
        if not built.exists():
            sys.exit(f"{built} is missing: the build tree's module is not for {sys.executable}")
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)


# setuptools' own files (egg-info, build folders) go under build/, which git ignores.
(ROOT / "build").mkdir(exist_ok=True)
setup(
    options={"egg_info": {"egg_base": "build"}},
    version=version(),
    ext_modules=[Extension("pdf417._pdf417", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
)
