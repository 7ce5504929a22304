#!/bin/bash
# The tool installed as a user installs it: "cmake --install" into a staging root, then
# the command, its manual page and its bash completion used from there; and the Debian
# package of the three, made by cpack from the same build tree (only where dpkg-deb is).
# usage: INKHOUND=path/to/inkhound BUILD=native-build-tree install_cli_test.sh
source "$(dirname "$0")/harness.sh"
root=$work/root

DESTDIR=$root cmake --install "${BUILD:?set BUILD to the build tree}" --prefix /usr \
    >"$work/install.log" 2>&1
status=$? out=$(cat "$work/install.log") err=
expect "cmake --install" "$(is "$status" 0)"
man_page=$root/usr/share/man/man1/inkhound.1
completion=$root/usr/share/bash-completion/completions/inkhound
for file in "$root/usr/bin/inkhound" "$man_page" "$completion"; do
    expect "installed: $file" "$( [ -f "$file" ]; echo $?)"
done

tool=("$root/usr/bin/inkhound")
run --version
expect "the installed tool runs" "$(is "$status/$out" "0/Inkhound version 1.6")"
# The PDF module is installed with the tool and found from the tool's own place.
pdf=$(cd "$(dirname "$0")/../fixtures/pdf/files" && pwd)/im-rgb.pdf
examines_pdf() {  # WHAT: the tool in ${tool[@]} gives the PDF's inventory
    run check --check pdf --format csv "$pdf"
    expect "$1 examines a PDF" "$(has "$out" "$pdf,3,Rgb,")"
}
examines_pdf "the installed tool"
run --help
options=$(printf '%s\n' "$out" | grep -oE -- '(^| )--?[a-z0-9][a-z0-9-]*' | tr -d ' ' | sort -u)

MANWIDTH=80 man --warnings -l "$man_page" >"$work/out" 2>"$work/err"
status=$? out=$(cat "$work/out") err=$(cat "$work/err")
expect "the manual page renders without a warning" "$( [ $status = 0 ] && [ -z "$err" ]; echo $?)"
manual=$out
expect "the manual page names this version" "$(has "$manual" "Inkhound 1.6")"

# complete WORD...: what the installed completion offers for the last word, space-separated.
complete_words() {
    bash -c 'source "$0" || exit 1
        function=$(complete -p inkhound | sed -n "s/.* -F \([^ ]*\) .*/\1/p")
        COMP_WORDS=("$@") COMP_CWORD=$(($# - 1))
        "$function" inkhound "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        echo "${COMPREPLY[*]}"' "$completion" "$@"
}
while IFS='|' read -r words expected; do
    read -ra line <<<"$words"
    [ "${words: -1}" = " " ] && line+=("")
    out=$(complete_words "${line[@]}") status=0 err=
    expect "completion of '$words'" "$(is "$out" "$expected")"
done <<EOF_CASES
inkhound |check scan --help --version
inkhound scan --for|--format
inkhound check --check t|tiff
inkhound check --check tiff,e|tiff,eps tiff,extensions tiff,embedded
inkhound check --report embedded-|embedded-jpeg
inkhound check --format |tsv json csv
inkhound scan --format |report json csv
inkhound check --platform 9|9x
inkhound check --files-|--files-from
inkhound scan --no-r|--no-recurse
inkhound check --no-r|
inkhound check $man_page|$man_page
EOF_CASES

# Every option --help names is in the manual page and offered by the completion.
all_offered=" $(complete_words inkhound "") $(complete_words inkhound check -) $(complete_words inkhound scan -) "
for option in $options; do
    status=0 out=$option err=
    expect "manual page has $option" "$(has "$manual" "$option")"
    expect "completion offers $option" "$(has "$all_offered" " $option ")"
done

# Every name and format the completion offers is one the tool takes.
mkdir "$work/empty"
for option in "check --check" "check --report" "check --format" "scan --format"; do
    for value in $(complete_words inkhound $option ""); do
        run ${option% *} "${option#* }" "$value" "$work/empty"
        expect "the tool takes $option $value" "$( [ "$status" != 2 ]; echo $?)"
    done
done

if command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null; then
    cpack --config "$BUILD/CPackConfig.cmake" -B "$work/package" >"$work/out" 2>&1
    status=$? out=$(cat "$work/out") err=
    deb=$(ls "$work"/package/*.deb 2>/dev/null)
    expect "cpack builds a .deb" "$( [ $status = 0 ] && [ -f "$deb" ]; echo $?)"
    out=$(dpkg-deb -c "$deb" 2>&1)
    for file in usr/bin/inkhound usr/share/man/man1/inkhound.1 \
                usr/share/bash-completion/completions/inkhound; do
        expect "package holds $file" "$(has "$out" "./$file")"
    done
    out=$(dpkg-deb -f "$deb" Package Version Maintainer Depends Description 2>&1)
    for field in '^Package: inkhound$' '^Version: 1\.6$' '^Depends: .*libstdc\+\+6' '^Depends: .*libqpdf' \
                 '^Maintainer: .+@' '^Description: .+'; do
        expect "package field $field" "$(matches "$out" "$field")"
    done
    dpkg-deb -x "$deb" "$work/unpacked" && tool=("$work/unpacked/usr/bin/inkhound")
    run --version
    expect "the packaged tool runs" "$(is "$status/$out" "0/Inkhound version 1.6")"
    examines_pdf "the packaged tool"
else
    echo "note: dpkg-deb or dpkg-shlibdeps missing: the Debian package is not built here"
fi
finish
