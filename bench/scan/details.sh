#!/bin/bash
# What the details (model, bits, embedded profiles) and Photoshop documents cost a scan of
# the mixed tree: the report with default options, which reads no details; the report
# with its section of contradicted profiles, which reads them; that with Photoshop
# documents checked too; and the JSON records of the same two. Interleaved run by run on a
# warm page cache; prints a Markdown table (best of RUNS).
# usage: bench/scan/details.sh [BUILD_DIR [RUNS]]   (defaults: build/native 5)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/native}
runs=${2:-5}
. bench/common.sh
mixed=$data/mixed
n_mixed=$(find "$mixed" -type f | wc -l)
n_psd=$(find "$mixed" -type f -iname '*.psd' | wc -l)
# The default flags by name, so that psd adds to them without a warning.
checks=mac,tiff,jpeg,eps,extensions
reports=rgb,icc-conflict

round() {
    keep report "$tool" scan "$mixed"
    keep report_icc "$tool" scan --report "$reports" "$mixed"
    keep report_psd "$tool" scan --report "$reports" --check "$checks,psd" "$mixed"
    keep json "$tool" scan --format json "$mixed"
    keep json_psd "$tool" scan --format json --check "$checks,psd" "$mixed"
}
round  # warm-up
best_time=() peak_rss=()
for _ in $(seq "$runs"); do round; done

row() {  # row WHAT NAME AGAINST
    printf '| %s | %.3f | %s | %s |\n' "$1" "${best_time[$2]}" "$(rate "$2" "$n_mixed")" \
        "$(ratio "$2" "$3")"
}
echo "Best of $runs runs; mixed: $n_mixed files, $n_psd of them Photoshop documents."
echo
echo "| \`inkhound scan\` of mixed | seconds | files/s | speed / the row's reference |"
echo "|---|---|---|---|"
row "report, default options: no details" report report
row "\`--report $reports\`: details read (reference: the report)" report_icc report
row "\`--report $reports --check $checks,psd\`: and Photoshop documents (reference: the report)" report_psd report
row "\`--format json\`: details read" json json
row "\`--format json --check $checks,psd\` (reference: the row above)" json_psd json
