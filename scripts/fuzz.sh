#!/bin/sh
# Builds the libFuzzer targets with clang into ./build-fuzz and runs each for
# a bounded time on a copy of its seed corpus (the repository is not written).
# Needs clang and libclang-rt-14-dev; installs nothing.
#
#   FUZZ_SECONDS  seconds per target (default 30)
#   FUZZ_TARGETS  targets to run (default: all)
#   FUZZ_JOBS     build jobs (default 2)
#   FUZZ_OUT      folder for corpora, logs and crash inputs (default: a
#                 temporary folder, removed when every target passed)
# Exit status: 0 every target ran clean, 1 a target crashed, hung or ran out
# of memory (its input is kept in FUZZ_OUT), 2 the build failed.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=${FUZZ_SECONDS:-30}
jobs=${FUZZ_JOBS:-2}
targets=${FUZZ_TARGETS:-"fuzz_read_number fuzz_format_mask fuzz_field_rules fuzz_batch_records fuzz_catalogue_open"}
build=$root/build-fuzz

if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$build" -DQUILLMAR_FUZZ=ON -DQUILLMAR_BUILD_TESTS=OFF \
        -DQUILLMAR_BUILD_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 2
fi
cmake --build "$build" -j "$jobs" --target quillmar_fuzz || exit 2

if [ -n "${FUZZ_OUT:-}" ]; then
    out=$FUZZ_OUT
    mkdir -p "$out"
    keep=1
else
    out=$(mktemp -d "${TMPDIR:-/tmp}/quillmar-fuzz.XXXXXX")
    keep=0
fi
# Headless, and nothing written outside the output folder.
mkdir -p "$out/home" "$out/tmp"
export QT_QPA_PLATFORM=offscreen HOME="$out/home" TMPDIR="$out/tmp"
export XDG_DATA_HOME="$out/home/share" XDG_CONFIG_HOME="$out/home/config"
export LC_ALL=C.UTF-8

failed=0
for t in $targets; do
    bin=$build/fuzz/$t
    corpus=$out/corpus/$t
    log=$out/$t.log
    mkdir -p "$corpus" "$out/crashes"
    if [ -d "fuzz/corpus/$t" ]; then
        cp -R "fuzz/corpus/$t/." "$corpus/"
    fi
    set -- -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$out/crashes/$t-"
    if [ -f "fuzz/dict/$t.dict" ]; then
        set -- "$@" -dict="fuzz/dict/$t.dict"
    fi
    status=0
    "$bin" "$@" "$corpus" >"$log" 2>&1 || status=$?
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    cov=$(grep -a -o 'cov: [0-9]* ft: [0-9]* corp: [0-9]*' "$log" | tail -n 1)
    if [ "$status" -eq 0 ]; then
        echo "$t: ok, ${execs:-?} execs in ${seconds}s, ${cov:-no coverage line}"
    else
        failed=1
        artifact=$(sed -n 's/.*Test unit written to //p' "$log" | tail -n 1)
        echo "$t: FAILED (exit $status) after ${execs:-?} execs, ${cov:-no coverage line}; input: ${artifact:-none}; log: $log"
        # The target's own message stands just before the sanitizer's report.
        grep -a -m 1 -B 4 -E 'runtime error|ERROR: ' "$log" | grep -a -v '^INFO\|^#' | sed 's/^/    /' || true
    fi
done

if [ "$failed" -ne 0 ]; then
    echo "fuzz: failures; everything is kept in $out"
    exit 1
fi
if [ "$keep" -eq 0 ]; then
    rm -rf "$out"
fi
exit 0
