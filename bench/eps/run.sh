#!/bin/bash
# The line-scan benchmark: one large generated text EPS file checked with "Embedded" on,
# against reading the same file in 4096-byte and in 65536-byte blocks and against
# grep -F, interleaved run by run; then the peak memory on two sizes of file.
# usage: bench/eps/run.sh [BUILD_DIR [MEGABYTES [RUNS]]]   (defaults: build/native 200 7)
# The build must be the native one, built with optimisation (the default RelWithDebInfo).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/native}
megabytes=${2:-200}
runs=${3:-7}
. bench/common.sh
big=$data/eps-$megabytes.eps
small=$data/eps-$((megabytes / 10)).eps
[ -f "$big" ] || "$bin/make_eps" "$big" "$megabytes"
[ -f "$small" ] || "$bin/make_eps" "$small" $((megabytes / 10))
bytes=$(stat -c %s "$big")
cat "$big" "$small" >/dev/null  # into the page cache

verdict=$({ "$tool" check --file-scan-flags 0x6F "$big" || true; } | cut -f1,2 | tr "\t" " ")  # 1: found
for _ in $(seq "$runs"); do
    keep read4k "$bin/read_loop" "$big"
    keep read64k "$bin/read_loop" --block 65536 "$big"
    keep check "$tool" check --file-scan-flags 0x6F "$big"
    keep grep grep -c -F -e setcmykcolor -e setrgbcolor "$big"
    keep small "$tool" check --file-scan-flags 0x6F "$small"
done

row() {  # row WHAT NAME
    printf '| %s | %s | %s | %s | %s |\n' "$1" "${best_time[$2]}" \
        "$(awk -v b="$bytes" -v t="${best_time[$2]}" 'BEGIN { printf "%.0f", b / t / 1e6 }')" \
        "$(ratio "$2" grep)" "$(ratio "$2" read64k)"
}
echo "EPS line scan: $bytes bytes, verdict $verdict, best of $runs runs"
echo
echo "| what | seconds | MB/s | speed / grep -F's | speed / 64 KB loop's |"
echo "|---|---|---|---|---|"
row "read loop, 4096-byte blocks" read4k
row "read loop, 65536-byte blocks" read64k
row "\`grep -c -F\` (two keywords)" grep
row "\`inkhound check --file-scan-flags 0x6F\`" check
echo
echo "Peak memory of \`inkhound check\`: ${peak_rss[check]} KiB on $megabytes MB," \
    "${peak_rss[small]} KiB on $((megabytes / 10)) MB."
