#!/bin/sh
# Renders the bitmap icons from quillmar.svg. The bitmaps are committed, so
# a build needs neither an SVG renderer nor Qt's SVG plugin; run this again
# after changing the drawing.
set -eu
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
    convert -background none -density 384 quillmar.svg -resize "${size}x${size}" \
        -depth 8 -strip "icons/quillmar-${size}.png"
done
