#!/bin/bash
# The end-to-end tests' session: a Wine prefix of their own with a virtual desktop, drawn
# on a private X display, and a printer that writes PDF files.
# usage: session.sh start BUILD_DIR     make the prefix (once), start Xvfb, the wineserver
#                                       and, as root, cupsd with the printer "PDF"
#        session.sh stop BUILD_DIR      end what start started, by its recorded pids
#        session.sh run BUILD_DIR PROGRAM [ARGUMENT...]
#                                       run a Windows program in the session, time-limited
#        session.sh drive BUILD_DIR LETTER DIR|- [TYPE [LABEL]] [, LETTER DIR|- ...]...
#                                       map drive LETTER: to the folder DIR as TYPE (hd,
#                                       floppy, network, cdrom; default hd) labelled LABEL,
#                                       or with "-" unmap it, for each drive separated by
#                                       ","; restarts the wineserver once, so no Windows
#                                       program of the session may be running
# The session's facts live in BUILD_DIR/e2e/session.env, which run reads.
set -u
usage() { echo "usage: $0 start|stop|run|drive BUILD_DIR ..." >&2; exit 2; }
command=${1:-} build=${2:-}
[ -n "$command" ] && [ -n "$build" ] || usage
shift 2
build=$(cd "$build" && pwd) || exit 2
e2e="$build/e2e"
envfile="$e2e/session.env"
loader=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
export WINEPREFIX="$e2e/prefix" WINEARCH=win64 WINEDEBUG="${WINEDEBUG:--all}"
# No menu entries or desktop files in the user's Linux home for the links the tests make.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Nothing this script starts may hold a descriptor CTest waits on: Wine's helper
# processes, Xvfb and cupsd outlive the test that starts them.
for fd in /proc/"$$"/fd/*; do
    fd=${fd##*/}
    [ "$fd" -gt 2 ] && eval "exec $fd>&-" 2>/dev/null
done
quiet() { "$@" </dev/null >/dev/null 2>&1; }
wine_quiet() { quiet timeout 120 "$loader" "$@"; }

# The set-up's version: a prefix made by an older set-up is made again.
ready="$WINEPREFIX/.inkhound-e2e-ready-2"

# Ends a recorded process if it is still the one recorded (the pid may have been reused).
end_process() {  # end_process PID NAME
    local pid=$1 name=$2
    [ -n "$pid" ] && [ "$(cat /proc/"$pid"/comm 2>/dev/null)" = "$name" ] || return 0
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null
}

stop_session() {
    [ -f "$envfile" ] || return 0
    # shellcheck disable=SC1090
    . "$envfile"
    [ -d "$WINEPREFIX" ] && quiet timeout 30 "$server" -k
    # A scenario cut short leaves its hold file system mounted.
    fusermount3 -uz "$e2e/hold" 2>/dev/null || true
    end_process "${E2E_CUPSD_PID:-}" cupsd
    end_process "${E2E_XVFB_PID:-}" Xvfb
    rm -f "$envfile"
}

start_xvfb() {
    local displayfile="$e2e/display"
    rm -f "$displayfile"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$displayfile" \
        </dev/null >"$e2e/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$displayfile" ] && break
        sleep 0.1
    done
    [ -s "$displayfile" ] || { echo "Xvfb did not start" >&2; cat "$e2e/xvfb.log" >&2; exit 1; }
    DISPLAY=":$(tr -d '\n' <"$displayfile")"
    export DISPLAY
}

make_prefix() {
    [ -f "$ready" ] && return 0
    [ -d "$WINEPREFIX" ] && quiet timeout 30 "$server" -k
    # A scenario cut short leaves its hold file system mounted.
    fusermount3 -uz "$e2e/hold" 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    quiet timeout 300 "$loader" wineboot -i
    quiet timeout 60 "$server" -w
    [ -f "$WINEPREFIX/system.reg" ] || { echo "wineboot made no prefix" >&2; exit 1; }
    # The user's folders (the desktop among them) are links to the Linux home: folders of
    # the prefix instead, so that the shortcuts the tests make and remove stay in it.
    local folder
    for folder in "$WINEPREFIX"/drive_c/users/*/*; do
        [ -L "$folder" ] && rm "$folder" && mkdir "$folder"
    done
    # A virtual desktop of its own draws captions, a task bar and a tray with no window
    # manager; dot-files are not hidden; there is no sound device; the dialog fonts are the
    # real ones, so that dialog units measure as on Windows.
    wine_quiet reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f
    wine_quiet reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 1024x768 /f
    wine_quiet reg add 'HKCU\Software\Wine' /v ShowDotFiles /d Y /f
    wine_quiet reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "" /f
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
    quiet timeout 30 "$server" -k
    touch "$ready"
}

# cupsd is the machine's one print spooler: start it only where none runs, and only as
# root; a session without it has no printer. INKHOUND_E2E_PRINTER=0 leaves it out.
start_cupsd() {
    cupsd_pid=
    [ "${INKHOUND_E2E_PRINTER:-1}" = 1 ] && [ "$(id -u)" -eq 0 ] || return 0
    command -v cupsd >/dev/null && [ -f /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd ] || return 0
    pgrep -x cupsd >/dev/null && return 0
    cupsd -f </dev/null >"$e2e/cupsd.log" 2>&1 &
    cupsd_pid=$!
    # The scheduler answers after a second or so.
    for _ in $(seq 50); do
        quiet lpadmin -p PDF -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd && break
        sleep 0.2
    done
    quiet lpadmin -d PDF
}

# Written as soon as there is something to stop, so that stop finds it after a failed start.
write_session_env() {
    {
        echo "export WINEPREFIX='$WINEPREFIX' WINEARCH=$WINEARCH WINEDEBUG='$WINEDEBUG'"
        echo "export WINEDLLOVERRIDES='$WINEDLLOVERRIDES' DISPLAY='$DISPLAY'"
        echo "E2E_XVFB_PID=$xvfb_pid"
        echo "E2E_CUPSD_PID=${cupsd_pid:-}"
    } >"$envfile"
}

start_session() {
    stop_session
    mkdir -p "$e2e/screenshots"
    start_xvfb
    write_session_env
    make_prefix
    # A persistent server, and the helper processes started once here with their output
    # detached, so that each test's launch is quick and holds no pipe.
    quiet "$server" -p
    wine_quiet cmd /c exit
    start_cupsd
    write_session_env
}

map_drive() {  # map_drive LETTER DIR|- [TYPE [LABEL]]
    local letter dir=${2:-} type=${3:-hd} label=${4:-}
    letter=$(printf '%s' "${1:-}" | tr 'A-Z' 'a-z')
    if ! [[ "$letter" =~ ^[a-y]$ ]] || [ -z "$dir" ]; then
        echo "usage: $0 drive BUILD_DIR LETTER DIR|- [TYPE [LABEL]] [, LETTER ...]..." >&2
        exit 2
    fi
    if [ "$dir" = - ]; then
        rm -f "$WINEPREFIX/dosdevices/$letter:"
        wine_quiet reg delete 'HKLM\Software\Wine\Drives' /v "$letter:" /f
    else
        ln -sfn "$(cd "$dir" && pwd)" "$WINEPREFIX/dosdevices/$letter:" || exit 1
        [ -z "$label" ] || printf '%s\n' "$label" >"$dir/.windows-label"
        wine_quiet reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /d "$type" /f
    fi
}

map_drives() {  # map_drives LETTER DIR|- [TYPE [LABEL]] [, LETTER DIR|- [TYPE [LABEL]]]...
    local argument drive=()
    for argument in "$@" ,; do
        if [ "$argument" != , ]; then drive+=("$argument"); continue; fi
        map_drive "${drive[@]}"
        drive=()
    done
    # Wine's mount manager reads the drive types when it starts.
    quiet timeout 30 "$server" -k
    quiet "$server" -p
    wine_quiet cmd /c exit
}

case "$command" in
    start) start_session ;;
    stop) stop_session ;;
    run)
        [ -f "$envfile" ] || { echo "no e2e session: run '$0 start $build' first" >&2; exit 1; }
        # shellcheck disable=SC1090
        . "$envfile"
        exec timeout "${INKHOUND_E2E_TIMEOUT:-240}" "$loader" "$@"
        ;;
    drive)
        [ -f "$envfile" ] || { echo "no e2e session: run '$0 start $build' first" >&2; exit 1; }
        # shellcheck disable=SC1090
        . "$envfile"
        map_drives "$@"
        ;;
    *) usage ;;
esac
