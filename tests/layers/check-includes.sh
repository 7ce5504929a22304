#!/bin/bash
# Fails when a source file includes one of a higher layer, or names an include without
# its folder from the repository root. The layers, lowest first:
#   platform, resources  the operating-system seam and the resource ids
#   settings             the options record, the directory list, the extension lists
#   report               the report call, its categories and the log file
#   classify             the file check, the reader and the analyses
#   scan                 the walker and the scans
#   cli, shell, install, splash, and every win32/ folder outside platform: the programs
# A file may include its own layer's files and those of lower layers.
# usage: check-includes.sh REPOSITORY_ROOT
set -euo pipefail
cd "$1"

layer_of() {  # layer_of PATH
    case "$1" in
        tests/*|bench/*) echo 9 ;;
        platform/*|resources/*) echo 0 ;;
        */win32/*) echo 6 ;;
        settings/*) echo 1 ;;
        report/*) echo 2 ;;
        classify/*) echo 3 ;;
        scan/*) echo 4 ;;
        cli/*|shell/*|install/*|splash/*) echo 6 ;;
        *) echo 9 ;;
    esac
}

failures=0
while IFS= read -r file; do
    from=$(layer_of "$file")
    while IFS= read -r included; do
        # The platform's own limits are chosen by the build, one folder per system.
        [ "$included" = platform_config.h ] && continue
        if [ ! -f "$included" ]; then
            echo "$file: #include \"$included\" does not name a file from the repository root"
            failures=$((failures + 1))
            continue
        fi
        to=$(layer_of "$included")
        if [ "$to" -gt "$from" ]; then
            echo "$file: #include \"$included\" points upward"
            failures=$((failures + 1))
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files -co --exclude-standard -- '*.h' '*.cpp' '*.c' '*.rc' 2>/dev/null ||
         find . -name '*.h' -o -name '*.cpp' -o -name '*.c' -o -name '*.rc' | sed 's|^\./||')

if [ "$failures" -ne 0 ]; then
    echo "$failures include(s) out of place"
    exit 1
fi
echo "includes: every one names its folder and points to its own layer or below"
