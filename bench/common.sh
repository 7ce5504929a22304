# Sourced by the bench scripts (from the repository's top): the data directory, made on
# first use, the C helpers, and the best-of bookkeeping. Needs $build; sets tool, data and
# bin (the helpers go into the build directory, so that checkouts sharing the data never
# run each other's).
[[ $build = /* ]] || build=$PWD/$build
tool=$build/inkhound
[ -x "$tool" ] || { echo "no $tool: build the native tree first" >&2; exit 2; }
data=${INKHOUND_BENCH_DIR:-${TMPDIR:-/tmp}/inkhound-bench-scan}
# (the PDF benchmark sets no_tree=1: it makes its own file and needs no tree)
[ "${no_tree:-0}" = 1 ] || [ -f "$data/.ready" ] || bench/scan/make-tree.sh "$data" >&2
bin=$build/bench
mkdir -p "$bin"
for program in measure eps/make_eps eps/read_loop scan/floor; do
    cc -O2 -o "$bin/${program#*/}" "bench/$program.c"
done

# keep NAME COMMAND...: runs the command once; keeps its shortest time in best_time[NAME],
# its largest peak memory in peak_rss[NAME] and its last exit status in exit_status[NAME].
# Callers interleave their commands run by run, so that a busy machine slows all alike.
declare -A best_time peak_rss exit_status
keep() {
    local name=$1 time rss status
    shift
    read -r time rss status < <("$bin/measure" "$@")
    if [ -z "${best_time[$name]:-}" ] ||
        awk -v a="$time" -v b="${best_time[$name]}" 'BEGIN { exit !(a < b) }'; then
        best_time[$name]=$time
    fi
    [ "$rss" -gt "${peak_rss[$name]:-0}" ] && peak_rss[$name]=$rss
    exit_status[$name]=$status
    return 0
}
# ratio NAME FLOOR: how fast NAME ran against FLOOR (the floor's time over NAME's).
ratio() { awk -v a="${best_time[$1]}" -v b="${best_time[$2]}" 'BEGIN { printf "%.2f", b / a }'; }
# rate NAME COUNT: COUNT per second of NAME's best time.
rate() { awk -v n="$2" -v t="${best_time[$1]}" 'BEGIN { printf "%.0f", n / t }'; }
