#!/usr/bin/env python3
"""Python benchmarks: xrddata.read() of a 1,000,000-point file against the C++ read of the same file, and
xrddata.batch.process_many on 1 and on 2 local Dask worker processes over 1,000 small files.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_bench.py [--build build] [--files 1000] [--repeat 15]

The C++ figure comes from build/bench/bench_python_read (Google Benchmark), which also writes the shared file.
Both reads are timed the same way here as well (best and median wall time of --repeat reads).
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time


def cpp_read(build, min_time):
    exe = os.path.join(build, "bench", "bench_python_read")
    out = subprocess.run([exe, "--benchmark_format=json", f"--benchmark_min_time={min_time}"], check=True,
                         capture_output=True, text=True).stdout
    b = json.loads(out)["benchmarks"][0]
    scale = {"ms": 1e-3, "us": 1e-6, "ns": 1e-9, "s": 1.0}[b["time_unit"]]
    return b["label"], b["real_time"] * scale, b["cpu_time"] * scale


def python_read(path, repeat):
    import xrddata

    wall, cpu = [], []
    for _ in range(repeat):
        w, c = time.perf_counter(), time.process_time()
        m = xrddata.read(path)
        counts = m.scans[0].counts  # the array, as a caller would take it
        wall.append(time.perf_counter() - w)
        cpu.append(time.process_time() - c)
        assert counts.shape == (1_000_000,)
        # Released before the next read, as the C++ loop releases its measurement: otherwise the next read would
        # land in pages this one left mapped, and the figure would hide the page faults the C++ read pays.
        del m, counts
    return min(wall), statistics.median(wall), min(cpu), statistics.median(cpu)


def make_files(folder, count):
    import numpy as np

    import xrddata

    rng = np.random.default_rng(1)
    x = np.linspace(20.0, 80.0, 1501)
    base = 200.0 + 2.0 * (x - 20.0) + 5000.0 / (1 + ((x - 43.4) / 0.05) ** 2)
    paths = []
    for i in range(count):
        path = os.path.join(folder, f"f{i:04d}.csv")
        xrddata.Pattern(x, rng.poisson(base).astype(float)).write(path)
        paths.append(path)
    return paths


# A cluster set up for a batch of many small independent tasks: every task goes to the workers as soon as it is
# submitted (no holding back of root tasks on the scheduler, whose round trip per file would leave a worker
# idle), and the workers' statistical profiler is off (a sample of every thread each 10 ms). On two cores the
# scheduler, the client and both workers share the machine, so what Dask spends per task decides the speed-up.
BATCH_CLUSTER = {"distributed.scheduler.worker-saturation": float("inf"), "distributed.worker.profile.enabled": False}


def batch(paths, out, workers):
    import dask
    from distributed import Client, LocalCluster

    from xrddata.batch import process_many

    with dask.config.set(BATCH_CLUSTER), LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                                      dashboard_address=None, silence_logs=40) as cluster, \
            Client(cluster) as client:
        process_many(paths[:20], out, strip_ka2=True, background=True, subtract=True, client=client)  # warm up
        result = process_many(paths, out, strip_ka2=True, background=True, subtract=True, client=client)
    assert result.summary["failed"] == 0, result.failed[:3]
    return result.summary["files_per_second"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build")
    parser.add_argument("--files", type=int, default=1000)
    parser.add_argument("--repeat", type=int, default=15)
    parser.add_argument("--skip-batch", action="store_true")
    parser.add_argument("--batch-repeat", type=int, default=3, help="runs of each cluster size (median taken)")
    args = parser.parse_args()

    path, cpp_wall, cpp_cpu = cpp_read(args.build, 2)
    best, median, cpu_best, cpu_median = python_read(path, args.repeat)
    print(f"read of {path} (1,000,000 points)")
    print(f"  C++ format core (Google Benchmark): {cpp_wall * 1e3:8.1f} ms wall, {cpp_cpu * 1e3:8.1f} ms CPU")
    print(f"  Python xrddata.read():              {median * 1e3:8.1f} ms wall (median; best {best * 1e3:.1f}), "
          f"{cpu_median * 1e3:.1f} ms CPU (median; best {cpu_best * 1e3:.1f})")
    print(f"  ratio Python/C++: {median / cpp_wall:.3f} (wall, median), {cpu_median / cpp_cpu:.3f} (CPU, median)")
    if args.skip_batch:
        return
    with tempfile.TemporaryDirectory(prefix="xrddata-bench-batch-") as d:
        paths = make_files(d, args.files)
        ones, twos = [], []
        for _ in range(args.batch_repeat):  # alternated, so that a busy moment of the machine touches both
            ones.append(batch(paths, os.path.join(d, "out1"), 1))
            twos.append(batch(paths, os.path.join(d, "out2"), 2))
        one, two = statistics.median(ones), statistics.median(twos)
    print(f"process_many over {args.files} files of 1501 points (strip K-alpha2, background, subtract, .xye):")
    print(f"  1 worker: {one:7.1f} files/s   2 workers: {two:7.1f} files/s   speed-up {two / one:.2f} (medians of "
          f"{args.batch_repeat}: {', '.join(f'{v:.0f}' for v in ones)} and {', '.join(f'{v:.0f}' for v in twos)})")
    print(f"  ({os.cpu_count()} cores)")


if __name__ == "__main__":
    sys.exit(main())
