#!/usr/bin/env bash
# Installs what is missing, builds the host preset, makes the built-in
# synthetic test frame (1280x960 raw Bayer, RGGB) and converts it to a PNG,
# then runs the driver on the simulated camera and captures frames from its
# capture pin with camcap (10 PNGs at 30 frames per second). When the
# Windows kernel image has been built (cmake --preset windows && cmake
# --build --preset windows, or scripts/test.sh), it ends by capturing a few
# frames from that image too, loaded on the stand-in as Windows would load it.
#
#   scripts/demo.sh [OUTPUT_DIR]     (default: build/demo)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-$root/build/demo}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
cd "$root"
source scripts/lib/ensure_packages.sh

step() { printf '\n== %s ==\n' "$*"; }

step "packages"
ensure_packages "${BAYERCAM_HOST_PACKAGES[@]}"

step "configure host"
cmake --preset host
step "build host"
cmake --build --preset host -j2

step "test frame"
build/host/tools/testframe --out "$out/testframe.raw"

step "convert"
build/host/tools/rawconv --in "$out/testframe.raw" --width 1280 --height 960 \
  --out "$out/testframe.png"

step "capture"
# A first start leaves the camera at the shortest exposure and no gain,
# where the scene looks dim; the exposure and gain the sensor's own start-up
# programs show it at its full brightness.
build/host/tools/camcap --out "$out/frames" --set EXPOSURE=4 --set GLOBALGAIN=450

image=build/windows/driver/bayercam.sys
if [[ -f "$image" ]]; then
  step "capture from the kernel image $image"
  build/host/tools/camcap --driver "$image" --frames 3 --out "$out/image-frames" \
    --set EXPOSURE=4 --set GLOBALGAIN=450
fi

step "done"
echo "raw frame: $out/testframe.raw"
echo "image:     $out/testframe.png"
echo "captured:  $out/frames/frame_0000.png .. frame_0009.png"
if [[ -f "$image" ]]; then
  echo "from bayercam.sys: $out/image-frames/frame_0000.png .. frame_0002.png"
else
  echo "(no kernel image yet: scripts/test.sh builds build/windows/driver/bayercam.sys)"
fi
