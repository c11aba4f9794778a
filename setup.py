"""Builds the tav Python package with CMake.

The package is a directory `tav/` holding the generated proxy module as `__init__.py` (its
relative `from . import _tav` then finds the extension module beside it), the extension module
`_tav`, the module `protocol` with its extension module `_protocol`, the type stubs
`__init__.pyi` and `protocol.pyi`, and the `py.typed` marker. The CMake target
tav_python_package assembles exactly this directory; build_ext copies it.

All of it is written by build_ext straight into the build directory. build_py runs before
build_ext and would not see a generated proxy module, so nothing here relies on it.

    pip install --no-build-isolation .

needs CMake, a C++17 compiler, SWIG 4.1 and the headers of the interpreter that runs pip.
Environment: CMAKE_BUILD_PARALLEL_LEVEL limits the parallel jobs; TAV_SETUP_BUILD_DIR moves the
setuptools build directory (default build/python under the source tree).
"""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE_DIR = Path(__file__).resolve().parent
BUILD_DIR = Path(os.environ.get("TAV_SETUP_BUILD_DIR", SOURCE_DIR / "build" / "python")).resolve()


def project_version():
    """The version of the CMake project, the single place where it is set."""
    text = (SOURCE_DIR / "CMakeLists.txt").read_text(encoding="utf-8")
    match = re.search(r"project\(\s*tav\s+VERSION\s+([0-9.]+)", text)
    if not match:
        raise RuntimeError("no project(tav VERSION ...) in CMakeLists.txt")
    return match.group(1)


class CMakeExtension(Extension):
    """The extension module built by the CMake target of the same name."""

    def __init__(self, name, target):
        super().__init__(name, sources=[])
        self.target = target


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        cmake_dir = Path(self.build_temp).resolve() / "cmake"
        configure = [
            "cmake",
            "-S", str(SOURCE_DIR),
            "-B", str(cmake_dir),
            "-DCMAKE_BUILD_TYPE=Release",
            "-DTAV_BUILD_PYTHON=ON",
            "-DTAV_BUILD_TESTS=OFF",
            "-DTAV_BUILD_EXAMPLES=OFF",
            "-DTAV_INSTALL=OFF",
            f"-DPython3_EXECUTABLE={sys.executable}",
        ]
        if shutil.which("ninja") and not (cmake_dir / "CMakeCache.txt").exists():
            configure += ["-G", "Ninja"]
        subprocess.run(configure, check=True)
        build = ["cmake", "--build", str(cmake_dir), "--target", ext.target]
        if os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL"):
            build += ["--parallel", os.environ["CMAKE_BUILD_PARALLEL_LEVEL"]]
        subprocess.run(build, check=True)

        assembled = cmake_dir / "out" / "python" / "tav"
        module = Path(self.get_ext_fullpath(ext.name))
        package = module.parent
        package.mkdir(parents=True, exist_ok=True)
        for path in sorted(assembled.iterdir()):
            target = module if path.name == "_tav.so" else package / path.name
            self.copy_file(str(path), str(target))


BUILD_DIR.mkdir(parents=True, exist_ok=True)
setup(
    version=project_version(),
    # The package directory exists only in the build tree (see build_ext above).
    packages=[],
    py_modules=[],
    ext_modules=[CMakeExtension("tav._tav", target="tav_python_package")],
    cmdclass={"build_ext": CMakeBuild},
    options={
        "build": {"build_base": str(BUILD_DIR)},
        "egg_info": {"egg_base": str(BUILD_DIR)},
    },
    zip_safe=False,
)
