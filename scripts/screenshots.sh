#!/bin/sh
# Regenerates docs/screenshots/*.png: every window of the program with a
# worked example filled in, drawn by a virtual X server (Xvfb) and grabbed
# with ImageMagick's `import`. Needs xvfb, xauth and imagemagick
# (scripts/setup.sh installs them).
#
#   scripts/screenshots.sh [BUILD-DIR]     (default: build)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}

cmake --build "$build" --target quillmar-screenshots -j "$(nproc)"
helper="$build/packaging/screenshots/quillmar-screenshots"

# A clean home so the default catalogue is used and no running copy of the
# program holds the single-instance lock; the C locale and a fixed font
# setting keep the pictures the same from machine to machine.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/run"

env -i PATH="$PATH" HOME="$home" XDG_RUNTIME_DIR="$home/run" XDG_DATA_HOME="$home/share" \
    LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1 \
    xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$helper" docs/screenshots

# Drop the timestamps ImageMagick writes, so unchanged windows give
# unchanged files.
for f in docs/screenshots/*.png; do
    convert "$f" -strip "$f"
done
ls -l docs/screenshots
