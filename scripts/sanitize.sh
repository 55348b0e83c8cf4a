#!/bin/sh
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# ./build-sanitize and runs the whole test suite there. Any report fails the run.
# Expects scripts/setup.sh to have installed the packages.
set -eu
cd "$(dirname "$0")/.."

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DQUILLMAR_SANITIZE=ON -DQUILLMAR_BUILD_BENCHMARKS=OFF
cmake --build build-sanitize -j "$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd build-sanitize
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
