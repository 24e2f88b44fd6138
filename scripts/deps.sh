#!/usr/bin/env bash
# Installs what the build and the tests need, when it is missing (Debian 12; run as root or with sudo).
# "scripts/deps.sh fuzz" adds clang with its libFuzzer and sanitizer runtimes, for scripts/fuzz.sh.
set -euo pipefail
need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
for pkg in g++ cmake make pkg-config libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev qt6-base-dev libxy-dev libxy-bin libzip-dev libpugixml-dev nlohmann-json3-dev libcairo2-dev libfontconfig-dev pybind11-dev python3-dev python3-numpy python3-pytest python3-dask python3-distributed python3-matplotlib help2man; do
  have "$pkg" || need+=("$pkg")
done
if [ "${1:-}" = fuzz ]; then
  for pkg in clang libclang-rt-14-dev; do
    have "$pkg" || need+=("$pkg")
  done
fi
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
