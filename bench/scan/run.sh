#!/bin/bash
# The scan benchmark: "inkhound scan" over a generated tree of about 20,000 files in a
# prepress mix, against a minimal C program doing the same reads without the decisions
# (bench/scan/floor.c), in the same run; then the same over the tree without its EPS
# files, "file" and ImageMagick's "identify -ping" on a 2,000-file part for comparison,
# and the scan's peak memory at 5,000 and 20,000 files. Prints a Markdown table.
# usage: bench/scan/run.sh [BUILD_DIR [RUNS]]   (defaults: build/native 5)
# The trees are made once (bench/scan/make-tree.sh) under $INKHOUND_BENCH_DIR, by default
# /tmp/inkhound-bench-scan; times are the best of RUNS runs with a warm page cache.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/native}
runs=${2:-5}
tool=$build/inkhound
[ -x "$tool" ] || { echo "no $tool: build the native tree first" >&2; exit 2; }
data=${INKHOUND_BENCH_DIR:-${TMPDIR:-/tmp}/inkhound-bench-scan}
[ -f "$data/.ready" ] || bench/scan/make-tree.sh "$data" >&2
mkdir -p "$data/bin"
cc -O2 -o "$data/bin/floor" bench/scan/floor.c
cc -O2 -o "$data/bin/measure" bench/scan/measure.c
measure=$data/bin/measure
floor=$data/bin/floor

# best COMMAND...: the shortest of $runs wall-clock times, after one warm-up run.
best() {
    "$measure" "$@" >/dev/null
    local shortest=""
    for _ in $(seq "$runs"); do
        local time
        time=$("$measure" "$@" | cut -d' ' -f1)
        if [ -z "$shortest" ] || awk -v a="$time" -v b="$shortest" 'BEGIN { exit !(a < b) }'; then
            shortest=$time
        fi
    done
    echo "$shortest"
}
peak_kib() { "$measure" "$@" | cut -d' ' -f2; }
count() { find "$1" -type f | wc -l; }
rate() { awk -v n="$1" -v t="$2" 'BEGIN { printf "%.0f", n / t }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b / a }'; }

mixed=$data/mixed
no_eps=$data/no-eps
n_mixed=$(count "$mixed")
n_no_eps=$(count "$no_eps")
row() {  # row WHAT FILES SECONDS [FLOOR_SECONDS]
    local versus="-"
    [ -n "${4:-}" ] && versus=$(ratio "$3" "$4")
    printf '| %s | %s | %.3f | %s | %s |\n' "$1" "$2" "$3" "$(rate "$2" "$3")" "$versus"
}

echo "| run | files | seconds | files/s | floor time / this time |"
echo "|---|---|---|---|---|"
t_first=$(best "$floor" --first-block "$mixed")
t_floor=$(best "$floor" "$mixed")
t_default=$(best "$tool" scan "$mixed")
t_all=$(best "$tool" scan --logging-flags 0x1F "$mixed")
row "mixed: walk, open, read 4 KiB, close (C)" "$n_mixed" "$t_first"
row "mixed: the reads the checks need (C floor)" "$n_mixed" "$t_floor"
row "mixed: inkhound scan" "$n_mixed" "$t_default" "$t_floor"
row "mixed: inkhound scan --logging-flags 0x1F" "$n_mixed" "$t_all" "$t_floor"
t_floor2=$(best "$floor" "$no_eps")
t_default2=$(best "$tool" scan "$no_eps")
t_all2=$(best "$tool" scan --logging-flags 0x1F "$no_eps")
row "no EPS: the reads the checks need (C floor)" "$n_no_eps" "$t_floor2"
row "no EPS: inkhound scan" "$n_no_eps" "$t_default2" "$t_floor2"
row "no EPS: inkhound scan --logging-flags 0x1F" "$n_no_eps" "$t_all2" "$t_floor2"

# The general-purpose tools, on the first 2,000 files with a listed extension.
list=$data/bin/part.list
{ find "$mixed/job0" -type f -regextype posix-extended \
    -iregex '.*\.(jpe?g|jpe|jfif?|tiff?|epsf?|gif)$' -print0 || true; } | head -z -n 2000 >"$list"
n_part=$(tr -cd '\0' <"$list" | wc -c)
if command -v file >/dev/null; then
    row "part: file" "$n_part" "$(best xargs -0 -a "$list" file --)"
fi
if [ -x /usr/bin/identify ]; then
    row "part: identify -ping (ImageMagick)" "$n_part" "$(best xargs -0 -a "$list" /usr/bin/identify -ping)"
fi

echo
echo "| inkhound scan --logging-flags 0x1F | files | peak resident memory |"
echo "|---|---|---|"
echo "| one job of the mixed tree | $(count "$mixed/job0") | $(peak_kib "$tool" scan --logging-flags 0x1F "$mixed/job0") KiB |"
echo "| the whole mixed tree | $n_mixed | $(peak_kib "$tool" scan --logging-flags 0x1F "$mixed") KiB |"
