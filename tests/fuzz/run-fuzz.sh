#!/bin/bash
# Runs the fuzz target for a fixed time, seeded with the kept corpus and every committed
# fixture; exits non-zero on any crash, leak, time-out or sanitizer report.
# usage: tests/fuzz/run-fuzz.sh BUILD_DIR [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:?usage: run-fuzz.sh BUILD_DIR [SECONDS]}
seconds=${2:-60}
fuzzer=$build/tests/fuzz/inkhound_fuzz
[ -x "$fuzzer" ] || { echo "no $fuzzer: build the target inkhound_fuzz first" >&2; exit 2; }

# New inputs go to a scratch directory in the build tree; the kept corpus and the fixtures
# are only read.
found=$build/fuzz-found
mkdir -p "$found" "$build/fuzz-artifacts"
seeds=(tests/fuzz/corpus)
# The fixtures but the decompression bomb, whose capped hundreds of MiB the sanitizers
# take longer to inflate than the time-out allows each input: the PDF tests keep it.
if [ -d tests/fixtures ]; then
    rm -rf "$build/fuzz-fixtures"
    mkdir -p "$build/fuzz-fixtures"
    find tests/fixtures -type f ! -name bad-bomb.pdf -print0 |
        while IFS= read -r -d '' file; do cp "$file" "$build/fuzz-fixtures/${file//\//_}"; done
    seeds+=("$build/fuzz-fixtures")
fi
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1} \
UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=20000 \
    -dict=tests/fuzz/keywords.dict -print_final_stats=1 \
    -artifact_prefix="$build/fuzz-artifacts/" "$found" "${seeds[@]}"
