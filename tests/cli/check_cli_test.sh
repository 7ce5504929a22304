#!/bin/bash
# "inkhound check" run as a user runs it: exit codes, stdout lines, stderr entries.
# usage: INKHOUND=path/to/inkhound [INKHOUND_RUNNER="wine-run.sh ..."] check_cli_test.sh
# With a runner the tool is the Windows build; cases that only a POSIX file system can
# pose (names with tabs, bytes that are not UTF-8, FIFOs) are then left out.
source "$(dirname "$0")/harness.sh"

printf 'GIF89a\001\000\001\000' >"$work/logo.gif"
printf '\377\330\377\340\000\020JFIF' >"$work/photo.tif"
printf 'plain text\n' >"$work/notes.txt"
cp "$work/logo.gif" "$work/-dash.gif"
if [ $posix = 1 ]; then
    cp "$work/logo.gif" "$work/tab	and
newline.gif"
    cp "$work/logo.gif" "$work/bad-$(printf '\377').gif"
fi
mkdir "$work/folder.gif"

run --version
expect "--version" "$(is "$status/$out" "0/Inkhound version 1.6")"
run --help
expect "--help" "$(has "$status/$out" "0/usage: inkhound check")"
run
expect "no command" "$( [ $status = 2 ] && [ -z "$out" ] && [ "$(lines "$err")" = 1 ]; echo $?)"

for args in "check" "check --json" "check --bogus $work/logo.gif" \
            "check --file-scan-flags 0x10000 $work/logo.gif" \
            "check --logging-flags abc $work/logo.gif" \
            "check --logging-flags -1 $work/logo.gif" \
            "check --logging-flags" \
            "check --file-scan-flags= $work/logo.gif" \
            "check --tiff-extensions .TI- $work/logo.gif" \
            "check --gif-extensions .GIF;.tiffx $work/logo.gif" \
            "check --platform os2 $work/logo.gif"; do
    run $args
    expect "usage error: $args" "$( [ $status = 2 ] && [ -z "$out" ] && [ "$(lines "$err")" = 1 ]; echo $?)"
done
run check --bogus "$work/logo.gif"
expect "culprit named" "$(has "$err" "--bogus")"
long_list=$(printf '.ABCD;%.0s' $(seq 40))
run check --jpeg-extensions "$long_list" "$work/logo.gif"
expect "list over 199 characters" "$(is "$status/$out" "2/")"

run check --file-scan-flags 0x3E "$work/logo.gif"
expect "gif verdict line" "$(is "$status/$out" "0/5	Gif	0	$work/logo.gif")"
run check "$work/logo.gif"
expect "gif warnings off by default" "$(is "$out" "14	NothingToReport	0	$work/logo.gif")"
run check --file-scan-flags 0x20 "$work/photo.tif" "$work/notes.txt"
expect "mis-labelled, then unclaimed" "$(is "$out" "15	Mislabelled	0	$work/photo.tif
14	NothingToReport	0	$work/notes.txt")"
run check "$work/photo.tif" --gif-extensions ".gif;.tif" --file-scan-flags=0x30
expect "options after files, lists upper-cased" "$(is "$status/$out" "0/15	Mislabelled	0	$work/photo.tif")"
run check --tiff-extensions "" --file-scan-flags 0x20 "$work/photo.tif"
expect "empty list claims nothing" "$(is "$out" "14	NothingToReport	0	$work/photo.tif")"

run check --json --file-scan-flags 0x3E "$work/logo.gif" "$work/photo.tif"
expect "json" "$(is "$out" "{\"path\":\"$work/logo.gif\",\"verdict\":5,\"name\":\"Gif\",\"message\":null,\"embedded_jpeg\":false}
{\"path\":\"$work/photo.tif\",\"verdict\":15,\"name\":\"Mislabelled\",\"message\":\"File is mis-labelled\",\"embedded_jpeg\":false}")"

run check --file-scan-flags 0x3E -- "$work/-dash.gif"
expect "file after --" "$(is "$out" "5	Gif	0	$work/-dash.gif")"
if [ $posix = 1 ]; then
    run check --file-scan-flags 0x3E "$work/tab	and
newline.gif"
    expect "tab and line feed escaped" "$(is "$out" "5	Gif	0	$work/tab\\tand\\nnewline.gif")"
    run check --json --file-scan-flags 0x3E "$work/bad-$(printf '\377').gif" "$work/tab	and
newline.gif"
    expect "json escapes" "$(is "$out" "{\"path\":\"$work/bad-\\u00ff.gif\",\"verdict\":5,\"name\":\"Gif\",\"message\":null,\"embedded_jpeg\":false}
{\"path\":\"$work/tab\\tand\\nnewline.gif\",\"verdict\":5,\"name\":\"Gif\",\"message\":null,\"embedded_jpeg\":false}")"
fi

run check "$work/missing.gif" "$work/logo.gif"
expect "open failure: line, entry, status" "$( [ $status = 1 ] &&
    [ "$out" = "14	NothingToReport	0	$work/missing.gif
14	NothingToReport	0	$work/logo.gif" ] &&
    printf '%s\n' "$err" | grep -qE "^[0-9]{1,2}-[A-Za-z]+-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}  $work/missing.gif: open failure: 2\$"; echo $?)"
run check "$work/folder.gif"
expect "directory is an open failure" "$( [ $status = 1 ] && [ "$(lines "$err")" = 1 ]; echo $?)"
if [ $posix = 1 ] && mkfifo "$work/pipe.gif" 2>/dev/null; then
    run check "$work/pipe.gif"
    expect "fifo: no hang" "$( [ $status = 1 ] && [ "$out" = "14	NothingToReport	0	$work/pipe.gif" ]; echo $?)"
fi
long="$work/$(printf 'n%.0s' $(seq 4200)).gif"
run check "$long"
expect "path too long" "$( [ $status = 1 ] && [ "$out" = "14	NothingToReport	0	$long" ] &&
    [ "$(has "$err" "path too long")" = 0 ]; echo $?)"

finish
