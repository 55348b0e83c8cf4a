#!/bin/sh
# Set up, build and run the whole test suite headless.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
