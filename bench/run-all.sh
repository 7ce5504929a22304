#!/bin/bash
# Every benchmark, one after the other, printing the Markdown tables of bench/README.md.
# usage: bench/run-all.sh [BUILD_DIR]   (default build/native; builds it first)
# Set up once, as root: bench/setup.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/native}
cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j2 --target inkhound >/dev/null
export INKHOUND_BENCH_DIR=${INKHOUND_BENCH_DIR:-${TMPDIR:-/tmp}/inkhound-bench-scan}
start=$(date +%s)
echo "Inkhound $(git describe --always --dirty), $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores"
for part in eps scan jobs pdf; do
    echo
    echo "### $part"
    echo
    "bench/$part/run.sh" "$build"
done
echo
echo "### details"
echo
bench/scan/details.sh "$build"
echo
echo "All benchmarks: $(($(date +%s) - start)) s."
