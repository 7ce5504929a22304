#!/bin/bash
# The scan benchmark: "inkhound scan" over generated prepress trees against a C program
# making the same reads without the decisions (bench/scan/floor.c) in 4096-byte and in
# 65536-byte blocks; the JPEG, TIFF and GIF checks alone against the same floor; and
# exiftool, identify and file on a 2,000-file part. All interleaved run by run on a warm
# page cache; prints Markdown tables (best of RUNS; peak memory the largest seen).
# usage: bench/scan/run.sh [BUILD_DIR [RUNS]]   (defaults: build/native 5)
# The trees are made once (bench/scan/make-tree.sh) under $INKHOUND_BENCH_DIR, by default
# /tmp/inkhound-bench-scan.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/native}
runs=${2:-5}
. bench/common.sh
mixed=$data/mixed
job=$mixed/job0
no_eps=$data/no-eps
count() { find "$@" -type f | wc -l; }
# The part: the first 20 folders of the job; the general tools get its files of the
# listed kinds, the floor and the scan the folders (the scan opens only those files).
part=()
for i in $(seq 0 19); do part+=("$job/folder$i"); done
mapfile -d '' listed < <(find "${part[@]}" -type f -regextype posix-extended \
    -iregex '.*\.(jpe?g|jpe|jfif?|tiff?|epsf?|gif)$' -print0)
n_job=$(count "$job") n_mixed=$(count "$mixed") n_no_eps=$(count "$no_eps")
n_part=$(count "${part[@]}")
jobs8=()
"$tool" check --jobs 8 "$data/templates/o-notes.txt" >/dev/null 2>&1 && jobs8=(--jobs 8)

round() {
    keep job_floor "$bin/floor" "$job"
    keep job_floor64 "$bin/floor" --block 65536 "$job"
    keep job_scan "$tool" scan "$job"
    keep mixed_floor "$bin/floor" "$mixed"
    keep mixed_floor64 "$bin/floor" --block 65536 "$mixed"
    keep mixed_scan "$tool" scan "$mixed"
    [ ${#jobs8[@]} -gt 0 ] && keep mixed_scan8 "$tool" scan "${jobs8[@]}" "$mixed"
    keep jtg_floor "$bin/floor" "$no_eps"
    keep jtg_floor64 "$bin/floor" --block 65536 "$no_eps"
    keep jtg_scan "$tool" scan --file-scan-flags 0x36 "$no_eps"
    [ ${#jobs8[@]} -gt 0 ] && keep jtg_scan2 "$tool" scan --jobs 2 --file-scan-flags 0x36 "$no_eps"
    keep part_floor "$bin/floor" "${part[@]}"
    keep part_floor64 "$bin/floor" --block 65536 "${part[@]}"
    keep part_scan "$tool" scan "${part[@]}"
    keep part_exiftool exiftool -fast2 -q "${listed[@]}"
    keep part_identify /usr/bin/identify -ping "${listed[@]}"
    keep part_file file -- "${listed[@]}"
}
round  # warm-up, every file into the page cache
best_time=() peak_rss=()
for _ in $(seq "$runs"); do round; done

row() {  # row WHAT FILES NAME FLOOR
    printf '| %s | %s | %.3f | %s | %s | %s |\n' "$1" "$2" "${best_time[$3]}" "$(rate "$3" "$2")" \
        "$(ratio "$3" "$4")" "$(ratio "$3" "${4}64")"
}
echo "Best of $runs runs."
echo
echo "| run | files | seconds | files/s | speed / floor's | speed / 64 KB floor's |"
echo "|---|---|---|---|---|---|"
row "one job of mixed: floor, 4 KB reads" "$n_job" job_floor job_floor
row "one job of mixed: floor, 64 KB reads" "$n_job" job_floor64 job_floor
row "one job of mixed: \`inkhound scan\`" "$n_job" job_scan job_floor
row "mixed: floor, 4 KB reads" "$n_mixed" mixed_floor mixed_floor
row "mixed: floor, 64 KB reads" "$n_mixed" mixed_floor64 mixed_floor
row "mixed: \`inkhound scan\`" "$n_mixed" mixed_scan mixed_floor
[ ${#jobs8[@]} -gt 0 ] && row "mixed: \`inkhound scan --jobs 8\`" "$n_mixed" mixed_scan8 mixed_floor
row "no-eps: floor, 4 KB reads" "$n_no_eps" jtg_floor jtg_floor
row "no-eps: floor, 64 KB reads" "$n_no_eps" jtg_floor64 jtg_floor
row "no-eps: \`inkhound scan --file-scan-flags 0x36\`" "$n_no_eps" jtg_scan jtg_floor
[ ${#jobs8[@]} -gt 0 ] &&
    row "no-eps: \`inkhound scan --jobs 2 --file-scan-flags 0x36\`" "$n_no_eps" jtg_scan2 jtg_floor
row "part: floor, 4 KB reads" "$n_part" part_floor part_floor
row "part: floor, 64 KB reads" "$n_part" part_floor64 part_floor
row "part: \`inkhound scan\`" "$n_part" part_scan part_floor
row "part: \`exiftool -fast2\` (${#listed[@]} files)" "$n_part" part_exiftool part_floor
row "part: \`identify -ping\` (${#listed[@]} files)" "$n_part" part_identify part_floor
row "part: \`file\` (${#listed[@]} files)" "$n_part" part_file part_floor
echo
echo "| \`inkhound scan\` | files | peak resident memory |"
echo "|---|---|---|"
echo "| mixed/job0, one job | $n_job | ${peak_rss[job_scan]} KiB |"
echo "| mixed, one job | $n_mixed | ${peak_rss[mixed_scan]} KiB |"
[ ${#jobs8[@]} -gt 0 ] && echo "| mixed, \`--jobs 8\` | $n_mixed | ${peak_rss[mixed_scan8]} KiB |"
exit 0
