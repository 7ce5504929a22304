#!/bin/bash
# The colour-profile and Photoshop corpus (tests/fixtures/icc) through "inkhound check":
# every file keeps the verdict recorded in verdicts.tsv, and each member of expected.tsv
# (what exiftool says, in our words) that the tool's records carry is compared.
# usage: INKHOUND=path/to/inkhound [INKHOUND_RUNNER=...] icc_corpus_test.sh [--record]
# --record rewrites verdicts.tsv from the tool, for a change that means to alter a verdict.
source "$(dirname "$0")/harness.sh"
corpus=$(cd "$(dirname "$0")/../fixtures/icc" && pwd)
cd "$corpus/files" || exit 2
names=(*)

# Defaults but every report flag: the verdicts as a default check gives them.
run check --format json --report all -- "${names[@]}"
expect "the whole corpus read" "$(is "$status/$(lines "$err")" "1/0")"
records json "$work/out" path verdict name | tr '\0' '\n' >"$work/verdicts"
if [ "${1:-}" = --record ]; then
    cp "$work/verdicts" "$corpus/verdicts.tsv"
    echo "recorded $corpus/verdicts.tsv"
    exit 0
fi
expect "one record a file, verdicts as recorded" "$(is "$(cat "$work/verdicts")" "$(cat "$corpus/verdicts.tsv")")"
if [ "$(cat "$work/verdicts")" != "$(cat "$corpus/verdicts.tsv")" ]; then
    diff "$corpus/verdicts.tsv" "$work/verdicts" | sed 's/^/  /'
fi

# Every kind the tool knows, Photoshop documents among them. A document's verdict is
# checked against the colour mode exiftool reads, through the mapping a TIFF file of the
# same colours has, and a profile exiftool finds broken must be broken in its record too.
run check --format json --check all --report all -- "${names[@]}"
expect "every kind: the whole corpus read" "$(is "$status/$(lines "$err")" "1/0")"
cp "$work/out" "$work/all.jsonl"
python3 - "$corpus/expected.tsv" "$work/all.jsonl" >"$work/compared" <<'PYTHON'
import csv, json, sys
expected_name, records_name = sys.argv[1], sys.argv[2]
psd_verdicts = {"rgb": "Rgb", "cmyk": "Cmyk", "palette": "PossiblyRgb", "grey": "NothingToReport",
                "bitmap": "NothingToReport", "duotone": "NothingToReport",
                "lab": "OtherColourSpace", "multichannel": "OtherColourSpace"}
with open(records_name, encoding="utf-8", errors="surrogateescape") as f:
    records = {r["path"]: r for r in (json.loads(line) for line in f if line.strip())}
members = ["model", "bits", "icc_space", "icc_description", "icc_conflict"]
present = set(m for m in members if any(m in r for r in records.values()))
for m in members:
    if m not in present:
        print(f"note\t{m}: not in the records yet, not compared")
with open(expected_name, encoding="utf-8", newline="") as f:
    rows = list(csv.DictReader(f, delimiter="\t"))
for row in rows:
    name = row["file"]
    record = records.get(name)
    if record is None:
        print(f"fail\t{name}: no record")
        continue
    wrong = []
    if name.endswith((".psd", ".psb")):
        if row["model"] in psd_verdicts and record["name"] != psd_verdicts[row["model"]]:
            wrong.append(f"verdict {record['name']}, exiftool's mode {row['model']}")
        if row["icc"] == "broken" and record.get("icc_space") != "broken":
            wrong.append(f"icc_space {record.get('icc_space')!r}, exiftool: broken")
    for m in sorted(present):
        want = row[m]
        if want == "?":
            continue
        if m == "icc_space" and want == "none" or m == "icc_description" and want == "-":
            want = None
        elif m == "icc_conflict":
            want = {"true": True, "false": False, "null": None}[want]
        elif m == "bits":
            want = int(want)
        if record.get(m) != want:
            wrong.append(f"{m} {record.get(m)!r}, exiftool {want!r}")
    print(("fail" if wrong else "pass") + f"\t{name}: " + "; ".join(wrong))
PYTHON
while IFS=$'\t' read -r result text; do
    case "$result" in
        note) echo "$text" ;;
        *) out=$text expect "$text" "$(is "$result" pass)" ;;
    esac
done <"$work/compared"
finish
