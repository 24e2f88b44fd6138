"""The tour of docs/python.md runs and draws its picture."""

import pytest

from conftest import REPO, run_python


def test_tour_script_draws_the_plot(tmp_path):
    pytest.importorskip("matplotlib")
    out = tmp_path / "tour.png"
    done = run_python(REPO / "docs" / "python_tour.py", out)
    assert done.returncode == 0, done.stderr
    assert out.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n" and out.stat().st_size > 10_000
    assert "wrote" in done.stdout
