#!/bin/bash
# The PDF corpus (tests/fixtures/pdf) through "inkhound check --check pdf": each file's
# inventory, output intent, problem and verdict against expected.tsv, what independent
# tools say (qpdf, pdfimages, exiftool) or the files were made to hold; the same records
# with several jobs; and a scan of the corpus that lists every file and never crashes.
# Skips (77) while the tool has no PDF kind.
# usage: INKHOUND=path/to/inkhound pdf_corpus_test.sh
source "$(dirname "$0")/harness.sh"
corpus=$(cd "$(dirname "$0")/../fixtures/pdf" && pwd)
cd "$corpus/files" || exit 2
names=(*)

run --help
if ! printf '%s\n' "$out" | sed -n '/--check NAMES/,/^  --[a-z]/p' | grep -qw pdf; then
    echo "no PDF kind in this build: skipped"
    exit 77
fi

run check --check pdf --format json -- "${names[@]}"
expect "the whole corpus checked" "$(matches "$status" '^[013]$')"
cp "$work/out" "$work/one.jsonl"
python3 - "$corpus/expected.tsv" "$work/one.jsonl" >"$work/compared" <<'PYTHON'
import csv, json, sys
ORDER = ["rgb", "cmyk", "grey", "lab", "spot", "other"]
with open(sys.argv[2], encoding="utf-8", errors="surrogateescape") as f:
    records = {r["path"]: r for r in (json.loads(line) for line in f if line.strip())}
with open(sys.argv[1], encoding="utf-8", newline="") as f:
    rows = list(csv.DictReader(f, delimiter="\t"))


def counts(text):  # "rgb=2;cmyk=1" in its order, as the record's pairs must come
    return [] if text == "-" else [(k, int(v)) for k, v in (p.split("=") for p in text.split(";"))]


def wanted(row):
    """Each member's expected value (in the record's form), the unknown (?) left out; None
    where the file is not to be examined as a PDF (pages -)."""
    none = lambda text: None if text == "-" else text
    intent = None
    if row["intent_space"] != "-":
        intent = {"space": row["intent_space"], "description": none(row["intent_description"])}
    code, name = row["verdict"].split()
    if row["pages"] == "-":
        return None, (int(code), name)
    values = {
        "pages": lambda: int(row["pages"]),
        "images": lambda: counts(row["images"]),
        "vector": lambda: [] if row["vector"] == "-" else row["vector"].split(";"),
        "spots": lambda: [] if row["spots"] == "-" else row["spots"].split(";"),
        "output_intent": lambda: intent,
        "problem": lambda: none(row["problem"]),
    }
    column = {"images": "images", "vector": "vector", "spots": "spots", "pages": "pages",
              "output_intent": "intent_space", "problem": "problem"}
    want = {m: get() for m, get in values.items() if row[column[m]] != "?"}
    return want, (int(code), name)


def actual(pdf, member):
    value = pdf.get(member)
    if member == "images":
        return list(value.items()) if isinstance(value, dict) else value
    if member == "vector":  # the set of spaces, in the record's order
        return list(value) if isinstance(value, dict) else value
    return value


for row in rows:
    name, record = row["file"], records.get(row["file"])
    if record is None:
        print(f"fail\t{name}: no record")
        continue
    want, verdict = wanted(row)
    wrong = []
    if (record["verdict"], record["name"]) != verdict:
        got = f"{record['verdict']} {record['name']}"
        wrong.append(f"verdict {got}, expected {verdict[0]} {verdict[1]}")
    pdf = record.get("pdf")
    if want is None:
        want = {}
        if pdf is not None:
            wrong.append(f"pdf {pdf!r}, expected null")
    elif not isinstance(pdf, dict):
        wrong.append(f"pdf {pdf!r}")
        pdf = {}
    for member, value in want.items():
        if member in pdf and actual(pdf, member) != value:
            wrong.append(f"{member} {actual(pdf, member)!r}, expected {value!r}")
        elif member not in pdf:
            wrong.append(f"no {member}")
    print(("fail" if wrong else "pass") + f"\t{name}: " + "; ".join(wrong))
PYTHON
while IFS=$'\t' read -r result text; do
    out=$text expect "$text" "$(is "$result" pass)"
done <"$work/compared"
expect "a row a file" "$(is "$(grep -c '' "$work/compared")" "${#names[@]}")"

if [ "$several_jobs" = 1 ]; then
    run check --check pdf --format json --jobs 4 -- "${names[@]}"
    expect "four jobs: the same records" "$(cmp -s "$work/out" "$work/one.jsonl"; echo $?)"
fi

# A scan of every kind over the folder: an answer for each file, never a crash.
run scan --check all --format csv -- "$corpus/files"
expect "scan: ends with an answer" "$(matches "$status" '^[013]$')"
listed=$(records csv "$work/out" path | tr '\0' '\n' | sed 's|.*/||' | sort)
expect "scan: every file listed" "$(is "$listed" "$(printf '%s\n' "${names[@]}" | sort)")"
# The CSV form of the same inventories: counts as rgb=2;cmyk=1, names joined by ; (the
# vector's counts dropped: the tools give its spaces only).
records csv "$work/out" path pdf_pages pdf_images pdf_vector pdf_spots | tr '\0' '\n' |
    awk -F'\t' '{ sub(/.*\//, "", $1); gsub(/=[0-9]+/, "", $4); print }' OFS='\t' |
    sort >"$work/csv"
awk -F'\t' 'NR > 1 && $1 ~ /\.pdf$/ && $3 != "?" {
    for (i = 2; i <= 5; i++) if ($i == "-") $i = ""
    print $1, $2, $3, $4, $5 }' OFS='\t' "$corpus/expected.tsv" |
    sort >"$work/csv.expected"
out=$(diff "$work/csv.expected" <(grep -F -f <(cut -f1 "$work/csv.expected") "$work/csv"))
expect "scan: the CSV columns as expected.tsv" "$(is "$out" "")"
finish
