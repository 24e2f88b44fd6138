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


def _run(name, points, seconds, **fields):
    """One entry of a Google Benchmark JSON document as bench_peer_sizes writes it."""
    entry = {"name": f"{name}/{points}/min_time:0.200", "run_name": f"{name}/{points}/min_time:0.200",
             "run_type": "iteration", "ns_per_point": seconds}
    entry.update(fields)
    if fields.get("run_type") == "aggregate":
        entry["name"] += "_" + fields["aggregate_name"]
    return entry


def test_performance_plot_takes_medians_and_compares_imports_with_the_peer(tmp_path):
    pytest.importorskip("matplotlib")
    import json

    runs = [
        # Repetitions with their aggregates: the median is taken, not the mean nor a single run.
        _run("BM_Import_DoReadFile", 1000, 9e-8),
        _run("BM_Import_DoReadFile", 1000, 5e-7),
        _run("BM_Import_DoReadFile", 1000, 2.4e-7, run_type="aggregate", aggregate_name="mean"),
        _run("BM_Import_DoReadFile", 1000, 1e-7, run_type="aggregate", aggregate_name="median"),
        _run("BM_Import_DoReadFile", 1000, 4e-9, run_type="aggregate", aggregate_name="stddev"),
        # Without aggregates, the median of the runs.
        _run("BM_Peer_XylibText", 1000, 2e-7),
        _run("BM_Peer_XylibText", 1000, 4e-7),
        _run("BM_Peer_XylibText", 1000, 9e-7),
        _run("BM_Width", 1000000, 1.25e-7),
        # A case that failed gives no figure.
        _run("BM_Background", 1000, 1e-3, error_occurred=True),
    ]
    source = tmp_path / "sizes.json"
    source.write_text(json.dumps({"context": {}, "benchmarks": runs}))
    picture = tmp_path / "images" / "performance.png"
    done = run_python(REPO / "docs" / "performance_plot.py", source, "--plot", picture)
    assert done.returncode == 0, done.stderr
    rows = done.stdout.splitlines()
    assert rows[0] == "| Operation | Points | ns/point | ours/peer |"
    assert "| import: DoReadFile (reader, errors, width) | 1,000 | 100.0 | 0.25 |" in rows
    assert "| import: xylib load_file (peer) | 1,000 | 400.0 |  |" in rows
    assert "| width: DetectFeatureWidth | 1,000,000 | 125.0 | no peer |" in rows
    assert not any("background" in r for r in rows)
    assert picture.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"


def test_performance_plot_refuses_output_without_the_counter(tmp_path):
    source = tmp_path / "other.json"
    source.write_text('{"benchmarks": [{"name": "BM_Other", "run_name": "BM_Other", "real_time": 1.0}]}')
    done = run_python(REPO / "docs" / "performance_plot.py", source, "--plot", tmp_path / "p.png")
    assert done.returncode != 0 and "no case with an ns_per_point counter" in done.stderr
    assert not (tmp_path / "p.png").exists()
    (tmp_path / "broken.json").write_text("{")
    done = run_python(REPO / "docs" / "performance_plot.py", tmp_path / "broken.json")
    assert done.returncode != 0 and "broken.json" in done.stderr
