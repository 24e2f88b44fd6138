#!/usr/bin/python3
"""The table and the plot of docs/performance.md from the JSON output of bench_peer_sizes.

    taskset -c 1 build/bench/bench_peer_sizes --benchmark_repetitions=3 \\
        --benchmark_out=sizes.json --benchmark_out_format=json
    /usr/bin/python3 docs/performance_plot.py sizes.json [--plot docs/images/performance.png]

Reads the ns_per_point counter of every case (the median of the repetitions when the run has them, else the
median of the runs of that case), writes a log-log plot of time per point against size, one line per operation
(ours solid, the peer's dashed), and prints the markdown table: one row per operation and size with the time per
point, and for the imports ours over the peer's at the same size.
"""

import argparse
import json
import os
import statistics
import sys
from collections import defaultdict

# Benchmark name -> (label, ours). The order is that of the table and the legend.
OPERATIONS = {
    "BM_Import_DoReadFile": ("import: DoReadFile (reader, errors, width)", True),
    "BM_Import_ReadTextFile": ("import: ReadTextFile (reader alone)", True),
    "BM_Peer_XylibText": ("import: xylib load_file (peer)", False),
    "BM_StripKa2": ("K-alpha2 stripping: StripKa2", True),
    "BM_Background": ("background: CalculateBackground", True),
    "BM_Width": ("width: DetectFeatureWidth", True),
}
PEER = "BM_Peer_XylibText"
IMPORTS = ("BM_Import_DoReadFile", "BM_Import_ReadTextFile")


def per_point(doc):
    """{operation: {points: ns per point}} from a Google Benchmark JSON document."""
    medians = {}
    runs = defaultdict(list)
    for b in doc.get("benchmarks", []):
        if "ns_per_point" not in b or b.get("error_occurred"):
            continue
        parts = b.get("run_name", b["name"]).split("/")
        if len(parts) < 2 or not parts[1].isdigit():
            continue
        key = (parts[0], int(parts[1]))
        seconds = float(b["ns_per_point"])  # the counter is a rate inverted: seconds per point
        if b.get("run_type") == "aggregate":
            if b.get("aggregate_name") == "median":
                medians[key] = seconds
        else:
            runs[key].append(seconds)
    table = defaultdict(dict)
    for key in set(medians) | set(runs):
        seconds = medians[key] if key in medians else statistics.median(runs[key])
        table[key[0]][key[1]] = seconds * 1e9
    return table


def markdown(table):
    rows = ["| Operation | Points | ns/point | ours/peer |", "|---|---:|---:|---:|"]
    peer = table.get(PEER, {})
    for name, (label, ours) in OPERATIONS.items():
        for points in sorted(table.get(name, {})):
            ns = table[name][points]
            if name in IMPORTS and points in peer:
                ratio = f"{ns / peer[points]:.2f}"
            elif ours and name not in IMPORTS:
                ratio = "no peer"
            else:
                ratio = ""
            rows.append(f"| {label} | {points:,} | {ns:.1f} | {ratio} |")
    return "\n".join(rows)


def plot(table, path):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    import matplotlib.ticker

    fig, ax = plt.subplots(figsize=(8, 5), dpi=100)
    colours = {"BM_Import_DoReadFile": "C0", "BM_Import_ReadTextFile": "C1", PEER: "C0",
               "BM_StripKa2": "C2", "BM_Background": "C3", "BM_Width": "C4"}
    for name, (label, ours) in OPERATIONS.items():
        sizes = sorted(table.get(name, {}))
        if not sizes:
            continue
        ax.plot(sizes, [table[name][s] for s in sizes], marker="o" if ours else "s",
                linestyle="-" if ours else "--", color=colours[name], label=label)
    ax.set_xscale("log")
    ax.set_yscale("log")
    # Plain numbers at 1, 2 and 5 of each decade: the times span little more than one.
    ax.yaxis.set_major_locator(matplotlib.ticker.LogLocator(subs=(1.0, 2.0, 5.0)))
    ax.yaxis.set_major_formatter(matplotlib.ticker.FormatStrFormatter("%g"))
    ax.yaxis.set_minor_formatter(matplotlib.ticker.NullFormatter())
    ax.set_xlabel("points")
    ax.set_ylabel("CPU time per point (ns)")
    ax.set_title("Time per point against size (solid: xrddata, dashed: xylib)")
    ax.grid(True, which="both", alpha=0.3)
    ax.legend(fontsize="small")
    fig.tight_layout()
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    fig.savefig(path)
    plt.close(fig)


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("json", help="the JSON output of bench_peer_sizes ('-' for standard input)")
    parser.add_argument("--plot", default=os.path.join(here, "images", "performance.png"),
                        help="the picture to write (default docs/images/performance.png)")
    args = parser.parse_args(argv)
    try:
        if args.json == "-":
            doc = json.load(sys.stdin)
        else:
            with open(args.json, encoding="utf-8") as f:
                doc = json.load(f)
    except (OSError, ValueError) as e:
        sys.exit(f"performance_plot.py: {args.json}: {e}")
    table = per_point(doc)
    if not table:
        sys.exit(f"performance_plot.py: {args.json}: no case with an ns_per_point counter")
    plot(table, args.plot)
    print(markdown(table))


if __name__ == "__main__":
    main()
