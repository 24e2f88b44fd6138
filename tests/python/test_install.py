"""cmake --install puts a working package into the interpreter's site-packages (staged here under DESTDIR)."""

import os
import shutil
import subprocess
import sys

import pytest

from conftest import REPO


def test_installed_package_imports_and_reads(tmp_path):
    build = os.environ.get("XRDDATA_BUILD_DIR")
    site = os.environ.get("XRDDATA_PYTHON_INSTALL_DIR")
    cmake = shutil.which("cmake")
    if not (build and site and cmake):
        pytest.skip("run through ctest (needs the build folder and cmake)")
    stage = tmp_path / "stage"
    env = dict(os.environ, DESTDIR=str(stage))
    subprocess.run([cmake, "--install", build], env=env, check=True, capture_output=True)
    package = stage / site.lstrip("/") / "xrddata"
    assert {"__init__.py", "__init__.pyi", "batch.py", "py.typed"} <= set(os.listdir(package))
    env = {k: v for k, v in os.environ.items() if k not in ("PYTHONPATH", "LD_LIBRARY_PATH")}
    env["PYTHONPATH"] = str(package.parent)
    code = ("import sys, xrddata, xrddata.batch; assert xrddata.__file__.startswith(sys.argv[1]); "
            "p = xrddata.Pattern.read(sys.argv[2]); print(len(p))")
    done = subprocess.run([sys.executable, "-c", code, str(stage), str(REPO / "examples" / "corundum.raw")],
                          env=env, capture_output=True, text=True, cwd=tmp_path)
    assert done.returncode == 0, done.stderr
    assert int(done.stdout) > 1000
