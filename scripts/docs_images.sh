#!/usr/bin/env bash
# Makes the pictures of docs/guide/processing.md with the built tool from the example pattern.
# Usage: scripts/docs_images.sh [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
tool=${1:-build}/tools/xrddata
example=examples/corundum.raw
out=docs/images
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The factory defaults, whatever the user has stored.
export XRDDATA_USER_REGISTRY=$work/user.reg XRDDATA_SYSTEM_REGISTRY=$work/system.reg
"$tool" plot "$example" -o "$out/corundum.svg" --title "Corundum (simulated), as read"
"$tool" plot "$example" --stripped -o "$out/corundum-stripped.svg" --title "K-alpha2 stripped"
"$tool" plot "$example" --stripped --background -o "$out/corundum-background.svg" \
    --title "Stripped pattern and fitted background"
"$tool" plot "$example" --background --log -o "$out/corundum-background-log.svg" \
    --title "Background, logarithmic counts"
"$tool" process "$example" --strip-ka2 --background --subtract -o "$work/net.xye"
"$tool" plot "$work/net.xye" -o "$out/corundum-subtracted.svg" --title "Stripped and background-subtracted"
