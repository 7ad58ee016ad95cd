# The Python module kolvane, built from the same sources as the commands:
#   python3 -m venv --system-site-packages venv && . venv/bin/activate
#   pip install --no-build-isolation --no-index .
# Debian's pybind11 (python3-pybind11), FFTW (libfftw3-dev) and matio
# (libmatio-dev) are all it needs.
import os
from glob import glob

from pybind11.setup_helpers import ParallelCompile, Pybind11Extension, build_ext
from setuptools import setup

# Every figure depends on the last bit of the one before it: no contraction
# into fused multiply-adds, no fast-math, as in the CMake build.
ParallelCompile(default=os.cpu_count() or 2).install()

sources = sorted(path for path in glob("src/**/*.cpp", recursive=True) if not path.endswith("/main.cpp"))

setup(
    ext_modules=[
        Pybind11Extension(
            "kolvane",
            sources,
            include_dirs=["src"],
            libraries=["fftw3", "matio"],
            cxx_std=20,
            extra_compile_args=["-O2", "-ffp-contract=off", "-fno-fast-math"],
        )
    ],
    cmdclass={"build_ext": build_ext},
    # Its own build folder, beside CMake's build/.
    options={"build": {"build_base": "build-python"}},
)
