# Shared by the command-line tests: the tool to run, a scratch folder, and small checks.
# Sourced with INKHOUND (the tool) and optionally INKHOUND_RUNNER (Wine for the Windows
# build) set; sets posix=0 and sep='\' for the Windows build.
set -u
tool=(${INKHOUND_RUNNER:-} "${INKHOUND:?set INKHOUND to the tool}")
posix=1
sep=/
[ -n "${INKHOUND_RUNNER:-}" ] && posix=0 && sep='\'
# 32-bit Wine under qemu-user loses its way when threads of one program work at once
# (cmake/run-tests.sh): cases with several jobs are left to the other builds there.
several_jobs=1
case " ${INKHOUND_RUNNER:-} " in
    *" win32 "*) grep -qsx enabled /proc/sys/fs/binfmt_misc/qemu-i386 && several_jobs=0 ;;
esac
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

# run ARGS...: sets $raw (stdout as written), $out and $err (CR removed, so Windows line
# ends compare too), $status
run() {
    timeout 60 "${tool[@]}" "$@" >"$work/out" 2>"$work/err"
    status=$?
    # Under a heavily loaded machine Wine now and then fails to start the program at all:
    # status 1 and not a byte written, which the tool itself never answers. Once more.
    if [ -n "${INKHOUND_RUNNER:-}" ] && [ $status = 1 ] && [ ! -s "$work/out" ] &&
        [ ! -s "$work/err" ]; then
        timeout 60 "${tool[@]}" "$@" >"$work/out" 2>"$work/err"
        status=$?
    fi
    raw=$(od -An -c "$work/out" | tr -d ' \n')
    out=$(tr -d '\r' <"$work/out")
    err=$(tr -d '\r' <"$work/err")
}

expect() {  # expect NAME CONDITION-RESULT
    if [ "$2" = 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $1"
        echo "  status=$status"
        echo "  stdout: $out"
        echo "  stderr: $err"
    fi
}
is() { [ "$1" = "$2" ]; echo $?; }
has() { case "$1" in *"$2"*) echo 0 ;; *) echo 1 ;; esac; }
lacks() { case "$1" in *"$2"*) echo 1 ;; *) echo 0 ;; esac; }
lines() { [ -z "$1" ] && echo 0 && return; printf '%s\n' "$1" | grep -c ''; }
matches() { printf '%s\n' "$1" | grep -qE "$2"; echo $?; }

# The closing line CTest and CI read, and the script's status.
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" = 0 ]
}

# records json|csv FILE KEY...: each record of the tool's JSON lines or CSV (of kind "file"
# where records have kinds) as its KEYs' values joined by tabs and ended by a NUL, each
# text the bytes it stands for (JSON's \udcXX escapes and CSV's raw bytes alike).
records() {
    python3 -c '
import csv, io, json, sys
form, name, keys = sys.argv[1], sys.argv[2], sys.argv[3:]
text = open(name, "rb").read().decode("utf-8", "surrogateescape")
if form == "csv":
    rows = list(csv.DictReader(io.StringIO(text, newline="")))
else:
    rows = [json.loads(line) for line in text.split("\n") if line.strip()]
for row in rows:
    if row.get("kind", "file") != "file": continue
    values = ["" if row[key] is None else str(row[key]) for key in keys]
    sys.stdout.buffer.write("\t".join(values).encode("utf-8", "surrogateescape") + b"\0")
' "$@"
}
