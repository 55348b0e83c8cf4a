#!/bin/sh
# Set up, build and start Quillmar.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting Quillmar under a virtual X server (xvfb-run)."
    exec xvfb-run -a ./build/app/quillmar
fi
exec ./build/app/quillmar
