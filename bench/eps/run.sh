#!/bin/bash
# The line-scan benchmark: one large generated text EPS file checked with "Embedded" on,
# against the floor of reading the same file in 4096-byte blocks and grep -F as a
# yardstick, in the same run; then the peak memory on two sizes of file.
# usage: bench/eps/run.sh [BUILD_DIR [MEGABYTES [RUNS]]]   (defaults: build/native 200 7)
# The build must be the native one, built with optimisation (the default RelWithDebInfo).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/native}
megabytes=${2:-200}
runs=${3:-7}
tool=$build/inkhound
[ -x "$tool" ] || { echo "no $tool: build the native tree first" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/inkhound-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/make_eps" bench/eps/make_eps.c
cc -O2 -o "$work/read_loop" bench/eps/read_loop.c
cc -O2 -o "$work/measure" bench/eps/measure.c
"$work/make_eps" "$work/big.eps" "$megabytes"
"$work/make_eps" "$work/small.eps" $((megabytes / 10))
bytes=$(stat -c %s "$work/big.eps")
cat "$work/big.eps" "$work/small.eps" >/dev/null  # into the page cache

# keep NAME COMMAND...: runs the command once, keeps its shortest time in NAME_time and
# its largest peak memory in NAME_rss.
keep() {
    local name=$1 time rss
    shift
    read -r time rss < <("$work/measure" "$@")
    local -n best_time=${name}_time peak=${name}_rss
    if [ -z "$best_time" ] || awk -v a="$time" -v b="$best_time" 'BEGIN { exit !(a < b) }'; then
        best_time=$time
    fi
    [ "$rss" -gt "$peak" ] && peak=$rss
    return 0
}

verdict=$("$tool" check --file-scan-flags 0x6F "$work/big.eps" | cut -f1,2)
read_time="" tell_time="" check_time="" grep_time="" small_time=""
read_rss=0 tell_rss=0 check_rss=0 grep_rss=0 small_rss=0
# They are interleaved run by run, so that a busy machine slows all of them alike.
for _ in $(seq "$runs"); do
    keep read "$work/read_loop" "$work/big.eps"
    keep tell "$work/read_loop" --tell "$work/big.eps"
    keep check "$tool" check --file-scan-flags 0x6F "$work/big.eps"
    keep grep grep -c -F -e setcmykcolor -e setrgbcolor "$work/big.eps"
    keep small "$tool" check --file-scan-flags 0x6F "$work/small.eps"
done

rate() { awk -v b="$bytes" -v t="$1" 'BEGIN { printf "%.0f", b / t / 1e6 }'; }
echo "file: $bytes bytes, verdict: $verdict, best of $runs runs"
echo
echo "| what | seconds | MB/s |"
echo "|---|---|---|"
echo "| read loop, 4096-byte blocks (floor) | $read_time | $(rate "$read_time") |"
echo "| read loop asking the position before each block, as the reader does | $tell_time | $(rate "$tell_time") |"
echo "| inkhound check --file-scan-flags 0x6F | $check_time | $(rate "$check_time") |"
echo "| grep -c -F (two keywords) | $grep_time | $(rate "$grep_time") |"
echo
awk -v c="$check_time" -v r="$read_time" 'BEGIN { printf "ratio inkhound / read loop: %.2f\n", r / c }'
echo "peak memory of inkhound check: $check_rss KB on $megabytes MB, $small_rss KB on $((megabytes / 10)) MB"
