#!/bin/bash
# Where 32-bit x86 programs run under qemu-user (cmake/i386-emulation.sh), builds
# qemu-noreplace.c into DIR (once, for both word sizes) and prints what LD_PRELOAD should
# hold to give it to Wine's processes; elsewhere, or where it cannot be built, prints
# nothing and Wine runs as it is (under emulation only slowly: without it each of its
# processes spends about a minute reserving its address space).
# usage: qemu-noreplace.sh DIR
set -u
dir=$1
source=$(cd "$(dirname "$0")" && pwd)/qemu-noreplace.c
grep -qsx enabled /proc/sys/fs/binfmt_misc/qemu-i386 || exit 0
case "$dir" in
    /*) ;;
    *) dir="$PWD/$dir" ;;
esac
case "$dir" in
    *[[:space:]:]*) exit 0 ;;  # LD_PRELOAD could not name it
esac
mkdir -p "$dir" || exit 0
(
    flock 9
    [ "$dir/stamp" -nt "$source" ] && exit 0
    rm -f "$dir/stamp"
    for lib in i386-linux-gnu:-m32 x86_64-linux-gnu:-m64; do
        mkdir -p "$dir/lib/${lib%%:*}" &&
            LD_PRELOAD= cc "${lib#*:}" -O2 -fPIC -shared -nostdlib -ffreestanding \
                -o "$dir/lib/${lib%%:*}/inkhound-noreplace.so" "$source" \
                </dev/null >/dev/null 2>&1 9>&- || exit 0
    done
    touch "$dir/stamp"
) 9>"$dir.lock"
# $LIB, left to the dynamic loader, picks the library of the process's own word size.
[ -f "$dir/stamp" ] && echo "$dir/\$LIB/inkhound-noreplace.so"
exit 0
