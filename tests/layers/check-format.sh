#!/bin/bash
# Fails when a C or C++ file of the repository differs from what the repository's
# .clang-format makes of it, and names the files.
# usage: check-format.sh REPOSITORY_ROOT
set -euo pipefail
cd "$1"
if ! command -v clang-format >/dev/null 2>&1; then
    echo "clang-format is missing (cmake/setup-deps.sh installs it)"
    exit 1
fi
mapfile -t files < <(git ls-files -co --exclude-standard -- '*.h' '*.cpp' '*.c')
if ! report=$(clang-format --style=file --dry-run --Werror "${files[@]}" 2>&1); then
    printf '%s\n' "$report" | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error:.*/\1: not formatted/p' | sort -u
    echo "run: clang-format -i FILE"
    exit 1
fi
echo "format: every file as .clang-format makes it"
