#!/bin/bash
# Lets a machine whose kernel cannot start 32-bit x86 Linux programs (no IA-32 emulation:
# "Exec format error") run them under qemu-user, so that 32-bit Wine, whose loader is such a
# program, runs the i686 build's tests. As root: mounts binfmt_misc when it is not mounted
# and registers /usr/bin/qemu-i386-static (package qemu-user-static) for i386 ELF programs,
# with the F flag (the interpreter is opened now, so it is found from any mount namespace or
# root). Debian registers no i386 entry on amd64, whose processors run such programs
# natively, and on CI no systemd or binfmt-support would register one anyway.
# Does nothing where 32-bit programs already run, natively or so registered; an entry on
# such a machine would take precedence over the kernel's own ELF loader and slow every
# 32-bit program down. Run again, it changes nothing.
set -euo pipefail

probe=/usr/lib/wine/wine  # the 32-bit Wine loader
qemu=/usr/bin/qemu-i386-static
binfmt=/proc/sys/fs/binfmt_misc

[ -x "$probe" ] || exit 0
"$probe" --version >/dev/null 2>&1 && exit 0

say() { echo "i386-emulation: $*" >&2; }
if [ "$(id -u)" -ne 0 ]; then
    say "this machine cannot run 32-bit x86 programs; as root, $0 sets up their emulation"
    exit 0
fi
if [ ! -x "$qemu" ]; then
    say "$qemu is missing (package qemu-user-static)"
    exit 0
fi
[ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt" || {
    say "cannot mount binfmt_misc on $binfmt"
    exit 0
}
if [ -e "$binfmt/qemu-i386" ]; then
    # Registered earlier, maybe disabled since.
    grep -qx enabled "$binfmt/qemu-i386" || echo 1 >"$binfmt/qemu-i386" ||
        say "cannot enable $binfmt/qemu-i386"
else
    # qemu's own magic and mask (scripts/qemu-binfmt-conf.sh): an ELF file of 32 bits,
    # little-endian, an executable or a shared object (position-independent programs),
    # for machine 3 (i386). The kernel decodes the \x escapes itself. Another set-up
    # running at the same moment may have registered it first: that is as good.
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    printf '%s' ":qemu-i386:M::$magic:$mask:$qemu:F" >"$binfmt/register" 2>/dev/null ||
        [ -e "$binfmt/qemu-i386" ] || {
        say "cannot register $qemu with binfmt_misc"
        exit 0
    }
fi
if "$probe" --version >/dev/null 2>&1; then
    say "32-bit x86 programs now run under $qemu"
else
    say "32-bit x86 programs still do not start, even under $qemu"
fi
