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
            "check --platform os2 $work/logo.gif" "check --jobs 0 $work/logo.gif" \
            "check --jobs 10000 $work/logo.gif" "check --jobs=-1 $work/logo.gif" \
            "check --check png $work/logo.gif" "check --report rgb,,cmyk $work/logo.gif" \
            "check --check= $work/logo.gif" "check -0 $work/logo.gif" \
            "check --files-from $work/absent.list" "check --files-from $work/folder.gif" \
            "check --exclude x $work/logo.gif" \
            "check --format report $work/logo.gif" "check --format=xml $work/logo.gif" \
            "check --json --format csv $work/logo.gif"; do
    run $args
    expect "usage error: $args" "$( [ $status = 2 ] && [ -z "$out" ] && [ "$(lines "$err")" = 1 ]; echo $?)"
done
run check --bogus "$work/logo.gif"
expect "culprit named" "$(has "$err" "--bogus")"
run check --check tiff,png "$work/logo.gif"
expect "bad name named" "$(has "$err" "'png'")"
long_list=$(printf '.ABCD;%.0s' $(seq 40))
run check --jpeg-extensions "$long_list" "$work/logo.gif"
expect "list over 199 characters" "$(is "$status/$out" "2/")"

run check --file-scan-flags 0x3E "$work/logo.gif"
expect "gif verdict line" "$(is "$status/$out" "0/5	Gif	-	$work/logo.gif")"
run check "$work/logo.gif"
expect "gif warnings off by default" "$(is "$out" "14	NothingToReport	-	$work/logo.gif")"
run check --file-scan-flags 0x20 "$work/photo.tif" "$work/notes.txt"
expect "mis-labelled, then unclaimed" "$(is "$out" "15	Mislabelled	-	$work/photo.tif
14	NothingToReport	-	$work/notes.txt")"
run check "$work/photo.tif" --gif-extensions ".gif;.tif" --file-scan-flags=0x30
expect "options after files, lists upper-cased" "$(is "$status/$out" "1/15	Mislabelled	-	$work/photo.tif")"
run check --tiff-extensions "" --file-scan-flags 0x20 "$work/photo.tif"
expect "empty list claims nothing" "$(is "$out" "14	NothingToReport	-	$work/photo.tif")"

# Photoshop documents only when asked for: by --check psd or all, named by their own list,
# else by content after the four kinds; --file-scan-flags alone never reads one.
printf '8BPS\000\001\000\000\000\000\000\000\000\004\000\000\000\010\000\000\000\010\000\010\000\004' >"$work/art.psd"
cp "$work/art.psd" "$work/art.art"
cp "$work/photo.tif" "$work/photo.psd"
for row in "check|art.psd|14	NothingToReport" "check --file-scan-flags 0x7F|art.psd|14	NothingToReport" \
           "check --file-scan-flags 0x1E|art.art|14	NothingToReport" \
           "check --psd-extensions .ART|art.art|14	NothingToReport" \
           "check --check all|art.psd|2	Cmyk" "check --check all|photo.psd|15	Mislabelled" \
           "check --check all --psd-extensions .art|art.art|2	Cmyk" \
           "check --check all --psd-extensions .art|art.psd|14	NothingToReport" \
           "check --check tiff,psd|art.art|2	Cmyk" "check --check tiff,psd|photo.psd|14	NothingToReport"; do
    IFS='|' read -r args name line <<<"$row"
    run $args "$work/$name"
    expect "$args: $name" "$(is "$out" "$line	-	$work/$name")"
done
run check --format csv --check all "$work/art.psd"
expect "a document's details" "$(is "$(printf '%s\n' "$out" | tail -n 1)" "$work/art.psd,2,Cmyk,,,,,,,cmyk,8,4,,,,,,,")"

run check --json --file-scan-flags 0x3E "$work/logo.gif" "$work/photo.tif"
expect "json" "$(is "$out" "{\"path\":\"$work/logo.gif\",\"verdict\":5,\"name\":\"Gif\",\"message\":null,\"embedded_jpeg\":null,\"error\":null,\"icc_space\":null,\"icc_description\":null,\"icc_conflict\":null,\"model\":\"palette\",\"bits\":8,\"channels\":null,\"pdf\":null}
{\"path\":\"$work/photo.tif\",\"verdict\":15,\"name\":\"Mislabelled\",\"message\":\"File is mis-labelled\",\"embedded_jpeg\":null,\"error\":null,\"icc_space\":null,\"icc_description\":null,\"icc_conflict\":null,\"model\":null,\"bits\":null,\"channels\":null,\"pdf\":null}")"

run check --file-scan-flags 0x3E -- "$work/-dash.gif"
expect "file after --" "$(is "$out" "5	Gif	-	$work/-dash.gif")"
if [ $posix = 1 ]; then
    run check --file-scan-flags 0x3E "$work/tab	and
newline.gif"
    expect "tab and line feed escaped" "$(is "$out" "5	Gif	-	$work/tab\\tand\\nnewline.gif")"
    cp "$work/logo.gif" "$work/back\\slash$(printf '\001\r').gif"
    run check --file-scan-flags 0x3E "$work/back\\slash$(printf '\001\r').gif"
    expect "backslash and control bytes escaped" "$(is "$out" "5	Gif	-	$work/back\\\\slash\\x01\\r.gif")"
    run check --json --file-scan-flags 0x3E "$work/bad-$(printf '\377').gif" "$work/tab	and
newline.gif"
    expect "json escapes" "$(is "$out" "{\"path\":\"$work/bad-\\udcff.gif\",\"verdict\":5,\"name\":\"Gif\",\"message\":null,\"embedded_jpeg\":null,\"error\":null,\"icc_space\":null,\"icc_description\":null,\"icc_conflict\":null,\"model\":\"palette\",\"bits\":8,\"channels\":null,\"pdf\":null}
{\"path\":\"$work/tab\\tand\\nnewline.gif\",\"verdict\":5,\"name\":\"Gif\",\"message\":null,\"embedded_jpeg\":null,\"error\":null,\"icc_space\":null,\"icc_description\":null,\"icc_conflict\":null,\"model\":\"palette\",\"bits\":8,\"channels\":null,\"pdf\":null}")"
fi

run check "$work/missing.gif" "$work/logo.gif"
expect "open failure: line, entry, status" "$( [ $status = 3 ] &&
    [ "$out" = "14	NothingToReport	-	$work/missing.gif
14	NothingToReport	-	$work/logo.gif" ] &&
    printf '%s\n' "$err" | grep -qE "^[0-9]{1,2}-[A-Za-z]+-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}  $work/missing.gif: open failure: 2\$"; echo $?)"
run check "$work/folder.gif"
expect "directory is an open failure" "$( [ $status = 3 ] && [ "$(lines "$err")" = 1 ]; echo $?)"
if [ $posix = 1 ] && mkfifo "$work/pipe.gif" 2>/dev/null; then
    run check "$work/pipe.gif"
    expect "fifo: no hang" "$( [ $status = 3 ] && [ "$out" = "14	NothingToReport	-	$work/pipe.gif" ]; echo $?)"
fi
# The embedded-JPEG field answers only when the analysis was asked to look.
samples="${SAMPLES:-}"
if [ -n "$samples" ] && [ -d "$samples" ]; then
    run check --file-scan-flags 0x3F --logging-flags 0x10 "$samples/jpeg-in-eps.eps" "$samples/rgb-and-cmyk.eps"
    expect "embedded JPEG looked for" "$(is "$(printf '%s\n' "$out" | cut -f3 | tr '\n' ' ')" "1 0 ")"
    run check --json --file-scan-flags 0x3F --logging-flags 0x10 "$samples/jpeg-in-eps.eps"
    expect "embedded JPEG in JSON" "$(has "$out" '"embedded_jpeg":true,')"
fi
run check --json "$work/missing.gif"
expect "json error member" "$( [ $status = 3 ] && [ "$(has "$out" ',"embedded_jpeg":null,"error":"open failure: 2","icc_space":null,')" = 0 ]; echo $?)"

# JSON and CSV records read back: each path byte for byte, whatever it holds.
cp "$work/logo.gif" "$work/com,ma.gif"
names=("$work/logo.gif" "$work/com,ma.gif" "$work/missing.gif" "$work/photo.tif")
if [ $posix = 1 ]; then
    cp "$work/logo.gif" "$work/\"quoted\",
and
c\"r$(printf '\r').gif"
    names+=("$work/bad-$(printf '\377').gif" "$work/\"quoted\",
and
c\"r$(printf '\r').gif")
fi
for name in "${names[@]}"; do
    case "$name" in
        *missing.gif) printf '%s\t14\tNothingToReport\topen failure: 2\0' "$name" ;;
        *photo.tif) printf '%s\t15\tMislabelled\t\0' "$name" ;;
        *) printf '%s\t5\tGif\t\0' "$name" ;;
    esac
done >"$work/expected"
run check --json --file-scan-flags 0x3E "${names[@]}"
cp "$work/out" "$work/json.out"
for format in json csv; do
    run check --format $format --file-scan-flags 0x3E "${names[@]}"
    records $format "$work/out" path verdict name error >"$work/back"
    expect "--format $format: every path read back as it is" "$( [ $status = 3 ] &&
        cmp -s "$work/expected" "$work/back" && [ "$(lines "$err")" = 1 ]; echo $?)"
done
expect "--format csv: header row" "$(is "$(printf '%s\n' "$out" | head -n 1)" "path,verdict,name,message,embedded_jpeg,error,icc_space,icc_description,icc_conflict,model,bits,channels,pdf_pages,pdf_images,pdf_vector,pdf_spots,pdf_output_space,pdf_output_description,pdf_problem")"
run check --format json --file-scan-flags 0x3E "${names[@]}"
expect "--format json is --json" "$(cmp -s "$work/json.out" "$work/out"; echo $?)"

# PDF files: examined only with --check pdf (or all), named by --pdf-extensions or, where
# the content decides, by "%PDF-" within the first 1,024 bytes; the Windows build reports
# them as not examined.
{ printf '%%ignored header line\n%%PDF-1.4\n'
  printf '1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n'
  printf '2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n'
  printf '3 0 obj << /Type /Page /Parent 2 0 R /Contents 4 0 R >> endobj\n'
  printf '4 0 obj << /Length 9 >> stream\n1 0 0 rg\n\nendstream endobj\n'
  printf 'trailer << /Root 1 0 R >>\n'; } >"$work/art.pdf"
cp "$work/art.pdf" "$work/art.bin"
cp "$work/logo.gif" "$work/fake.pdf"
if [ $posix = 1 ]; then pdf_art="3	Rgb" pdf_json='"pdf":{"pages":1,"images":{},"vector":{"rgb":1},"spots":[],"output_intent":null,"problem":"recovered"}' pdf_csv=,1,,rgb=1,,,,recovered
else pdf_art="12	Undetermined" pdf_json='"pdf":{"pages":0,"images":{},"vector":{},"spots":[],"output_intent":null,"problem":"not examined"}' pdf_csv=",0,,,,,,not examined"; fi
run check "$work/art.pdf" "$work/fake.pdf"
expect "without --check pdf: PDF files as before" "$(is "$status/$out" "0/14	NothingToReport	-	$work/art.pdf
14	NothingToReport	-	$work/fake.pdf")"
run check --check pdf "$work/art.pdf" "$work/fake.pdf"
expect "--check pdf: a PDF examined, a .pdf without the signature mis-labelled" "$(is "$status/$out" "1/$pdf_art	-	$work/art.pdf
15	Mislabelled	-	$work/fake.pdf")"
run check --check all --pdf-extensions .bin --json "$work/art.bin" "$work/art.pdf"
expect "--pdf-extensions names them; the inventory is the last member" "$( [ "$(has "$out" "$pdf_json}")" = 0 ] &&
    [ "$(has "$out" '"bits":null,"channels":null,"pdf":null}')" = 0 ]; echo $?)"
run check --check pdf --file-scan-flags 0 --format csv "$work/art.bin"
expect "--check pdf, content deciding: the CSV fields" "$(has "$out" "$pdf_csv")"

# --progress: the line goes before the entry is written and is cleared at the end; the
# results and the exit status are those of a run without it.
run check --progress "$work/missing.gif" "$work/logo.gif"
visible=$(sed 's/\r$//' "$work/err" | awk -F'\r' '{ print $NF }' | grep -v '^ *$')
expect "--progress: drawn, cleared for the entry and at the end" "$( [ $status = 3 ] &&
    [ "$(has "$err" "0 files seen, 0 checked, 0 files/s, 0:00")" = 0 ] &&
    [ "$(matches "$visible" "^[0-9]{1,2}-[A-Za-z]+-[0-9]{2} [0-9:]{8}  $work/missing.gif: open failure: 2\$")" = 0 ] &&
    [ "$(lines "$out")" = 2 ]; echo $?)"
if [ $posix = 1 ]; then
    # On a terminal by default; never with --no-progress, nor after it --progress wins.
    for case in ":1" "--no-progress:0" "--no-progress --progress:1" "--progress --no-progress:0"; do
        script -qec "${tool[*]} check ${case%:*} $work/logo.gif >/dev/null" /dev/null >"$work/tty" </dev/null
        out="" err=$(cat "$work/tty") status=0
        expect "on a terminal with '${case%:*}'" "$(is "$(grep -c " files seen, " "$work/tty")" "${case#*:}")"
    done
fi

if [ $posix = 1 ]; then
    timeout 60 "${tool[@]}" check "$work/logo.gif" "$work/missing.gif" >/dev/full 2>"$work/err"
    status=$? out="" err=$(cat "$work/err")
    expect "stdout not written: exit 2, no further checks" "$( [ $status = 2 ] &&
        [ "$(lines "$err")" = 1 ] && [ "$(lacks "$err" "missing.gif")" = 0 ]; echo $?)"
    # More than a pipe holds, for a reader that is gone.
    many=()
    for _ in $(seq 3000); do many+=("$work/logo.gif"); done
    { timeout 60 "${tool[@]}" check "${many[@]}" 2>"$work/err"; echo $? >"$work/status"; } | true
    status=$(cat "$work/status") out="" err=$(cat "$work/err")
    expect "broken pipe: one message, exit 2" "$( [ $status = 2 ] && [ "$(lines "$err")" = 1 ] &&
        [ "$(has "$err" "Broken pipe")" = 0 ]; echo $?)"
fi

long="$work/$(printf 'n%.0s' $(seq 4200)).gif"
run check "$long"
expect "path too long" "$( [ $status = 3 ] && [ "$out" = "14	NothingToReport	-	$long" ] &&
    [ "$(has "$err" "path too long")" = 0 ]; echo $?)"

# Jobs: results and stderr entries come out as one job's, in argument order.
if [ $several_jobs = 1 ]; then
    checked=("$work/missing.gif" "$work/folder.gif" "$long" "$work/"*.gif "$work/photo.tif")
    [ -n "$samples" ] && [ -d "$samples" ] && checked+=("$samples"/*)
    for n in 1 8; do
        timeout 60 "${tool[@]}" check --jobs $n --json --logging-flags 0x1F "${checked[@]}" 2>&1 |
            sed -E 's/^[0-9]{1,2}-[A-Za-z]+-[0-9]{2} [0-9:]{8}  /T /' >"$work/jobs$n"
        echo "status ${PIPESTATUS[0]}" >>"$work/jobs$n"
    done
    status=$(tail -n 1 "$work/jobs8") out="" err=""
    expect "--jobs 8: as one job" "$( [ "$status" = "status 3" ] && cmp -s "$work/jobs1" "$work/jobs8"; echo $?)"
    if [ $posix = 1 ]; then
        timeout 60 "${tool[@]}" check --jobs 8 "$work/logo.gif" "${checked[@]}" >/dev/full 2>"$work/err"
        status=$? out="" err=$(cat "$work/err")
        expect "--jobs 8, stdout not written: exit 2, no further entries" "$( [ $status = 2 ] &&
            [ "$(lines "$err")" = 1 ]; echo $?)"
    fi
fi

# Names and the bits they stand for, read from the warning that the word given beside
# them disagrees.
for row in check:mac:0x01 check:tiff:0x02 check:jpeg:0x04 check:eps:0x08 check:gif:0x10 \
           check:extensions:0x20 check:embedded:0x40 check:all:0x7F check:tiff,gif:0x12 \
           check:psd,gif:0x10 \
           report:rgb:0x01 report:cmyk:0x02 report:gif:0x04 report:unknown:0x08 \
           report:embedded-jpeg:0x10 report:errors,rgb:0x01 report:all:0x1F; do
    IFS=: read -r option names bits <<<"$row"
    word=--file-scan-flags
    [ $option = report ] && word=--logging-flags
    run check --$option $names $word 0x100 "$work/logo.gif"
    expect "--$option $names is $bits, the word wins" "$( [ $status = 0 ] && [ "$(lines "$err")" = 1 ] &&
        [ "$(has "$err" "$word 0x100 and --$option ($bits) disagree")" = 0 ]; echo $?)"
done
run check --check psd,pdf --file-scan-flags 0x10 "$work/logo.gif"
expect "the tool's own kinds alone leave the word's flags" "$(is "$status/$out/$err" "0/5	Gif	-	$work/logo.gif/")"
run check --check gif --check extensions --report gif "$work/logo.gif" "$work/notes.txt"
expect "names add up; a finding: exit 1" "$(is "$status/$out" "1/5	Gif	-	$work/logo.gif
14	NothingToReport	-	$work/notes.txt")"
run check --report errors "$work/logo.gif"
expect "errors alone: told it reports nothing" "$( [ $status = 0 ] && [ "$(has "$err" "nothing is reported")" = 0 ]; echo $?)"
run check --file-scan-flags 0x3E --json "$work/missing.gif" "$work/photo.tif"
expect "found and unread: exit 3" "$(is "$status" 3)"

# File lists: the FILEs first, then the list's paths, as though all were arguments.
printf '%s\r\n\n%s\n%s' "$work/photo.tif" "$work/missing.gif" "$work/notes.txt" >"$work/crlf.list"
run check --file-scan-flags 0x3E "$work/logo.gif" "$work/photo.tif" "$work/missing.gif" "$work/notes.txt"
printf 'status %s\n%s\n' "$status" "$out" >"$work/as-arguments"
for options in "--files-from $work/crlf.list" "--files-from=- --jobs $((several_jobs ? 8 : 1))" "-0 --files-from -"; do
    list="$work/crlf.list"
    [ "${options#-0}" != "$options" ] && list="$work/zero.list" &&
        printf '%s\0' "$work/photo.tif" "$work/missing.gif" "$work/notes.txt" >"$list"
    timeout 60 "${tool[@]}" check --file-scan-flags 0x3E "$work/logo.gif" $options <"$list" >"$work/out" 2>"$work/err"
    status=$? out=$(tr -d '\r' <"$work/out") err=$(tr -d '\r' <"$work/err")
    expect "list ($options): as arguments" "$(printf 'status %s\n%s\n' "$status" "$out" | cmp -s - "$work/as-arguments"; echo $?)"
done
: >"$work/empty.list"
run check --files-from "$work/empty.list"
expect "empty list: no paths" "$(is "$status/$out/$err" "0//")"
printf '%s\nbad\000zero.gif\n%s\n' "$work/logo.gif" "$work/notes.txt" >"$work/zeros.list"
run check --files-from "$work/zeros.list"
expect "zero byte in a line: line named, skipped, exit 3" "$( [ $status = 3 ] && [ "$(lines "$out")" = 2 ] &&
    [ "$(has "$err" "line 2 of the file list skipped")" = 0 ]; echo $?)"
huge="$work/$(printf 'n%.0s' $(seq 100000)).gif"
printf '%s\n' "$huge" >"$work/huge.list"
run check --files-from "$work/huge.list"
expect "a line of 100,000 bytes: as that argument" "$( [ $status = 3 ] && [ "$out" = "14	NothingToReport	-	$huge" ] &&
    [ "$(has "$err" "path too long")" = 0 ]; echo $?)"
if [ $posix = 1 ]; then
    printf '%s\0' "$work/tab	and
newline.gif" | { timeout 60 "${tool[@]}" check --file-scan-flags 0x3E --files-from - -0 >"$work/out"; }
    expect "-0: a name with a line feed" "$(is "$(cat "$work/out")" "5	Gif	-	$work/tab\tand\nnewline.gif")"
    # A list that never ends: each path checked as its line arrives, Ctrl-C ends it all.
    mkfifo "$work/list.fifo"
    env --default-signal=INT "${tool[@]}" check --file-scan-flags 0x3E --files-from "$work/list.fifo" >"$work/out" 2>&1 &
    pid=$!
    exec 3>"$work/list.fifo"
    printf '%s\n' "$work/logo.gif" >&3
    for _ in $(seq 1000); do [ -s "$work/out" ] && break; sleep 0.01; done
    kill -INT $pid
    wait $pid
    status=$? out=$(cat "$work/out") err=""
    exec 3>&-
    expect "never-ending list: checked as it comes, Ctrl-C: 130" "$(is "$status/$out" "130/5	Gif	-	$work/logo.gif")"
fi

finish
