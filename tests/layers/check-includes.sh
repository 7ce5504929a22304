#!/bin/bash
# Fails when a source file includes one of a higher layer or of the other program, names an
# include without its folder from the repository root, or when two units (a file and its
# header) include each other. The layers, lowest first:
#   platform, resources  the operating-system seam and the resource ids
#   settings             the options record, the directory list, the extension lists
#   report               the report call, its categories and the log file
#   classify             the file check, the reader and the analyses
#   scan                 the walker and the scans
#   cli, desktop         the two programs; neither includes the other. Inside desktop/:
#     common             start-up's record, the debug trace
#     results, tray, splash
#                        the results view and immediate scan; the background run; the splash
#     settings_window    the settings window, its trees and the options' registry storage
#     install            installation and removal
#     app                the entry and the hidden main window
# usage: check-includes.sh REPOSITORY_ROOT
set -euo pipefail
cd "$1"

layer_of() {  # layer_of PATH
    case "$1" in
        tests/*|bench/*) echo 99 ;;
        platform/*|resources/*) echo 0 ;;
        settings/*) echo 1 ;;
        report/*) echo 2 ;;
        classify/*) echo 3 ;;
        scan/*) echo 4 ;;
        cli/*) echo 10 ;;
        desktop/common/*) echo 10 ;;
        desktop/results/*|desktop/tray/*|desktop/splash/*) echo 11 ;;
        desktop/settings_window/*) echo 12 ;;
        desktop/install/*) echo 13 ;;
        desktop/app/*) echo 14 ;;
        *) echo 99 ;;
    esac
}

program_of() {  # program_of PATH: the program a file belongs to, or nothing for the core
    case "$1" in
        cli/*) echo cli ;;
        desktop/*) echo desktop ;;
    esac
}

failures=0
declare -A unit_includes  # "UNIT>UNIT" for every include from one unit into another
files=$(git ls-files -co --exclude-standard -- '*.h' '*.cpp' '*.c' '*.rc' 2>/dev/null ||
        find . -name '*.h' -o -name '*.cpp' -o -name '*.c' -o -name '*.rc' | sed 's|^\./||')
while IFS= read -r file; do
    [ -f "$file" ] || continue
    from=$(layer_of "$file")
    from_program=$(program_of "$file")
    while IFS= read -r included; do
        # The platform's own limits are chosen by the build, one folder per system.
        [ "$included" = platform_config.h ] && continue
        if [ ! -f "$included" ]; then
            echo "$file: #include \"$included\" does not name a file from the repository root"
            failures=$((failures + 1))
            continue
        fi
        to=$(layer_of "$included")
        to_program=$(program_of "$included")
        if [ "$to" -gt "$from" ]; then
            echo "$file: #include \"$included\" points upward"
            failures=$((failures + 1))
        elif [ -n "$to_program" ] && [ -n "$from_program" ] && [ "$to_program" != "$from_program" ]; then
            echo "$file: #include \"$included\" reaches into the other program"
            failures=$((failures + 1))
        fi
        [ "${file%.*}" != "${included%.*}" ] && unit_includes["${file%.*}>${included%.*}"]=1
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done <<< "$files"

for pair in "${!unit_includes[@]}"; do
    a=${pair%%>*}
    b=${pair#*>}
    if [[ "$a" < "$b" ]] && [ -n "${unit_includes["$b>$a"]:-}" ]; then
        echo "$a and $b include each other"
        failures=$((failures + 1))
    fi
done

if [ "$failures" -ne 0 ]; then
    echo "$failures include(s) out of place"
    exit 1
fi
echo "includes: every one names its folder, points to its own layer or below, and no two units include each other"
