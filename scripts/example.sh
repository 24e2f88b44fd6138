#!/usr/bin/env bash
# The main job on the example pattern: builds the library and the tool, then reads examples/corundum.raw (a
# simulated corundum pattern in the DIFFRAC-plus raw format), strips K-alpha2, fits the background and leaves in
# out/example/:
#   corundum.txt              what the file holds (xrddata info)
#   corundum.xye              the K-alpha2-stripped, background-subtracted points (two-theta, counts, error)
#   corundum.background.xye   the fitted background
#   corundum.svg              the plot: pattern, stripped pattern and background
# Usage: scripts/example.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
build=${1:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target xrddata_tool
tool="$build/tools/xrddata"
out=out/example
mkdir -p "$out"
"$tool" info examples/corundum.raw | tee "$out/corundum.txt"
"$tool" process examples/corundum.raw --strip-ka2 --background --subtract -o "$out/corundum.xye"
"$tool" plot examples/corundum.raw --stripped --background --title "Corundum (simulated), Cu K-alpha" \
  -o "$out/corundum.svg"
echo "Results in $out/: corundum.txt, corundum.xye, corundum.background.xye, corundum.svg"
