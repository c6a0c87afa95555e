#!/usr/bin/env bash
# Renders the program icon (res/icons/corvane.svg) to the PNG sizes a desktop looks for,
# into res/icons/png/. Run it after changing the drawing and commit the PNGs: the build
# itself needs no SVG renderer. Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p res/icons/png
for size in 16 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" res/icons/corvane.svg --output "res/icons/png/corvane-$size.png"
done
