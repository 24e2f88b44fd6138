"""xrddata.read and read_bytes: the real samples against the command-line tool, the arrays, the errors."""

import errno
import json
import os

import numpy as np
import pytest

import xrddata
from conftest import REPO, sample_files, samples_dir, synthetic


def _read_or_skip(path):
    try:
        return xrddata.read(path)
    except xrddata.FormatError as e:
        if e.problem == "unrecognised":
            pytest.skip(f"{path.name}: the format core does not read this format yet")
        raise


def _sample_id(p):
    # Without the samples folder the list is empty and pytest asks for the id of a placeholder.
    return f"{p.parent.name}/{p.name}" if hasattr(p, "parent") else str(p)


@pytest.mark.parametrize("path", sample_files(), ids=_sample_id)
def test_sample_arrays_and_metadata(path):
    m = _read_or_skip(path)
    assert m.scans and m.total_points == sum(len(s) for s in m.scans) > 0
    for s in m.scans:
        n = len(s)
        arrays = [s.two_theta, s.counts] + [a for a in (s.sigma, s.time_per_step) if a is not None]
        for a in arrays:
            assert a.dtype == np.float64 and a.shape == (n,)
            assert not a.flags.writeable
        assert np.all(np.isfinite(s.two_theta))
    meta = m.metadata
    assert meta["format"] == m.format and meta["format_code"] == m.format_code
    assert meta["date"] is None or meta["date"].year > 1900
    names = {f["code"]: f["name"] for f in xrddata.formats()}
    assert names[m.format_code] == m.format
    # The same bytes from memory read to the same numbers.
    again = xrddata.read_bytes(path.read_bytes(), name=path.name)
    assert again.format == m.format and len(again.scans) == len(m.scans)
    for a, b in zip(again.scans, m.scans):
        np.testing.assert_array_equal(a.two_theta, b.two_theta)
        np.testing.assert_array_equal(a.counts, b.counts)


@pytest.mark.parametrize("path", sample_files(), ids=_sample_id)
def test_sample_equals_tool_info(path, tool):
    m = _read_or_skip(path)
    info = tool("info", "--json", path, check=False)
    if info.returncode != 0:
        pytest.skip(f"{path.name}: the tool's import does not read this file")
    summary = json.loads(info.stdout)[0]
    if summary["format"]["code"] != m.format_code:
        pytest.skip(f"{path.name}: the tool's import reads it as {summary['format']['name']}, the core as {m.format}")
    s = m.scans[0]
    assert summary["points"] == len(s)
    assert summary["two_theta"]["first"] == pytest.approx(s.two_theta.min(), abs=1e-9)
    assert summary["two_theta"]["last"] == pytest.approx(s.two_theta.max(), abs=1e-9)
    assert summary["sample"] == m.metadata["sample"]
    if m.metadata["anode"]:
        assert summary["radiation"]["target"].lower() == m.metadata["anode"].lower()


def test_scan_arrays_share_the_measurement_buffer():
    path = next((p for p in sample_files() if p.suffix.lower() == ".xrdml"), None)
    if path is None:
        pytest.skip("no XRDML sample (../shared/samples is absent)")
    m = xrddata.read(path)
    s = m.scans[0]
    counts = s.counts
    assert np.shares_memory(counts, s.counts)  # a view of the core's vector, not a copy
    expected = counts.copy()
    del m, s
    import gc

    gc.collect()
    np.testing.assert_array_equal(counts, expected)  # the view keeps the measurement alive


def test_example_pattern_is_read(tmp_path):
    path = REPO / "examples" / "corundum.raw"
    m = _read_or_skip(path)
    assert m.format == "DiffracPlus" and m.format_code == 3
    assert m.metadata["anode"].lower() == "cu" and len(m.scans[0]) > 1000


def test_csv_written_by_pattern_reads_back(tmp_path):
    x, y = synthetic(n=501)
    sigma = np.sqrt(y) * 1.5
    xrddata.Pattern(x, y, sigma).write(tmp_path / "p.csv")
    s = xrddata.read(tmp_path / "p.csv").scans[0]
    np.testing.assert_array_equal(s.two_theta, x)
    np.testing.assert_array_equal(s.counts, y)
    np.testing.assert_array_equal(s.sigma, sigma)
    assert s.start == x[0] and s.step == pytest.approx((x[-1] - x[0]) / 500)


@pytest.mark.parametrize("data", [b"", b"\x00" * 64, b"hello world\nthis is no pattern\n", bytes(range(256)) * 8,
                                  b'<?xml version="1.0"?><xrdMeasurements xmlns="http://www.xrdml.com/XRDMeasurement/'
                                  b'2.1"><xrdMeasurement><scan><dataPoints>'],
                         ids=["empty", "zeros", "text", "binary", "cut-xml"])
def test_bad_bytes_raise_format_error(data):
    with pytest.raises(xrddata.FormatError) as info:
        xrddata.read_bytes(data, name="bad.dat")
    e = info.value
    assert isinstance(e, ValueError)
    assert "bad.dat" in str(e) and e.reason and e.reason in str(e)
    assert e.problem in {"unrecognised", "malformed", "no_data", "inconsistent", "too_large"}


def test_file_errors_are_os_errors(tmp_path):
    missing = tmp_path / "missing.raw"
    with pytest.raises(FileNotFoundError) as info:
        xrddata.read(missing)
    assert info.value.errno == errno.ENOENT and info.value.filename == str(missing)
    with pytest.raises(OSError):
        xrddata.read(tmp_path)  # a folder is no file
    with pytest.raises(FileNotFoundError):
        xrddata.Pattern.read(missing)
    locked = tmp_path / "locked.csv"
    locked.write_text("two_theta,intensity,error\n1,2,3\n")
    locked.chmod(0)
    if os.geteuid() == 0:
        pytest.skip("root reads files without read permission")
    with pytest.raises(PermissionError):
        xrddata.read(locked)


def test_format_table():
    table = xrddata.formats()
    codes = [f["code"] for f in table]
    assert len(codes) == len(set(codes))
    xrdml = next(f for f in table if f["name"] == "XRDML")
    assert "xrdml" in xrdml["extensions"] and xrdml["description"]
