#!/bin/bash
# A very large archive split across machines as the README shows it, here on one machine:
# the NUL-separated list cut by split into chunks of whole paths, the chunks checked at
# once by processes of their own, their JSON lines joined in chunk order. Together they
# must be one run's records, byte for byte, and the highest of the chunks' statuses
# (3 beats 1 beats 0) that run's exit status.
# usage: INKHOUND=path/to/inkhound SAMPLES=samples-folder split_cli_test.sh
source "$(dirname "$0")/harness.sh"

mkdir -p "$work/archive/plates" "$work/archive/web"
cp -P "$SAMPLES"/*.tif "$SAMPLES"/*.eps "$work/archive/plates/"   # a link whose target is gone
cp "$SAMPLES/rgb-photo.jpg" "$SAMPLES/logo.gif" "$work/archive/web/"
cp "$SAMPLES/rgb-photo.jpg" "$work/archive/web/line
break, \"quoted\".jpg"
cd "$work" || exit 1
find archive ! -type d -print0 | sort -z >all.list
grep -zv missing-link all.list >readable.list

# chunks LIST N OPTIONS...: checks LIST as N chunks at once; sets $joined (their records in
# chunk order) and $combined (the highest status), and $statuses (each chunk's).
chunks() {
    local list=$1 count=$2 part
    shift 2
    rm -f part.*
    split -n "l/$count" -t '\0' -d "$list" part.
    for part in part.??; do
        { "${tool[@]}" check --files-from "$part" -0 --format json "$@" >"$part.jsonl" 2>"$part.err"
          echo $? >"$part.status"; } &
    done
    wait
    joined=$(cat part.??.jsonl | od -An -c)
    statuses=$(cat part.??.status | tr '\n' ' ')
    combined=0
    for status in $statuses; do [ "$status" -gt "$combined" ] && combined=$status; done
}

while read -r list count options; do
    case=$(echo "$list" $count $options)
    chunks "$list" "$count" $options
    run check --files-from "$list" -0 --format json $options
    expect "$case: chunk records equal one run's" "$(is "$joined" "$(od -An -c "$work/out")")"
    expect "$case: highest chunk status is the run's" "$(is "$combined" "$status")"
    expect "$case: every path checked once" "$(is "$(lines "$out")" \
        "$(tr -cd '\0' <"$list" | wc -c)")"
done <<'EOF_CASES'
all.list 4
all.list 7 --report cmyk
all.list 3 --report all --jobs 4
readable.list 5
readable.list 2 --report gif
EOF_CASES

# The rule has something to decide: chunks that end differently.
chunks all.list 7
expect "chunk statuses differ: $statuses" "$(matches "$statuses" '0 .*1 .*3|0 .*3 .*1')"
finish
