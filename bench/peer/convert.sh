#!/usr/bin/env bash
# Whole-tool throughput on many small real files: `xrddata convert` to .xye with one job and with two, and the
# peer's xyconv (Debian libxy-bin) on the same files, each the fastest of several runs.
#   bench/peer/convert.sh [BUILD_DIR] [FILES] [RUNS]
# BUILD_DIR defaults to build; FILES (default 1000) are copies of twenty small instrument files of the samples
# folder ($XRDDATA_SAMPLES_DIR, else ../shared/samples beside the checkout), cycled; RUNS defaults to 5. Pin it for
# steadier figures: taskset -c 1 bench/peer/convert.sh (the -j2 row then needs two cores: taskset -c 0,1). The
# files go to a temporary folder ($TMPDIR): TMPDIR=/dev/shm leaves out the disk's cost of creating files.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
count=${2:-1000}
runs=${3:-5}
tool="$build/tools/xrddata"
samples=${XRDDATA_SAMPLES_DIR:-$(pwd)/../shared/samples}
[ -x "$tool" ] || { echo "convert.sh: no $tool (build first)" >&2; exit 2; }
[ -d "$samples" ] || { echo "convert.sh: no samples folder $samples" >&2; exit 2; }

kinds=(xy/example_evadiffract.xy bruker-raw2/QTZQUIN.RAW bruker-raw3/format1.raw xy/qtzquin.asc
  rigaku-dat/sample2r.dat udf/sample2.udf bruker-raw2/CORKLZ20.RAW bruker-raw3/BT86.raw bruker-raw4/TiO2.raw
  xy/nacl01.dat dbws/si3n4r.dat bruker-raw3/KGA1-CONT.RAW philips-rd/CPD-1A.RD udf/ZEOLITE.UDF xy/example_bmb.xye
  stoe/stoe.raw uxd/BT86_.UXD riet7/D1A5.dat xrdml/ACZCTS_5-60_181.xrdml cpi/pyxrd_test_cpi_parser_embedded.cpi)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/in"
for ((i = 0; i < count; i++)); do
  f=${kinds[$((i % ${#kinds[@]}))]}
  cp "$samples/$f" "$work/in/$(printf '%05d_' "$i")$(basename "$f")"
done

# The fastest of the runs, in seconds; the output folder is emptied before each run.
best() {
  local min="" start end t
  for ((r = 0; r < runs; r++)); do
    rm -rf "$work/out"
    mkdir "$work/out"
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')
    if [ -z "$min" ] || awk -v t="$t" -v m="$min" 'BEGIN { exit !(t < m) }'; then min=$t; fi
  done
  echo "$min"
}

row() {  # name seconds
  awk -v n="$1" -v t="$2" -v c="$count" 'BEGIN { printf "%-22s %8.3f s  %7.3f ms/file\n", n, t, t * 1000 / c }'
}

echo "$count files ($(du -sh "$work/in" | cut -f1)), fastest of $runs runs"
j1=$(best "$tool" convert -j1 -d "$work/out" "$work"/in/*)
row "xrddata convert -j1" "$j1"
j2=$(best "$tool" convert -j2 -d "$work/out" "$work"/in/*)
row "xrddata convert -j2" "$j2"
ratio() { awk -v n="$1" -v a="$2" -v b="$3" 'BEGIN { printf "%-22s %8.2f x\n", n, a / b }'; }
ratio "-j2 over -j1" "$j1" "$j2"
if command -v xyconv >/dev/null; then
  peer=$(best xyconv -m "$work/out" "$work"/in/*)
  row "xyconv -m" "$peer"
  ratio "xyconv over ours -j1" "$peer" "$j1"
fi
