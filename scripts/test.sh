#!/bin/sh
# Set up, build and run the whole test suite headless; then the same suite
# under AddressSanitizer and UndefinedBehaviorSanitizer, and a bounded run of
# every fuzz target. QUILLMAR_QUICK=1 stops after the first suite.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)")
# Rows that root skips, run again as an unprivileged user (CI runs as root).
./scripts/unprivileged.sh build
[ "${QUILLMAR_QUICK:-0}" = 1 ] && exit 0
./scripts/sanitize.sh
./scripts/fuzz.sh
