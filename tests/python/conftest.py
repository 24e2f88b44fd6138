"""Shared fixtures of the Python tests: the samples folder, the command-line tool, synthetic patterns, and a
settings store of the tests' own (so that the user's stored defaults never change a result)."""

import os
import subprocess
import sys
import tempfile
from pathlib import Path

import numpy as np
import pytest

_store = tempfile.mkdtemp(prefix="xrddata-pytest-")
os.environ["XRDDATA_USER_REGISTRY"] = os.path.join(_store, "user.reg")
os.environ["XRDDATA_SYSTEM_REGISTRY"] = os.path.join(_store, "system.reg")

REPO = Path(os.environ.get("XRDDATA_SOURCE_DIR", Path(__file__).resolve().parents[2]))


def samples_dir():
    """The real instrument files ($XRDDATA_SAMPLES_DIR, else ../shared/samples beside the checkout), or None."""
    for candidate in (os.environ.get("XRDDATA_SAMPLES_DIR"), os.environ.get("XRDDATA_SAMPLES_DIR_DEFAULT"),
                      REPO.parent / "shared" / "samples"):
        if candidate and Path(candidate).is_dir():
            return Path(candidate).resolve()
    return None


def sample_files():
    d = samples_dir()
    if d is None:
        return []
    return sorted(p for p in d.rglob("*") if p.is_file() and p.name != "SOURCES.md")


@pytest.fixture
def samples():
    d = samples_dir()
    if d is None:
        pytest.skip("the samples folder (../shared/samples) is absent")
    return d


@pytest.fixture(scope="session")
def tool():
    """Runs the command-line tool: tool(*args) -> CompletedProcess."""
    exe = os.environ.get("XRDDATA_TOOL")
    if not exe or not os.path.exists(exe):
        pytest.skip("the command-line tool is not built (XRDDATA_TOOL)")

    def run(*args, check=True):
        return subprocess.run([exe, *map(str, args)], capture_output=True, text=True, check=check)

    return run


def synthetic(n=4001, first=20.0, last=80.0, seed=1):
    """A Cu pattern: K-alpha1/K-alpha2 doublets of a few peaks on a sloping background, with Poisson noise."""
    rng = np.random.default_rng(seed)
    x = np.linspace(first, last, n)
    ka2 = np.degrees(2 * np.arcsin(1.54439 / 1.54056 * np.sin(np.radians(x / 2))))  # not used for shape
    del ka2
    y = 200.0 + 1.5 * (x - first)
    for centre, height in ((25.6, 3000.0), (35.2, 8000.0), (43.4, 5000.0), (57.5, 6000.0), (68.2, 2500.0)):
        c2 = np.degrees(2 * np.arcsin(1.54439 / 1.54056 * np.sin(np.radians(centre / 2))))
        y += height / (1 + ((x - centre) / 0.06) ** 2) + 0.5 * height / (1 + ((x - c2) / 0.06) ** 2)
    return x, rng.poisson(y).astype(np.float64)


def read_columns(path):
    """The numbers of a .xye file (two-theta, counts, error)."""
    return np.loadtxt(path, ndmin=2).T


def run_python(*args, **kwargs):
    return subprocess.run([sys.executable, *map(str, args)], capture_output=True, text=True, **kwargs)
