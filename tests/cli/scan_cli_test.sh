#!/bin/bash
# "inkhound scan" run as a user runs it: the report on stdout in the log's layout, the
# --log file byte for byte, --list files, usage errors, exit codes and Ctrl-C.
# usage: INKHOUND=path/to/inkhound [INKHOUND_RUNNER="wine-run.sh ..."] [SAMPLES=samples/]
#        scan_cli_test.sh
# With a runner the tool is the Windows build: cases that need POSIX devices, /proc or
# signals are then left out, and paths are joined with backslashes.
source "$(dirname "$0")/harness.sh"

stamp='[0-9]{1,2}-[^ ]+-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}  '
# same_log A B: the two logs are one report, the times of their scans aside.
same_log() {
    cmp -s <(sed -E "s/^$stamp/T/" "$1") <(sed -E "s/^$stamp/T/" "$2")
}

tree="$work/tree"
mkdir -p "$tree/sub" "$tree/.hidden" "$work/other" "$work/-dash"
printf 'GIF89a\001\000\001\000' >"$tree/logo.gif"
cp "$tree/logo.gif" "$tree/sub/deep.gif"
cp "$tree/logo.gif" "$tree/.hidden/never.gif"
cp "$tree/logo.gif" "$work/other/second.gif"
cp "$tree/logo.gif" "$work/-dash/dash.gif"
printf '\377\330\377\340\000\020JFIF' >"$tree/photo.tif"
printf 'plain text\n' >"$tree/notes.txt"
flags=(--file-scan-flags 0x3E --logging-flags 0x1F)

run --help
expect "--help names scan" "$(has "$status/$out" "inkhound scan [OPTIONS]")"
run scan --help
expect "scan --help" "$(has "$status/$out" "0/usage:")"

for args in "scan" "scan --bogus $tree" "scan --list" "scan --log" "scan --list $work/x.dfo $tree" \
            "scan --logging-flags 0x10000 $tree" "scan --log $work/a --log $work/b $tree" \
            "scan --json $tree" "scan --list=" "scan --jobs 0 $tree" "scan --jobs 10000 $tree" \
            "scan --exclude= $tree" "scan --files-from $work/x.list $tree" "scan --report rgb,x $tree" \
            "scan --format tsv $tree" "scan --format= $tree"; do
    run $args
    expect "usage error: $args" "$( [ $status = 2 ] && [ -z "$out" ] && [ "$(lines "$err")" = 1 ]; echo $?)"
done
run scan "$tree" ""
expect "usage error: an empty DIR" "$( [ $status = 2 ] && [ -z "$out" ]; echo $?)"

run scan "${flags[@]}" "$tree"
expect "found something: exit 1" "$(is "$status" 1)"
expect "nothing on stderr without a terminal" "$(is "$err" "")"
expect "start line first" "$(matches "$(printf '%s\n' "$out" | head -n 1)" "^${stamp}Starting an immediate scan\$")"
expect "sections in the log's order" "$(is "$(printf '%s\n' "$out" | sed -n '2,3p;6,8p')" "
===== Files that are GIF =====

===== Files that generated errors =====
    $tree${sep}photo.tif: File is mis-labelled")"
# The order within a section is the enumeration's: the GIF lines compare as a set.
sorted_gif=$(printf '%s\n' "$out" | sed -n '4,5p' | sort)
expect "gif entries" "$(is "$sorted_gif" "$(printf '%s\n' "    $tree${sep}logo.gif" "    $tree${sep}sub${sep}deep.gif" | sort)")"
expect "closing lines" "$(matches "$(printf '%s\n' "$out" | tail -n 2)" "^${stamp}Finished the immediate scan\$")"
expect "totals" "$(is "$(printf '%s\n' "$out" | tail -n 1)" "* * * 4 files seen, 3 files checked, 3 files logged * * *")"
expect "dot directory not entered" "$(lacks "$out" "never.gif")"
# A link back up the tree (which Wine shows as a directory) and a directory given again
# inside one given before: each file is walked once.
mkdir -p "$work/loop/sub" && cp "$tree/logo.gif" "$work/loop/sub/" && ln -s .. "$work/loop/sub/up"
run scan "${flags[@]}" "$work/loop" "$work/loop/sub" "$work/loop"
expect "no folder walked twice" "$(is "$(printf '%s\n' "$out" | tail -n 1)" "* * * 1 files seen, 1 files checked, 1 files logged * * *")"
if [ $posix = 1 ]; then
    expect "LF line ends on stdout" "$(lacks "$raw" '\r')"
fi

run scan "${flags[@]}" --log "$work/scan.log" "$tree"
if [ $posix = 1 ]; then
    sed 's/$/\r/' "$work/out" >"$work/expected.log"
else
    cp "$work/out" "$work/expected.log"
fi
expect "--log holds the report with CR LF" "$( [ $status = 1 ] && cmp -s "$work/expected.log" "$work/scan.log"; echo $?)"
expect "--log ends with CR LF" "$( [ "$(tail -c 2 "$work/scan.log" | od -An -c | tr -d ' ')" = '\r\n' ]; echo $?)"

# Records: one per file in walk order, the walker's errors, the totals; the --log file
# stays the report.
run scan "${flags[@]}" --format csv "$tree" "$work/missing"
records csv "$work/out" path sections | tr '\0' '\n' | sed 's/.*[\/\\]//' | sort >"$work/back"
expect "--format csv: a record per file, its sections" "$( [ $status = 3 ] &&
    [ "$(cat "$work/back")" = "$(printf '%s\t%s\n' deep.gif gif logo.gif gif notes.txt "" photo.tif errors)" ] &&
    [ "$(printf '%s\n' "$out" | tail -n 1 | cut -d, -f1-2)" = "error,$work/missing" ] &&
    [ "$err" = "* * * 4 files seen, 3 files checked, 3 files logged * * *" ]; echo $?)"
run scan "${flags[@]}" --format json --log "$work/json.log" "$tree" "$work/missing"
expect "--format json: the totals last, the --log file the report" "$( [ $status = 3 ] &&
    [ "$(printf '%s\n' "$out" | tail -n 1)" = '{"kind":"totals","files_seen":4,"files_checked":3,"files_logged":3,"stopped":false}' ] &&
    [ "$(has "$out" '"path":"'"$work"'/missing","error":"open failure on directory: ')" = 0 ] &&
    [ "$(grep -c '^=====' "$work/json.log")" = 2 ] && [ -z "$err" ]; echo $?)"
# Names that CSV and JSON must quote or escape come back byte for byte.
mkdir -p "$work/odd/a,b"
# The Windows build names files in the ANSI code page: there UTF-8 is for POSIX alone.
odd_names=("$work/odd/a,b/c,d.gif")
if [ $posix = 1 ]; then
    odd_names+=("$work/odd/é.gif" "$work/odd/\"q\"
r$(printf '\r\001').gif" "$work/odd/bad-$(printf '\377\300').gif")
fi
for name in "${odd_names[@]}"; do cp "$tree/logo.gif" "$name"; done
for format in csv json; do
    run scan "${flags[@]}" --format $format "$work/odd"
    records $format "$work/out" path | tr '\0' '\n' | sed 's/.*[\/\\]//' | sort >"$work/back"
    expect "--format $format: odd names read back" "$( [ $status = 1 ] &&
        cmp -s "$work/back" <(printf '%s\n' "${odd_names[@]}" | sed 's/.*[\/\\]//' | sort); echo $?)"
done

# --progress off a terminal: the line is drawn and cleared, the report is unchanged.
run scan "${flags[@]}" "$tree"
cp "$work/out" "$work/plain.out"
run scan "${flags[@]}" --progress "$tree"
expect "--progress: report unchanged, the line cleared at the end" "$( [ $status = 1 ] &&
    same_log "$work/plain.out" "$work/out" && [ "$(has "$err" " files seen, ")" = 0 ] &&
    [ "$(tail -c 1 "$work/err" | od -An -c | tr -d ' ')" = '\r' ]; echo $?)"

printf 'an older and much longer log than the next one\r\n%.0s' $(seq 100) >"$work/zero.log"
mkdir -p "$work/gifs-only"
cp "$tree/logo.gif" "$work/gifs-only/"
run scan --file-scan-flags 0x3E --logging-flags 0 --log "$work/zero.log" "$work/gifs-only"
expect "flags 0: nothing printed, zero-byte log, exit 0" "$( [ $status = 0 ] && [ -z "$out" ] &&
    [ -f "$work/zero.log" ] && [ ! -s "$work/zero.log" ]; echo $?)"
run scan --file-scan-flags 0x3E --logging-flags 0 "$tree"
expect "flags 0: a mis-labelled file still counts as found" "$( [ $status = 1 ] && [ -z "$out" ]; echo $?)"
run scan --file-scan-flags 0x3E --logging-flags 0x01 "$work/gifs-only"
expect "flags 1, nothing found: four lines, exit 0" "$( [ $status = 0 ] && [ "$(lines "$out")" = 4 ]; echo $?)"

run scan "${flags[@]}" --no-recurse "$tree"
expect "--no-recurse" "$( [ $status = 1 ] && [ "$(has "$out" "logo.gif")" = 0 ] &&
    [ "$(lacks "$out" "deep.gif")" = 0 ]; echo $?)"

run scan "${flags[@]}" "$work/other" "$tree" -- "$work/-dash"
gif_order=$(printf '%s\n' "$out" | grep -E 'second.gif|logo.gif|dash.gif' | sed 's/.*[\/\\]//')
expect "directories in the order given" "$(is "$(printf '%s\n' "$gif_order" | head -n 1)/$(printf '%s\n' "$gif_order" | tail -n 1)" "second.gif/dash.gif")"

missing="$work/missing"
run scan "${flags[@]}" "$missing" "$work/gifs-only"
code=2
[ $posix = 0 ] && code=3
expect "missing directory reported, scan goes on; found and unread: exit 3" "$( [ $status = 3 ] &&
    [ "$(matches "$out" "^${stamp}$missing: open failure on directory: $code\$")" = 0 ] &&
    [ "$(has "$out" "logo.gif")" = 0 ]; echo $?)"

run scan --logging-flags 0 "$missing"
expect "an error entry alone: exit 3, though nothing is printed" "$( [ $status = 3 ] && [ -z "$out" ]; echo $?)"

# --exclude: sidecar files and snapshot folders left out, neither checked nor counted;
# names as the system compares them. The names instead of the flag words: the same report.
mkdir -p "$work/share/~snapshot" "$work/share/job"
for f in logo.gif ._logo.gif job/._deep.gif job/deep.gif "~snapshot/old.gif"; do cp "$tree/logo.gif" "$work/share/$f"; done
run scan --check tiff,jpeg,eps,extensions --report all --exclude '._*' --exclude '~snap[a-z]ho?' "$work/share"
expect "--exclude: sidecars and snapshots left out" "$( [ $status = 0 ] &&
    [ "$(printf '%s\n' "$out" | tail -n 1)" = "* * * 2 files seen, 2 files checked, 0 files logged * * *" ]; echo $?)"
for pattern in '*.GIF' '*.gif'; do
    run scan --check gif,extensions --report gif --exclude "$pattern" "$work/share"
    printf '%s\n' "$out" >"$work/named.txt"
    run scan --file-scan-flags 0x30 --logging-flags 0x04 --exclude "$pattern" "$work/share"
    seen=5
    [ $pattern = '*.gif' ] || [ $posix = 0 ] && seen=0
    expect "--exclude '$pattern': case as the system's; names as words" "$( [ "$(has "$out" "* * * $seen files seen")" = 0 ] &&
        same_log "$work/named.txt" <(printf '%s\n' "$out"); echo $?)"
done

if [ $posix = 1 ]; then
    list_tree="$tree" list_sub="$tree/sub"
else
    list_tree="Z:$(printf '%s' "$tree" | tr '/' '\\')" list_sub="$list_tree\\sub"
fi
printf '!\n!\tInkhound scan directories - don'"'"'t edit\n!\n%s\n-%s\n%s\n' \
    "$list_tree" "$list_sub" "$missing" >"$work/scan.dfo"
run scan "${flags[@]}" --list "$work/scan.dfo" --no-recurse
expect "--list: excluded subdirectory passed over" "$( [ $status = 3 ] &&
    [ "$(has "$out" "logo.gif")" = 0 ] && [ "$(lacks "$out" "deep.gif")" = 0 ] &&
    [ "$(has "$out" "open failure on directory")" = 0 ]; echo $?)"
printf '%s\r\n' "$list_tree" >"$work/crlf.dfo"
run scan "${flags[@]}" --list="$work/crlf.dfo"
expect "--list with CR LF lines" "$( [ $status = 1 ] && [ "$(has "$out" "deep.gif")" = 0 ]; echo $?)"
: >"$work/empty.dfo"
run scan "${flags[@]}" --list "$work/empty.dfo"
expect "empty list: framing only" "$( [ $status = 0 ] && [ "$(lines "$out")" = 4 ] &&
    [ "$(has "$out" "* * * 0 files seen")" = 0 ]; echo $?)"
run scan "${flags[@]}" --list "$work/absent.dfo"
expect "unreadable list: exit 2, nothing scanned" "$( [ $status = 2 ] && [ -z "$out" ] &&
    [ "$(has "$err" "absent.dfo")" = 0 ]; echo $?)"

{ printf '!\n%s\n' "$list_tree"; printf '%04096d\n' 0; printf 'a\000b\n'; } >"$work/skips.dfo"
run scan "${flags[@]}" --list "$work/skips.dfo"
expect "--list: skipped lines named on stderr" "$( [ $status = 1 ] && [ "$(has "$out" "deep.gif")" = 0 ] &&
    [ "$(has "$err" "line 3 of the list file skipped, so not scanned: longer than the path limit")" = 0 ] &&
    [ "$(has "$err" "line 4 of the list file skipped, so not scanned: it holds a zero byte")" = 0 ]; echo $?)"
run scan "${flags[@]}" --list "$tree"
expect "--list naming a folder: refused" "$(is "$status/$out" "2/")"

# 100,000 entries, then one mark overriding them all: loading stays linear (a quadratic
# load of this list takes minutes and meets the run's time-out).
# Paths go through the environment: awk reads backslashes in -v values as escapes.
TOP=$list_sub SEP=$sep awk 'BEGIN { top = ENVIRON["TOP"]
                                    for (i = 0; i < 100000; i++)
                                        printf "%s%sgone%d\n", top, ENVIRON["SEP"], i
                                    printf "-%s\n", top }' >"$work/big.dfo"
run scan "${flags[@]}" --list "$work/big.dfo"
expect "--list of 100,001 lines: loaded, every entry overridden" "$( [ $status = 0 ] &&
    [ "$(has "$out" "* * * 0 files seen")" = 0 ]; echo $?)"

run scan "${flags[@]}" --log "$work/other" "$tree"
expect "unwritable --log: exit 2 before scanning" "$( [ $status = 2 ] && [ -z "$out" ] &&
    [ "$(has "$err" "$work/other")" = 0 ]; echo $?)"

# --log: replaced whole, never spliced, nothing left beside it, a reader gone or not.
mkdir "$work/logs"
printf 'an older and much longer log\r\n%.0s' $(seq 400) >"$work/logs/scan.log"
{ timeout 60 "${tool[@]}" scan "${flags[@]}" --log "$work/logs/scan.log" "$tree" 2>/dev/null; } | true
expect "--log whole though stdout's reader is gone" "$(same_log "$work/expected.log" "$work/logs/scan.log"; echo $?)"
timeout 60 "${tool[@]}" scan "${flags[@]}" --log "$work/logs/scan.log" "$work/gifs-only" >/dev/null 2>&1 &
timeout 60 "${tool[@]}" scan "${flags[@]}" --log "$work/logs/scan.log" "$tree" >/dev/null 2>&1
wait
expect "two scans, one log: one of them whole" "$( [ "$(grep -c 'Starting an immediate scan' "$work/logs/scan.log")" = 1 ] &&
    [ "$(tail -n 1 "$work/logs/scan.log" | grep -c '^\* \* \*')" = 1 ] && [ "$(ls -A "$work/logs")" = scan.log ]; echo $?)"

# The bundled samples: one file for each finding the report can show, each in its place.
samples="${SAMPLES:-}"
if [ -n "$samples" ] && [ -d "$samples" ]; then
    run scan --file-scan-flags 0x3F --logging-flags 0x1F "$samples"
    section() {  # the entries under a section's title, names only
        printf '%s\n' "$out" | awk -v title="===== $1 =====" '
            $0 == title { on = 1; next }
            /^$/ { on = 0 }
            on { sub(/^.*[\/\\]/, ""); print }' | sort | tr '\n' ' '
    }
    # A link whose target is gone cannot be read (Wine lists none).
    expect "samples: exit 3, or 1 without the broken link" "$(is "$status" $((posix ? 3 : 1)))"
    expect "samples: RGB" "$(is "$(section "Files that are or seem to be RGB")" \
        "mixed-drawing.eps: possibly both CMYK and RGB palette-logo.tif: possibly RGB rgb-and-cmyk.eps rgb-photo.jpg ")"
    expect "samples: CMYK" "$(is "$(section "Files that are or seem to be CMYK")" \
        "cmyk-plate.tif cmyk-spot-channel.tif: possibly CMYK mixed-drawing.eps: possibly both CMYK and RGB rgb-and-cmyk.eps ")"
    expect "samples: GIF" "$(is "$(section "Files that are GIF")" "logo.gif ")"
    expect "samples: JPEG in EPS" "$(is "$(section "EPS files that have embedded JPEGs")" "jpeg-in-eps.eps ")"
    expect "samples: unknown colour" "$(is "$(section "Files that are of an unknown colour")" \
        "cut-short.tif: Can't determine if RGB or CMYK lab-proof.tif: File uses another colour space ")"
    # Wine lists no link whose target is gone.
    link="missing-link.tif: open failure: 2 "
    [ $posix = 0 ] && link=""
    expect "samples: errors" "$(is "$(section "Files that generated errors")" \
        "${link}no-entries.tif: File looks to be invalid scanned-as.tif: File is mis-labelled ")"
    # Jobs: the one job's report, entry for entry in walk order, and its exit status.
    for n in 1 $([ $several_jobs = 1 ] && echo 8); do
        run scan --jobs $n --file-scan-flags 0x3F --logging-flags 0x1F "$samples" "$missing" "$tree"
        printf 'status %s\n%s\n' "$status" "$out" >"$work/jobs$n.txt"
    done
    [ $several_jobs = 1 ] && expect "--jobs 8: the one job's report and exit status" \
        "$(same_log "$work/jobs1.txt" "$work/jobs8.txt"; echo $?)"
    if [ $several_jobs = 1 ]; then
        for n in 1 8; do
            run scan --jobs $n --format json --file-scan-flags 0x3F --logging-flags 0x1F "$samples" "$missing" "$tree"
            printf 'status %s\n%s\n' "$status" "$out" >"$work/jobs$n.txt"
        done
        expect "--jobs 8: the one job's records" "$( [ "$(grep -c '"kind":"file"' "$work/jobs1.txt")" -gt 15 ] &&
            cmp -s "$work/jobs1.txt" "$work/jobs8.txt"; echo $?)"
    fi
fi

if [ $posix = 1 ]; then
    chmod 640 "$work/logs/scan.log"
    ln -s scan.log "$work/logs/link.log"
    run scan "${flags[@]}" --log "$work/logs/link.log" "$tree"
    expect "--log through a link: the target replaced, its mode kept" "$( [ -L "$work/logs/link.log" ] &&
        same_log "$work/expected.log" "$work/logs/scan.log" && [ "$(stat -c %a "$work/logs/scan.log")" = 640 ] &&
        [ "$(ls -A "$work/logs" | tr '\n' ' ')" = "link.log scan.log " ]; echo $?)"
    run scan "${flags[@]}" --log /dev/null "$tree"
    expect "--log /dev/null: no failure" "$(is "$status/$err" "1/")"
    timeout 60 "${tool[@]}" scan "${flags[@]}" --log /dev/stdout "$tree" 2>"$work/err" | cat >"$work/out"
    status=${PIPESTATUS[0]} out=$(cat "$work/out") err=$(cat "$work/err")
    expect "--log /dev/stdout: written through" "$( [ $status = 1 ] &&
        [ "$(grep -c 'Starting an immediate scan' "$work/out")" = 2 ]; echo $?)"
    mkfifo "$work/log.fifo"
    cat "$work/log.fifo" >"$work/fifo.out" &
    run scan "${flags[@]}" --log "$work/log.fifo" "$tree"
    wait
    expect "--log FIFO: written through" "$( [ $status = 1 ] && same_log "$work/expected.log" "$work/fifo.out"; echo $?)"
    run scan "${flags[@]}" --list "$work/log.fifo"
    expect "--list FIFO: refused, no hang" "$(is "$status/$out" "2/")"
    timeout 60 "${tool[@]}" scan "${flags[@]}" --log "$work/closed.log" "$tree" >&- 2>"$work/err"
    status=$? out="" err=$(cat "$work/err")
    expect "closed stdout: the report once in the log" "$( [ $status = 1 ] &&
        same_log "$work/expected.log" "$work/closed.log"; echo $?)"

    # Escaped names: one whose line feeds would fake a section stays on its line.
    mkdir "$work/evil"
    cp "$tree/logo.gif" "$work/evil/x
===== Files that generated errors =====
    fake.gif"
    run scan "${flags[@]}" "$work/evil"
    expect "a name cannot start a line" "$( [ "$(grep -c '^=====' <<<"$out")" = 1 ] &&
        [ "$(has "$out" "x\\n===== Files that generated errors =====\\n    fake.gif")" = 0 ]; echo $?)"

    # 2,000 levels: more than the usual soft limit of descriptors, never the hard one.
    deep="$work/deep/$(printf 'd/%.0s' $(seq 2000))"
    mkdir -p "$deep" && cp "$tree/logo.gif" "$deep/bottom.gif"
    out=$(ulimit -Sn 256; timeout 60 "${tool[@]}" scan "${flags[@]}" "$work/deep" 2>"$work/err")
    status=$? err=$(cat "$work/err")
    expect "deep tree walked whole" "$( [ $status = 1 ] && [ -z "$err" ] && [ "$(has "$out" "bottom.gif")" = 0 ]; echo $?)"
    out=$(ulimit -n 200; timeout 60 "${tool[@]}" scan "${flags[@]}" "$work/deep" 2>"$work/err")
    status=$? err=$(cat "$work/err")
    expect "deeper than the hard limit: told on stderr" "$( [ $status = 3 ] && [ "$(lines "$err")" = 1 ] &&
        [ "$(has "$err" "not scanned: the tree is deeper than the limit of 200 open files allows")" = 0 ]; echo $?)"

    run scan "${flags[@]}" --log /dev/full "$tree"
    expect "--log not written whole: exit 2 wins over 1" "$( [ $status = 2 ] &&
        [ "$(has "$out" "Finished the immediate scan")" = 0 ] &&
        [ "$(has "$err" "/dev/full")" = 0 ]; echo $?)"
    timeout 60 "${tool[@]}" scan "${flags[@]}" "$tree" >/dev/full 2>"$work/err"
    status=$? out="" err=$(cat "$work/err")
    expect "stdout not written: exit 2" "$( [ $status = 2 ] && [ -n "$err" ]; echo $?)"

    mkdir -p "$work/tmp"
    TMPDIR="$work/tmp" timeout 60 "${tool[@]}" scan "${flags[@]}" "$tree" >/dev/null 2>&1
    status=$? out="" err=""
    expect "nothing left in the temporary folder" "$( [ $status = 1 ] && [ -z "$(ls -A "$work/tmp")" ]; echo $?)"

    # Ctrl-C: a tree big enough to be caught while the walker holds it open.
    big="$work/big"
    for d in $(seq 40); do
        mkdir -p "$big/d$d"
        (cd "$big/d$d" && touch $(printf 'f%d.gif ' $(seq 1500)))
    done
    # interrupt SIGNAL...: the big tree's scan, sent the signals once the walker holds it
    # open, with its temporary folder in $work/tmp. With on_terminal=1 it runs with 8 jobs
    # and its stderr on a pseudo-terminal, which shows the files-seen counter.
    on_terminal=0
    extra=()
    interrupt() {
        printf 'the previous log\r\n' >"$work/stopped.log"
        rm -f "$work/pid"
        if [ $on_terminal = 1 ]; then
            TMPDIR="$work/tmp" script -qec "echo \$\$ >$work/pid; exec ${tool[*]} scan ${flags[*]} \
                --jobs 8 --log $work/stopped.log $big >$work/out" /dev/null >"$work/err" </dev/null &
            waiter=$!
            for _ in $(seq 2000); do [ -s "$work/pid" ] && break; sleep 0.005; done
            pid=$(cat "$work/pid")
        else
            TMPDIR="$work/tmp" "${tool[@]}" scan "${flags[@]}" "${extra[@]}" --log "$work/stopped.log" "$big" \
                >"$work/out" 2>"$work/err" &
            pid=$! waiter=$!
        fi
        for _ in $(seq 2000); do
            if ls -l "/proc/$pid/fd" 2>/dev/null | grep -q -- "-> $big/d"; then
                for signal in "$@"; do kill -"$signal" "$pid"; done
                break
            fi
            sleep 0.005
        done
        # The guard's shell must not inherit the trap that removes $work: killed before it
        # could exec, a copy of this script would run it.
        trap - EXIT
        bash -c 'sleep 60; kill -KILL "$1"' guard "$pid" >/dev/null 2>&1 &
        guard=$!
        trap 'rm -rf "$work"' EXIT
        wait "$waiter"
        status=$?
        kill "$guard" 2>/dev/null
        out=$(cat "$work/out") err=$(cat "$work/err")
    }
    nothing_left() { [ -z "$(ls -A "$work/tmp")" ] && [ -z "$(ls -A "$work" | grep '^\.inkhound-')" ]; }
    # The last: Ctrl-C's signal to 8 jobs on a terminal.
    for case in INT TERM HUP jobs; do
        signal=${case/jobs/INT}
        [ $case = jobs ] && on_terminal=1
        interrupt $signal
        seen=$(printf '%s\n' "$out" | tail -n 1 | sed -n 's/^\* \* \* \([0-9]*\) files seen.*/\1/p')
        expect "$case: stopped by user, report still printed and logged, exit 130" "$( [ $status = 130 ] &&
            [ "$(matches "$out" "^${stamp}Immediate scan stopped by user\$")" = 0 ] &&
            [ -n "$seen" ] && [ "$seen" -lt 60000 ] && [ "$(has "$(cat "$work/stopped.log")" "stopped by user")" = 0 ] &&
            nothing_left && { [ $on_terminal = 0 ] || [ "$(has "$err" " files seen")" = 0 ]; }; echo $?)"
    done
    on_terminal=0
    extra=(--format csv)
    interrupt INT
    expect "--format csv, Ctrl-C: the stop's record, the totals on stderr, exit 130" "$( [ $status = 130 ] &&
        [ "$(printf '%s\n' "$out" | tail -n 1)" = "stopped,,,,Immediate scan stopped by user,,,,,,,,,,,,,,,," ] &&
        [ "$(matches "$err" '^\* \* \* [0-9]+ files seen')" = 0 ] && nothing_left; echo $?)"
    extra=()
    interrupt INT TERM
    expect "a second request: ended at once, nothing left, the previous log kept" "$( [ $status = 143 ] &&
        nothing_left && [ "$(cat "$work/stopped.log")" = "$(printf 'the previous log\r')" ]; echo $?)"

    # The progress line on a terminal of 70 columns: within 69, the folder's end shown. The
    # records' reader takes nothing for a second, which holds the scan inside the tree
    # however fast the machine walks it.
    script -qec "stty cols 70; ${tool[*]} scan ${flags[*]} --format csv $big | { sleep 1; cat >/dev/null; }" \
        /dev/null >"$work/tty" </dev/null
    longest=$(tr '\r' '\n' <"$work/tty" | awk '{ if (length > n) n = length } END { print n }')
    out="" err=$(cat "$work/tty") status=0
    expect "progress cut to the terminal's width" "$( [ "$longest" -le 69 ] &&
        grep -qE '[0-9]+ files seen, [0-9]+ checked, [0-9]+ files/s, 0:[0-9]{2}, \.\.\..*/d[0-9]+' "$work/tty"; echo $?)"
    # Its reader gone: the progress stops, the scan and its status do not.
    { timeout 60 "${tool[@]}" scan "${flags[@]}" --progress "$big/d1" "$big/d2" 2>&1 >"$work/out" |
        head -c 1 >/dev/null; echo "${PIPESTATUS[0]}" >"$work/status"; }
    status=$(cat "$work/status") out=$(tail -n 1 "$work/out") err=""
    expect "stderr gone under the progress: the run unchanged" "$(is "$status/$out" "1/* * * 3000 files seen, 3000 files checked, 3000 files logged * * *")"

    # A reader gone before a report larger than a pipe holds: one message, exit 2.
    { TMPDIR="$work/tmp" timeout 60 "${tool[@]}" scan "${flags[@]}" "$big/d1" "$big/d2" 2>"$work/err"
      echo $? >"$work/status"; } | head -n 1 >/dev/null
    status=$(cat "$work/status") out="" err=$(cat "$work/err")
    expect "| head -n 1: exit 2, one message, nothing left" "$( [ $status = 2 ] && [ "$(lines "$err")" = 1 ] &&
        nothing_left; echo $?)"
fi

# Profiles: an RGB TIFF carrying a CMYK profile, a JPEG with a profile of its own space,
# a grey TIFF without one. The records carry what each holds; --report icc-conflict adds
# its section after the report's, to stdout and the --log file alike.
icc="$work/icc" && mkdir -p "$icc"
python3 - "$icc" <<'PY'
import struct, sys
def profile(space, text):
    desc = b"desc\0\0\0\0" + struct.pack(">I", len(text) + 1) + text + b"\0"
    head = struct.pack(">I", 144 + len(desc)) + bytes(12) + space + bytes(16) + b"acsp"
    return head + bytes(128 - len(head)) + struct.pack(">I4sII", 1, b"desc", 144, len(desc)) + desc
def tiff(photometric, bits, samples, icc):
    tags = [(258, 3, samples, bits if samples == 1 else 100), (262, 3, 1, photometric),
            (277, 3, 1, samples)] + ([(34675, 7, len(icc), 200)] if icc else [])
    data = b"II*\0" + struct.pack("<IH", 8, len(tags))
    for tag, kind, count, value in tags:
        data += struct.pack("<HHII", tag, kind, count, value)
    data += struct.pack("<I", 0)
    data += bytes(100 - len(data)) + struct.pack("<3H", bits, bits, bits)
    return data + bytes(200 - len(data)) + icc
def segment(code, body):
    return bytes([0xFF, code]) + struct.pack(">H", len(body) + 2) + body
jpeg = (b"\xFF\xD8" + segment(0xE2, b"ICC_PROFILE\0\1\1" + profile(b"RGB ", b"Studio RGB")) +
        segment(0xC0, b"\x08\0\x10\0\x10\x03" + b"\1\x11\0" * 3) + b"\xFF\xD9")
open(sys.argv[1] + "/proof.tif", "wb").write(tiff(2, 8, 3, profile(b"CMYK", b"Coated FOGRA39")))
open(sys.argv[1] + "/photo.jpg", "wb").write(jpeg)
open(sys.argv[1] + "/scan.tif", "wb").write(tiff(1, 16, 1, b""))
PY
for format in json csv; do
    run scan --check all --report rgb --format $format "$icc"
    records $format "$work/out" path icc_space icc_description icc_conflict model bits | tr '\0' '\n' | sort >"$work/back"
    expect "--format $format: model, bits and profile" "$(is "$(cat "$work/back")" "$icc${sep}photo.jpg	RGB	Studio RGB	$( [ $format = json ] && echo False || echo 0)	rgb	8
$icc${sep}proof.tif	CMYK	Coated FOGRA39	$( [ $format = json ] && echo True || echo 1)	rgb	8
$icc${sep}scan.tif				grey	16")"
done
run scan --check all --report rgb,icc-conflict --log "$work/icc.log" "$icc"
expect "--report icc-conflict: its section last" "$(is "$(printf '%s\n' "$out" | tail -n 4)" "* * * 3 files seen, 3 files checked, 2 files logged * * *

===== Files whose colour profile contradicts their data =====
    $icc${sep}proof.tif: RGB data with a CMYK profile \"Coated FOGRA39\"")"
expect "--report icc-conflict: the same in the --log file" "$(is "$(tr -d '\r' <"$work/icc.log" | tail -n 1)" "$(printf '%s\n' "$out" | tail -n 1)")"
run scan --check all --report rgb "$icc"
expect "without it: the report as it was" "$(lacks "$out" "contradicts")"

finish
