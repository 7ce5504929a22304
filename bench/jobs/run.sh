#!/bin/bash
# Parallel checks: "inkhound check" and "inkhound scan" with --jobs 1 and --jobs 8 on
# 2,000 files of the mixed tree served by bench/fuse/slowfs.c, which waits DELAY_MS
# milliseconds (default 2) before every open and read as a file server would; then the
# same on the local disk with 1, 2, 4 and 8 jobs on a 5,000-file job and on the 17,000
# JPEG, TIFF and GIF files of no-eps, to choose the default. Interleaved run by run; prints Markdown tables (best of RUNS on the local disk,
# of SLOW_RUNS on the slow share, where the waits dominate and one job takes minutes).
# usage: bench/jobs/run.sh [BUILD_DIR [RUNS [SLOW_RUNS]]]   (defaults: build/native 3 1;
# as root, or a user allowed to mount FUSE file systems)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/native}
runs=${2:-3}
slow_runs=${3:-1}
delay=${DELAY_MS:-2}
. bench/common.sh
cc -O2 -o "$bin/slowfs" bench/fuse/slowfs.c $(pkg-config --cflags --libs fuse3)
job=$data/mixed/job0
work=$(mktemp -d "${TMPDIR:-/tmp}/inkhound-slowfs.XXXXXX")
mount=$work/mount
mkdir "$mount"
# Unmounted on every exit, lazily if a command interrupted still holds a file open; the
# files go only once the mount point is empty.
trap 'fusermount3 -u -z "$mount" 2>/dev/null; rmdir "$mount" && rm -rf "$work"' EXIT
"$bin/slowfs" --delay-ms "$delay" "$job" "$mount"

# Until the program has --jobs, xargs running N processes at a time on parts of 25 stands
# in for it (a folder at a time for scan; the folders each hold one kind, so large parts
# would not share the work evenly), and the output is not compared.
standin=0
"$tool" check --jobs 1 "$data/templates/o-notes.txt" >/dev/null 2>&1 || standin=1
# run KIND N TARGET...: the command checking or scanning TARGETs with N jobs.
run() {
    local kind=$1 n=$2
    shift 2
    if [ "$standin" = 0 ]; then
        command=("$tool" "$kind" --jobs "$n" "$@")
    elif [ "$n" = 1 ]; then
        command=("$tool" "$kind" "$@")
    else
        printf '%s\n' "$@" >"$work/$kind.list"
        command=(xargs -a "$work/$kind.list" -d '\n' -P "$n" -n "$([ "$kind" = check ] && echo 25 || echo 1)" "$tool" "$kind")
    fi
}
# The part: the first 20 folders of the job, 2,000 files.
folders=() files=() local_files=()
for i in $(seq 0 19); do folders+=("$mount/folder$i"); done
mapfile -t files < <(cd "$mount" && find folder{0..19} -type f | sort | sed "s|^|$mount/|")
mapfile -t local_files < <(find "$job" -type f | sort)
local_folders=("$job"/folder*)
no_eps=$data/no-eps
n_no_eps=$(find "$no_eps" -type f | wc -l)

# The slow share's output is kept, to compare 8 jobs' with one's.
for _ in $(seq "$slow_runs"); do
    for n in 1 8; do
        run check "$n" "${files[@]}"
        MEASURE_OUTPUT=$work/check$n.out keep "slow_check$n" "${command[@]}"
        run scan "$n" "${folders[@]}"
        MEASURE_OUTPUT=$work/scan$n.out keep "slow_scan$n" "${command[@]}"
    done
done
for _ in $(seq "$runs"); do
    for n in 1 2 4 8; do
        run check "$n" "${local_files[@]}" && keep "local_check$n" "${command[@]}"
        run scan "$n" "${local_folders[@]}" && keep "local_scan$n" "${command[@]}"
        # Small files only, whose checks are the shortest: where a job's own cost shows.
        run scan "$n" --file-scan-flags 0x36 "$no_eps" && keep "local_small$n" "${command[@]}"
    done
done

[ "$standin" = 1 ] && echo "No --jobs in this build: \`xargs -P N\` stands in for N jobs" \
    "(parts of 25 files for check, a folder each for scan)."
echo "Slow share: $delay ms before every open and read, best of $slow_runs runs;" \
    "local disk: best of $runs runs."
echo
echo "| run | files | jobs | seconds | files/s | speed / one job's | output as one job's |"
echo "|---|---|---|---|---|---|---|"
# The same output and exit status with 8 jobs as with one, but for the time of day that
# starts the scan's timed lines (not compared for the stand-in).
declare -A same=([check]=- [scan]=-)
untimed() { sed -E 's/^[0-9]+-[A-Za-z]+-[0-9]+ [0-9:]+  //' "$1"; }
for kind in check scan; do
    [ "$standin" = 1 ] && continue
    same[$kind]=NO
    [ "${exit_status[slow_${kind}1]}" = "${exit_status[slow_${kind}8]}" ] &&
        cmp -s <(untimed "$work/${kind}1.out") <(untimed "$work/${kind}8.out") && same[$kind]=yes
done
for kind in check scan; do
    for n in 1 8; do
        printf '| slow share: `inkhound %s` | %s | %s | %.3f | %s | %s | %s |\n' "$kind" \
            "${#files[@]}" "$n" "${best_time[slow_$kind$n]}" "$(rate "slow_$kind$n" "${#files[@]}")" \
            "$(ratio "slow_$kind$n" "slow_${kind}1")" "$([ "$n" = 1 ] && echo - || echo "${same[$kind]}")"
    done
done
for kind in check scan; do
    for n in 1 2 4 8; do
        printf '| local disk: `inkhound %s` | %s | %s | %.3f | %s | %s | - |\n' "$kind" \
            "${#local_files[@]}" "$n" "${best_time[local_$kind$n]}" \
            "$(rate "local_$kind$n" "${#local_files[@]}")" "$(ratio "local_$kind$n" "local_${kind}1")"
    done
done
for n in 1 2 4 8; do
    printf '| local disk: `inkhound scan --file-scan-flags 0x36` of no-eps | %s | %s | %.3f | %s | %s | - |\n' \
        "$n_no_eps" "$n" "${best_time[local_small$n]}" "$(rate "local_small$n" "$n_no_eps")" \
        "$(ratio "local_small$n" local_small1)"
done
