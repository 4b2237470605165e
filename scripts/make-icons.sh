#!/usr/bin/env bash
# Makes the PNG sizes of the program icon from its SVG (data/icons/), for themes and menus
# that do not draw SVG. Run after changing the SVG and commit the PNGs; needs rsvg-convert
# (package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
svg=io.github.kestrum.Tarnwick.svg
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "${size}x${size}"
    rsvg-convert --width "$size" --height "$size" "$svg" -o "${size}x${size}/io.github.kestrum.Tarnwick.png"
done
