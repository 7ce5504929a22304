#!/bin/bash
# The PDF benchmark: "inkhound check --check pdf --format json" on a 100-page PDF of about
# 50 MB (RGB and CMYK images and vector art, made once by bench/pdf/make-pdf.sh) against
# `pdfimages -list` (which lists the images without decoding them) and `qpdf --check`
# (which parses every object and decodes every stream), interleaved run by run on a warm
# page cache; prints a Markdown table: best time, speed against pdfimages', peak memory.
# usage: bench/pdf/run.sh [BUILD_DIR [RUNS]]   (defaults: build/native 7)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/native}
runs=${2:-7}
no_tree=1
. bench/common.sh
file=$data/pdf-100.pdf
[ -f "$file" ] || bench/pdf/make-pdf.sh "$file" 100
bytes=$(stat -c %s "$file")
cat "$file" >/dev/null  # into the page cache

# A build without the PDF kind is timed against the tools alone.
kind=0
"$tool" --help | sed -n '/--check NAMES/,/^  --[a-z]/p' | grep -w pdf >/dev/null && kind=1
for _ in $(seq "$runs"); do
    [ "$kind" = 1 ] && keep check "$tool" check --check pdf --format json "$file"
    keep pdfimages pdfimages -list "$file"
    keep qpdf qpdf --check "$file"
done

row() {  # row WHAT NAME
    printf '| %s | %s | %s | %s |\n' "$1" "${best_time[$2]}" "$(ratio "$2" pdfimages)" \
        "${peak_rss[$2]}"
}
echo "PDF: $(qpdf --show-npages "$file") pages, $bytes bytes, best of $runs runs"
if [ "$kind" = 1 ]; then
    echo
    record=$("$tool" check --check pdf --format json "$file" || true)  # 1: something found
    python3 -c '
import json, sys
r = json.loads(sys.stdin.readline())
p = r["pdf"] or {}
shown = ", ".join(f"{m} {json.dumps(p.get(m))}" for m in ("images", "vector", "problem"))
verdict, name = r["verdict"], r["name"]
print(f"Record: verdict {verdict} {name}, {shown}")' <<<"$record"
fi
echo
echo "| what | seconds | speed / pdfimages -list's | peak memory (KiB) |"
echo "|---|---|---|---|"
[ "$kind" = 1 ] && row "\`inkhound check --check pdf --format json\`" check
row "\`pdfimages -list\`" pdfimages
row "\`qpdf --check\`" qpdf
[ "$kind" = 1 ] || { echo; echo "This build has no PDF kind: the tools alone."; }
exit 0
