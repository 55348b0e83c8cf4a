#!/bin/sh
# Set up, build and start Quillmar.
set -eu
cd "$(dirname "$0")/.."
# Only what it starts: the tests and benchmarks are built by scripts/test.sh.
./scripts/setup.sh quillmar quillmar-batch
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting Quillmar under a virtual X server (xvfb-run)."
    exec xvfb-run -a ./build/app/quillmar
fi
exec ./build/app/quillmar
