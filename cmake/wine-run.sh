#!/bin/bash
# Runs a Windows test program under Wine in the build tree's own prefix.
# usage: wine-run.sh LOADER PREFIX ARCH PROGRAM [ARGUMENT...]
# The prefix is made on first use (under a lock, since CTest may start several tests at
# once) and a persistent wineserver is kept, so a launch costs tens of milliseconds and
# no Wine helper process holds CTest's pipes open.
set -u
loader=$1 prefix=$2 arch=$3
shift 3
export WINEPREFIX="$prefix" WINEARCH="$arch" WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
server=/usr/lib/wine/wineserver

# Where 32-bit x86 programs run under qemu-user (cmake/i386-emulation.sh), Wine's processes
# get cmake/qemu-noreplace.c preloaded, built beside the prefix, to start in seconds rather
# than minutes; and 32-bit test programs raise no exception for their failure and skip
# messages, which the emulator does not survive (tests/support/debug_strings_win32.cpp).
noreplace=$("$(dirname "$0")/qemu-noreplace.sh" "$prefix.noreplace")
case " ${LD_PRELOAD:-} " in
    *"/inkhound-noreplace.so "*) ;;
    *) [ -n "$noreplace" ] && export LD_PRELOAD="$noreplace${LD_PRELOAD:+ $LD_PRELOAD}" ;;
esac
# Under the emulator a 32-bit program that faults ends at once: the debugger Wine would
# start for it faults or hangs itself there, and once held the prefix's making for good.
if [ "$arch" = win32 ] && grep -qsx enabled /proc/sys/fs/binfmt_misc/qemu-i386; then
    export INKHOUND_NO_DEBUG_STRINGS=1
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winedbg.exe=d"
fi

# Wine's server and helper processes outlive the command that starts them: they must
# inherit neither the lock nor any descriptor CTest waits on.
for fd in /proc/$$/fd/*; do
    fd=${fd##*/}
    [ "$fd" -gt 2 ] && eval "exec $fd>&-" 2>/dev/null
done
quiet() { "$@" </dev/null >/dev/null 2>&1 9>&-; }

# The set-up's version: a prefix made by an older set-up is made again.
ready="$prefix/.inkhound-ready-2"

mkdir -p "$(dirname "$prefix")"
(
    flock 9
    if [ ! -f "$ready" ]; then
        [ -d "$prefix" ] && quiet "$server" -k
        rm -rf "$prefix"
        # Emulated, 32-bit Wine has taken three to five minutes to make its prefix. A
        # prefix it could not finish is removed, never marked ready and used half made.
        if ! quiet timeout 900 "$loader" wineboot -i || ! quiet timeout 300 "$server" -w; then
            quiet "$server" -k
            rm -rf "$prefix"
            exit 1
        fi
        # Dot-files are not hidden, there is no sound device, and the dialog fonts are
        # the real ones, so that tests see what a user's Windows shows. Windows are made
        # without a display, by Wine's null display driver: tests read them back through
        # messages; a test that needs their pixels needs a real display.
        quiet timeout 60 "$loader" reg add 'HKCU\Software\Wine' /v ShowDotFiles /d Y /f
        quiet timeout 60 "$loader" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "" /f
        quiet timeout 60 "$loader" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
        mkdir -p "$prefix/drive_c/windows/Fonts"
        cp /usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/" 2>/dev/null
        quiet "$server" -k
        touch "$ready"
    fi
    # A persistent server, started with its output detached, outlives each test; it
    # answers 0 only when it was not running, and then the helper processes are started
    # once here rather than under a test's pipes.
    if quiet "$server" -p; then
        quiet timeout 300 "$loader" cmd /c exit
    fi
) 9>"$prefix.lock" || {
    echo "wine-run.sh: could not make the Wine prefix $prefix" >&2
    exit 1
}

# Wine starts its helper processes (services, devices, the desktop) from whichever program
# first needs one, and the helper keeps that program's output open. One started under a
# test, after a helper made above has died (emulated, 32-bit Wine's now and then do),
# would hold CTest's pipe open until CTest gave the test up as hung. So where the output is
# not a terminal it goes through files of this run's own, copied out when the program ends;
# a program given a terminal keeps it, since it asks the terminal about itself.
if [ -t 1 ] || [ -t 2 ]; then
    exec timeout "${INKHOUND_WINE_TIMEOUT:-300}" "$loader" "$@"
fi
out=$(mktemp) err=$(mktemp)
trap 'cat "$out"; cat "$err" >&2; rm -f "$out" "$err"' EXIT
# Started in the background, so that a signal to this script is passed on at once; its
# input given explicitly, since a background command would otherwise read nothing.
timeout "${INKHOUND_WINE_TIMEOUT:-300}" "$loader" "$@" <&0 >"$out" 2>"$err" &
program=$!
trap 'kill $program 2>/dev/null; exit 143' TERM INT HUP
wait $program
