"""pip wheel . / pip install . : the package xalt1 built by the project's own CMake build
(python/), so that pip and `make python` compile the same module from the same library
sources."""

import os
import re
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.abspath(__file__))


def project_version():
    """The version of the CMake project, the one place it is written."""
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as cmake:
        return re.search(r"project\(xalt1 VERSION ([0-9.]+)", cmake.read()).group(1)


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    """Builds the target xalt1_python into the folder the wheel is made from: the compiled
    module, the package's Python files and the shipped table."""

    def build_extension(self, ext):
        package_root = os.path.abspath(os.path.dirname(os.path.dirname(self.get_ext_fullpath(
            ext.name))))
        build_dir = os.path.abspath(os.path.join(self.build_temp, "cmake"))
        os.makedirs(build_dir, exist_ok=True)
        subprocess.run(
            ["cmake", "-S", ROOT, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release",
             "-DXALT1_TESTS=OFF", "-DXALT1_FIT_TOOL=OFF", "-DXALT1_BENCH=OFF",
             "-DXALT1_PYTHON=ON",
             f"-DPython3_EXECUTABLE={sys.executable}", f"-DXALT1_PYTHON_DIR={package_root}"],
            check=True)
        jobs = os.environ.get("JOBS", "2")
        subprocess.run(["cmake", "--build", build_dir, "-j", jobs, "--target", "xalt1_python"],
                       check=True)


setup(
    name="xalt1",
    version=project_version(),
    description="Thermodynamic properties of pure fluids from a molecular equation of state",
    packages=["xalt1"],
    package_dir={"": "python"},
    ext_modules=[CMakeExtension("xalt1._xalt1")],
    cmdclass={"build_ext": CMakeBuild},
    install_requires=["numpy"],
    extras_require={"chart": ["matplotlib"]},
    python_requires=">=3.9",
    zip_safe=False,
)
