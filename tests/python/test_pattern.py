"""xrddata.Pattern: the operations equal to the command-line tool's (the library's own processing chain), the
archive and the point files, the refusals, and Ctrl-C during a background fit."""

import os
import signal
import threading

import numpy as np
import pytest

import xrddata
from conftest import read_columns, sample_files, synthetic


def test_from_arrays_sorts_and_derives_errors():
    p = xrddata.Pattern([30.0, 10.0, 20.0], [9, 4, 16])
    np.testing.assert_array_equal(p.two_theta, [10.0, 20.0, 30.0])
    np.testing.assert_array_equal(p.counts, [4.0, 16.0, 9.0])
    np.testing.assert_array_equal(p.sigma, [2.0, 4.0, 3.0])  # counting statistics, the factory error model
    given = xrddata.Pattern([1.0, 2.0], [5.0, 6.0], sigma=[0.5, 0.25])
    np.testing.assert_array_equal(given.sigma, [0.5, 0.25])
    assert given.background is None and not given.ka2_stripped and len(given) == 2
    with pytest.raises(ValueError):
        xrddata.Pattern([1.0, 2.0], [1.0])
    with pytest.raises(ValueError):
        xrddata.Pattern(np.zeros((2, 2)), np.zeros((2, 2)))
    with pytest.raises(ValueError):
        xrddata.Pattern([1.0, np.nan, 3.0], [1.0, 2.0, 3.0])


@pytest.mark.parametrize("stripped, options, tool_args", [
    (False, dict(strip=True), ["--strip-ka2"]),
    (True, dict(fit={}, subtract=True), ["--background", "--subtract"]),
    (False, dict(zero=0.05, fit=dict(length=3.0, stiffness=2.0)), ["--zero-error", "0.05", "--background",
                                                                   "--length", "3", "--stiffness", "2"]),
], ids=["strip", "stripped-fit-subtract", "zero-length-stiffness"])
def test_operations_equal_the_tool(tmp_path, tool, stripped, options, tool_args):
    x, y = synthetic()
    original = xrddata.Pattern(x, y)
    if stripped:
        original.strip_ka2()  # one step per call: the result does not hang on the tool's order of steps
    original.save(tmp_path / "in.xrdd")
    tool("process", tmp_path / "in.xrdd", *tool_args, "-o", tmp_path / "tool.xye")

    p = xrddata.Pattern.load(tmp_path / "in.xrdd")
    if "zero" in options:
        p.zero_error(options["zero"])
    if options.get("strip"):
        assert p.strip_ka2() is True
    background = p.fit_background(**options["fit"]) if "fit" in options else None
    result = p.subtract_background() if options.get("subtract") else p
    tx, ty, te = read_columns(tmp_path / "tool.xye")
    # The tool writes shortest round-trip numbers: the same doubles, exactly.
    np.testing.assert_array_equal(result.two_theta, tx)
    np.testing.assert_array_equal(result.counts, ty)
    np.testing.assert_array_equal(result.sigma, te)
    if background is not None:
        bx, by, _ = read_columns(tmp_path / "tool.background.xye")
        np.testing.assert_array_equal(background, by)
        np.testing.assert_array_equal(p.background, by)


def test_background_is_smooth_and_under_the_peaks():
    x, y = synthetic()
    p = xrddata.Pattern(x, y)
    bg = p.fit_background(length=2.0)
    assert bg.shape == x.shape and p.background_stored and p.background_length == 2.0
    truth = 200.0 + 1.5 * (x - x[0])
    assert np.median(np.abs(bg - truth)) < 15.0
    s = p.subtract_background()
    assert not s.background_stored and s.background is None
    assert np.all(s.counts >= 0.0) and s.counts.max() > 7000
    np.testing.assert_array_equal(p.counts, y)  # the pattern itself keeps its points


def test_strip_ka2_ratio_and_refusals():
    x, y = synthetic()
    default, halved = xrddata.Pattern(x, y), xrddata.Pattern(x, y)
    assert default.ka2_ratio == pytest.approx(0.5, abs=0.1)
    default.strip_ka2()
    assert halved.strip_ka2(ratio=default.ka2_ratio / 2) is True
    assert default.ka2_stripped and halved.ka2_stripped
    assert default.strip_ka2() is False  # already stripped: nothing more to do
    # Less of the K-alpha2 share taken away leaves more counts.
    assert halved.counts.sum() > default.counts.sum() < y.sum()
    with pytest.raises(ValueError):
        xrddata.Pattern(x, y).strip_ka2(ratio=-1.0)
    with pytest.raises(ValueError):
        xrddata.Pattern(x, y).fit_background(length=10 * (x[1] - x[0]) * 0.5)  # below ten sampling steps
    with pytest.raises(ValueError):
        xrddata.Pattern([1.0], [1.0]).fit_background()
    with pytest.raises(ValueError):
        xrddata.Pattern(x, y).zero_error(float("nan"))


def test_archive_and_point_files(tmp_path):
    x, y = synthetic(n=801)
    p = xrddata.Pattern(x, y)
    p.sample = "corundum"
    p.strip_ka2()
    bg = p.fit_background(length=2.5)
    p.save(tmp_path / "p.xrdd")
    q = xrddata.Pattern.load(tmp_path / "p.xrdd")
    np.testing.assert_array_equal(q.two_theta, p.two_theta)
    np.testing.assert_array_equal(q.counts, p.counts)
    np.testing.assert_array_equal(q.sigma, p.sigma)
    np.testing.assert_array_equal(q.background, bg)
    assert q.sample == "corundum" and q.ka2_stripped and q.background_length == 2.5

    p.write(tmp_path / "p.xye")
    np.testing.assert_array_equal(read_columns(tmp_path / "p.xye")[1], p.counts)
    p.write(tmp_path / "p.csv")
    header = [line for line in (tmp_path / "p.csv").read_text().splitlines() if not line.startswith("#")][0]
    assert header == "two_theta,intensity,error"
    p.write(tmp_path / "out.dat", format="txt")
    assert len((tmp_path / "out.dat").read_bytes().splitlines()) >= len(p)
    with pytest.raises(ValueError):
        p.write(tmp_path / "p.png")
    with pytest.raises(OSError):
        p.write(tmp_path / "no" / "such" / "folder.xye")
    (tmp_path / "junk.xrdd").write_bytes(b"not an archive at all")
    with pytest.raises(xrddata.FormatError):
        xrddata.Pattern.load(tmp_path / "junk.xrdd")


def test_read_takes_the_scan_and_the_header():
    paths = [p for p in sample_files() if p.suffix.lower() in (".xrdml", ".ras", ".uxd")]
    if not paths:
        pytest.skip("no XRDML, RAS or UXD sample (../shared/samples is absent)")
    for path in paths:
        m = xrddata.read(path)
        last = len(m.scans) - 1
        p = xrddata.Pattern.read(path, scan=last)
        s = m.scans[last]
        order = np.argsort(s.two_theta, kind="stable")
        np.testing.assert_array_equal(p.two_theta, s.two_theta[order])
        np.testing.assert_array_equal(p.counts, s.counts[order])
        assert p.sample == m.metadata["sample"] and p.file_name == str(path)
        if m.metadata["anode"]:
            assert p.anode.lower() == m.metadata["anode"].lower()
        with pytest.raises(IndexError):
            xrddata.Pattern.read(path, scan=len(m.scans))


def test_keyboard_interrupt_cancels_a_background_fit():
    # About a second of fitting here (4,000,000 points, 900 knots); the signal comes a tenth of a second in, from
    # another thread, which can only run because the fit has released the GIL.
    x = np.linspace(10.0, 100.0, 4_000_000)
    p = xrddata.Pattern(x, 100.0 + 1000.0 * np.exp(-(((x - 40.0) / 0.1) ** 2)))
    timer = threading.Timer(0.1, os.kill, (os.getpid(), signal.SIGINT))
    timer.start()
    with pytest.raises(KeyboardInterrupt):
        p.fit_background(length=0.1)
    timer.join()
    assert not p.background_stored and p.background_length != 0.1  # nothing of the fit is kept


def test_read_of_files_the_import_reads(tmp_path, tool):
    # The example is a format of the pattern import; read() equals the tool's conversion of it.
    example = os.path.join(os.path.dirname(__file__), os.pardir, os.pardir, "examples", "corundum.raw")
    p = xrddata.Pattern.read(example)
    tool("convert", example, "-o", tmp_path / "tool.xye")
    tx, ty, te = read_columns(tmp_path / "tool.xye")
    np.testing.assert_array_equal(p.two_theta, tx)
    np.testing.assert_array_equal(p.counts, ty)
    np.testing.assert_array_equal(p.sigma, te)
    assert p.anode == "Cu" and p.sample
    junk = tmp_path / "junk.dat"
    junk.write_bytes(b"\x01\x02 neither format core nor import reads this \xff\n")
    with pytest.raises(xrddata.FormatError) as info:
        xrddata.Pattern.read(junk)
    assert str(junk) in str(info.value) and info.value.problem == "unrecognised"


def test_subtracted_points_are_the_counts_less_the_background_with_their_own_errors():
    x, y = synthetic()
    for sigma in (None, 1.5 * np.sqrt(y) + 1.0):
        p = xrddata.Pattern(x, y, sigma)
        bg = p.fit_background(length=2.0)
        s = p.subtract_background()
        np.testing.assert_array_equal(s.two_theta, p.two_theta)
        np.testing.assert_array_equal(s.counts, np.maximum(p.counts - bg, 0.0))
        np.testing.assert_array_equal(s.sigma, p.sigma)
        assert len(s) == len(p)
