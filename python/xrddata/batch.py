"""Processing many diffraction files on Dask: one task per file, small result records, atomic outputs.

    >>> from xrddata.batch import process_many
    >>> result = process_many(paths, "out", strip_ka2=True, background=True, subtract=True)
    >>> result.summary
    {'files': 200, 'ok': 199, 'failed': 1, 'points': ..., 'seconds': ..., 'files_per_second': ...}
    >>> [r for r in result if r["status"] != "ok"]
    [{'file': 'bad.raw', 'status': 'failed', 'points': 0, 'output': None, 'reason': 'bad.raw: ...'}]

Without a client the files are processed by Dask's local threaded scheduler in this process (the reading and the
calculations release the GIL); with ``client=distributed.Client(...)`` they run wherever that cluster runs, and
the input paths and out_dir must be reachable from its workers.

From the shell: ``python3 -m xrddata.batch [--scheduler ADDRESS] -o OUT DIR_OR_FILE...`` (see --help).
"""

from __future__ import annotations

import argparse
import os
import shutil
import sys
import time
import uuid
from typing import Any, Callable, Iterable, Optional, Sequence, Union

__all__ = ["BatchResult", "process_file", "process_many", "output_names", "main"]

FORMATS = ("xye", "csv", "txt", "xrdd")
PathLike = Union[str, "os.PathLike[str]"]
Record = dict


class BatchResult(list):
    """The records of a batch, one dict per input in input order (file, status, points, output, reason), with
    ``summary``: files, ok, failed, points, seconds, files_per_second."""

    summary: dict

    def __init__(self, records: Iterable[Record], seconds: float) -> None:
        super().__init__(records)
        ok = sum(1 for r in self if r["status"] == "ok")
        self.summary = {
            "files": len(self),
            "ok": ok,
            "failed": len(self) - ok,
            "points": sum(r["points"] for r in self),
            "seconds": seconds,
            "files_per_second": len(self) / seconds if seconds > 0 else float("inf"),
        }

    @property
    def failed(self) -> list:
        """The records of the files that failed."""
        return [r for r in self if r["status"] != "ok"]


def output_names(paths: Sequence[PathLike], fmt: str) -> list:
    """The output file name of every input: its name without the extension plus ".fmt"; inputs whose names would
    meet (a.raw and a.xrdml, or two folders' a.raw) get "_2", "_3", ... in input order, so no output overwrites
    another."""
    seen: dict = {}
    names = []
    for p in paths:
        stem = os.path.splitext(os.path.basename(os.fspath(p)))[0] or "pattern"
        name = f"{stem}.{fmt}"
        n = seen.get(name.lower(), 0)
        seen[name.lower()] = n + 1
        if n:
            name = f"{stem}_{n + 1}.{fmt}"
            while name.lower() in seen:
                n += 1
                name = f"{stem}_{n + 1}.{fmt}"
            seen[name.lower()] = 1
        names.append(name)
    return names


def process_file(path: PathLike, output: PathLike, strip_ka2: bool = False, background: bool = False,
                 subtract: bool = False, fmt: str = "xye") -> Record:
    """Processes one file and writes the result to output; never raises for the file's own faults.

    Reads the file (a pattern archive .xrdd is loaded as stored), strips K-alpha2, fits the background and writes
    the points (the background-subtracted ones with subtract). The output is written under a temporary name in
    the same folder and renamed into place, so it is either complete or absent. Returns the record
    {file, status ("ok" or "failed"), points, output, reason}.
    """
    import xrddata

    path = os.fspath(path)
    output = os.fspath(output)
    record: Record = {"file": path, "status": "failed", "points": 0, "output": None, "reason": None}
    temporary = None
    try:
        if path.lower().endswith(".xrdd"):
            pattern = xrddata.Pattern.load(path)
        else:
            pattern = xrddata.Pattern.read(path)
        if strip_ka2:
            pattern.strip_ka2()
        if background:
            pattern.fit_background()
        result = pattern.subtract_background() if subtract else pattern
        folder = os.path.dirname(output) or "."
        temporary = os.path.join(folder, f".{os.path.basename(output)}.{uuid.uuid4().hex}.tmp")
        result.write(temporary, format=fmt)
        if os.path.isfile(output):
            shutil.copymode(output, temporary)  # a private output stays private
        os.replace(temporary, output)
        temporary = None
        record.update(status="ok", points=len(result), output=output)
    except Exception as e:  # one bad file is a record, never the end of the batch
        reason = str(e) or type(e).__name__
        if not isinstance(e, (ValueError, OSError)):
            reason = f"{type(e).__name__}: {reason}"
        record["reason"] = reason
    finally:
        if temporary is not None:
            try:
                os.unlink(temporary)
            except OSError:
                pass
    return record


def process_many(paths: Iterable[PathLike], out_dir: PathLike, strip_ka2: bool = False, background: bool = False,
                 subtract: bool = False, fmt: str = "xye", client: Any = None, *,
                 progress: Optional[Callable[[int, int], None]] = None,
                 num_workers: Optional[int] = None) -> BatchResult:
    """Processes every file on Dask, one task per file, and returns the records (a BatchResult).

    paths: the input files; out_dir: the output folder (created when missing); strip_ka2, background, subtract:
    the processing steps (settings from the user's stored defaults); fmt: "xye", "csv", "txt" or "xrdd".
    client: a distributed.Client to run on its cluster; None runs Dask's local threaded scheduler (num_workers
    threads, by default one per core). progress(done, total) is called as files finish. A file that fails is a
    record with status "failed" and the reason; the others go on. ValueError for an unknown fmt.
    """
    fmt = fmt.lower().lstrip(".")
    if fmt not in FORMATS:
        raise ValueError(f"unknown output format {fmt!r}: use one of {', '.join(FORMATS)}")
    paths = [os.fspath(p) for p in paths]
    out_dir = os.fspath(out_dir)
    os.makedirs(out_dir, exist_ok=True)
    outputs = [os.path.join(out_dir, n) for n in output_names(paths, fmt)]
    options = dict(strip_ka2=strip_ka2, background=background, subtract=subtract, fmt=fmt)
    total = len(paths)
    started = time.perf_counter()
    if total == 0:
        return BatchResult([], 0.0)

    if client is None:
        records = _run_local(paths, outputs, options, progress, num_workers)
    else:
        records = _run_on_client(client, paths, outputs, options, progress)
    return BatchResult(records, time.perf_counter() - started)


def _run_local(paths, outputs, options, progress, num_workers):
    import dask
    from dask.callbacks import Callback

    tasks = [dask.delayed(process_file, pure=False)(p, o, **options) for p, o in zip(paths, outputs)]
    keys = {t.key for t in tasks}
    total = len(tasks)

    class Count(Callback):
        done = 0

        def _posttask(self, key, result, dsk, state, worker_id):
            if key in keys:
                Count.done += 1
                progress(Count.done, total)

    if progress is None:
        return list(dask.compute(*tasks, scheduler="threads", num_workers=num_workers))
    with Count():
        return list(dask.compute(*tasks, scheduler="threads", num_workers=num_workers))


def _run_on_client(client, paths, outputs, options, progress):
    from distributed import as_completed

    # One submission of the whole batch, and the finished tasks' records fetched together, a batch of them at a
    # time: a round trip to the scheduler or a worker per file would cost more than many of the files themselves.
    futures = client.map(process_file, paths, outputs, pure=False, **options)
    index = {f.key: i for i, f in enumerate(futures)}
    tracker = as_completed(futures)
    del futures  # the tracker holds each future until it is handed out; then it is released here
    records: list = [None] * len(paths)
    done = 0
    for batch in tracker.batches():
        finished = [f for f in batch if f.status == "finished"]
        try:
            results = client.gather(finished) if finished else []
        except Exception:  # a worker holding one of them lost since: each is taken on its own below
            finished, results = [], []
        for future, record in zip(finished, results):
            records[index[future.key]] = record
        for future in batch:
            i = index[future.key]
            if records[i] is None:
                records[i] = _task_record(future, paths[i])
            done += 1
            if progress is not None:
                progress(done, len(paths))
    return records


def _task_record(future, path) -> Record:
    """The record of a task that failed on the cluster (its worker lost, or cancelled), or of a finished one
    whose result has to be fetched on its own."""
    try:
        return future.result()
    except BaseException as e:  # the file is reported, the batch goes on
        if isinstance(e, KeyboardInterrupt):
            raise
        return {"file": path, "status": "failed", "points": 0, "output": None,
                "reason": f"task failed: {type(e).__name__}: {e}"}


def _inputs(arguments: Sequence[str], recursive: bool) -> list:
    files = []
    for a in arguments:
        if os.path.isdir(a):
            if recursive:
                for root, dirs, names in os.walk(a):
                    dirs[:] = sorted(d for d in dirs if not d.startswith("."))
                    files += [os.path.join(root, n) for n in sorted(names) if not n.startswith(".")]
            else:
                files += [os.path.join(a, n) for n in sorted(os.listdir(a))
                          if not n.startswith(".") and os.path.isfile(os.path.join(a, n))]
        else:
            files.append(a)  # a missing file is reported as a failed record
    return files


class _Bar:
    """A one-line progress bar on stderr."""

    def __init__(self, stream=sys.stderr, width: int = 30) -> None:
        self.stream = stream
        self.width = width
        self.started = time.perf_counter()

    def __call__(self, done: int, total: int) -> None:
        now = time.perf_counter()
        if done < total and now - getattr(self, "drawn", 0.0) < 0.1:
            return  # at most ten redraws a second
        self.drawn = now
        filled = self.width * done // total if total else self.width
        rate = done / max(time.perf_counter() - self.started, 1e-9)
        self.stream.write(f"\r[{'#' * filled}{'.' * (self.width - filled)}] {done}/{total} files  {rate:.1f}/s")
        if done == total:
            self.stream.write("\n")
        self.stream.flush()


def main(argv: Optional[Sequence[str]] = None) -> int:
    """The command line; returns the exit status: 0 all files done, 1 a file failed, 2 a usage error."""
    parser = argparse.ArgumentParser(
        prog="python3 -m xrddata.batch",
        description="Process many diffraction files on Dask (one task per file). Folders stand for the files in "
                    "them.")
    parser.add_argument("inputs", nargs="+", metavar="DIR_OR_FILE")
    parser.add_argument("--scheduler", metavar="ADDRESS",
                        help="address of a dask scheduler (tcp://host:8786); default: local threads")
    parser.add_argument("-o", "--out-dir", default="xrddata-out", help="output folder (default: xrddata-out)")
    parser.add_argument("-f", "--format", default="xye", choices=FORMATS, help="output format (default: xye)")
    parser.add_argument("--strip-ka2", action="store_true", help="strip K-alpha2")
    parser.add_argument("--background", action="store_true", help="fit a background")
    parser.add_argument("--subtract", action="store_true", help="write the background-subtracted points")
    parser.add_argument("-r", "--recursive", action="store_true", help="take the files of sub-folders too")
    parser.add_argument("-j", "--workers", type=int, default=None, help="threads of the local scheduler")
    parser.add_argument("-q", "--quiet", action="store_true", help="no progress bar")
    args = parser.parse_args(argv)

    paths = _inputs(args.inputs, args.recursive)
    if not paths:
        print("xrddata.batch: no input files", file=sys.stderr)
        return 2
    client = None
    if args.scheduler:
        from distributed import Client

        client = Client(args.scheduler)
    try:
        result = process_many(paths, args.out_dir, strip_ka2=args.strip_ka2, background=args.background,
                              subtract=args.subtract, fmt=args.format, client=client,
                              progress=None if args.quiet else _Bar(), num_workers=args.workers)
    finally:
        if client is not None:
            client.close()
    for r in result.failed:
        print(f"xrddata.batch: {r['file']}: {r['reason']}", file=sys.stderr)
    s = result.summary
    print(f"{s['ok']} of {s['files']} files written to {args.out_dir} ({s['points']} points, "
          f"{s['seconds']:.2f} s, {s['files_per_second']:.1f} files/s)")
    return 0 if s["failed"] == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
