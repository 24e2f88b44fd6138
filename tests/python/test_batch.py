"""xrddata.batch: many files on a two-process Dask cluster with a corrupt one among them, the local scheduler, and
the command line."""

import os

import numpy as np
import pytest

import xrddata
from conftest import read_columns, run_python, synthetic
from xrddata.batch import output_names, process_many


def _inputs(folder, count, corrupt=None):
    x, y = synthetic(n=301)
    paths = []
    for i in range(count):
        path = folder / f"scan{i:03d}.csv"
        if i == corrupt:
            path.write_bytes(b"two_theta,intensity,error\n10,not a number,1\n\x00\x01garbage\n")
        else:
            xrddata.Pattern(x, y + i).write(path)
        paths.append(path)
    return paths


def test_process_many_on_a_two_process_cluster(tmp_path):
    distributed = pytest.importorskip("distributed")
    paths = _inputs(tmp_path, 200, corrupt=57)
    out = tmp_path / "out"
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None,
                                  silence_logs=40) as cluster, distributed.Client(cluster) as client:
        result = process_many(paths, out, strip_ka2=True, background=True, subtract=True, client=client)
    assert [r["file"] for r in result] == [str(p) for p in paths]
    bad = result[57]
    assert bad["status"] == "failed" and "scan057.csv" in bad["reason"] and bad["output"] is None
    assert result.summary["ok"] == 199 and result.summary["failed"] == 1
    assert result.summary["points"] == 199 * 301
    written = sorted(os.listdir(out))
    assert written == sorted(f"scan{i:03d}.xye" for i in range(200) if i != 57)  # nothing partial, no temporary
    # A worker's output is what this process computes.
    p = xrddata.Pattern.read(paths[3])
    p.strip_ka2()
    p.fit_background()
    np.testing.assert_array_equal(read_columns(out / "scan003.xye")[1], p.subtract_background().counts)


def test_a_task_that_fails_on_the_cluster_is_a_record(tmp_path, monkeypatch):
    # A task lost with its worker, or raising outside the file's own faults, reaches the client as an errored
    # future: that file gets a failed record and progress still counts it; the others come through.
    distributed = pytest.importorskip("distributed")
    import xrddata.batch as batch

    paths = _inputs(tmp_path, 6)
    real = batch.process_file

    def flaky(path, output, **options):
        if str(path).endswith("scan004.csv"):
            raise RuntimeError("worker went away")
        return real(path, output, **options)

    monkeypatch.setattr(batch, "process_file", flaky)
    seen = []
    with distributed.LocalCluster(n_workers=1, processes=False, dashboard_address=None,
                                  silence_logs=40) as cluster, distributed.Client(cluster) as client:
        result = process_many(paths, tmp_path / "out", client=client, progress=lambda d, t: seen.append((d, t)))
    assert [r["status"] for r in result] == ["ok"] * 4 + ["failed", "ok"]
    assert result[4]["reason"] == "task failed: RuntimeError: worker went away"
    assert seen[-1] == (6, 6) and len(seen) == 6


def test_local_scheduler_names_and_formats(tmp_path):
    (tmp_path / "a").mkdir()
    (tmp_path / "b").mkdir()
    paths = _inputs(tmp_path / "a", 2) + _inputs(tmp_path / "b", 1) + [tmp_path / "missing.csv"]
    seen = []
    result = process_many(paths, tmp_path / "out", fmt="csv", progress=lambda done, total: seen.append((done, total)))
    assert [r["status"] for r in result] == ["ok", "ok", "ok", "failed"]
    assert "No such file" in result[3]["reason"]
    # a/scan000 and b/scan000 do not overwrite each other.
    assert sorted(os.listdir(tmp_path / "out")) == ["scan000.csv", "scan000_2.csv", "scan001.csv"]
    assert seen[-1] == (4, 4) and len(seen) == 4
    # Written again, a file keeps the mode of the one it replaces.
    os.chmod(tmp_path / "out" / "scan001.csv", 0o600)
    process_many(paths[:2], tmp_path / "out", fmt="csv")
    assert os.stat(tmp_path / "out" / "scan001.csv").st_mode & 0o7777 == 0o600
    assert output_names(["x/a.raw", "y/a.raw", "a.xrdml", "a_2.raw"], "xye") == ["a.xye", "a_2.xye", "a_3.xye",
                                                                                  "a_2_2.xye"]
    with pytest.raises(ValueError):
        process_many(paths, tmp_path / "out", fmt="png")


def test_command_line(tmp_path):
    inputs = tmp_path / "in"
    inputs.mkdir()
    _inputs(inputs, 5, corrupt=2)
    done = run_python("-m", "xrddata.batch", "-o", tmp_path / "out", "--background", "--subtract", inputs,
                      env=dict(os.environ))
    assert done.returncode == 1
    assert "scan002.csv" in done.stderr and "5/5 files" in done.stderr
    assert "4 of 5 files written" in done.stdout
    assert len(os.listdir(tmp_path / "out")) == 4
    usage = run_python("-m", "xrddata.batch", "-f", "png", inputs, env=dict(os.environ))
    assert usage.returncode == 2


def test_threads_write_what_one_thread_writes(tmp_path):
    # The local scheduler runs the library on several threads at once (the GIL released): same bytes as alone.
    paths = _inputs(tmp_path, 40)
    one = process_many(paths, tmp_path / "one", strip_ka2=True, background=True, subtract=True, num_workers=1)
    four = process_many(paths, tmp_path / "four", strip_ka2=True, background=True, subtract=True, num_workers=4)
    assert one.summary["ok"] == four.summary["ok"] == 40
    for name in sorted(os.listdir(tmp_path / "one")):
        assert (tmp_path / "one" / name).read_bytes() == (tmp_path / "four" / name).read_bytes(), name
