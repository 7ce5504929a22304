#!/bin/bash
# Makes the benchmark's PDF with Ghostscript: PAGES pages, each with an RGB and a CMYK image
# of 272 by 272 samples of noise (Flate-compressed, so about 520 KB a page) and 240 squares
# of vector art, alternately RGB and CMYK, every page's data different (pdfwrite would
# otherwise share one image among the pages).
# usage: bench/pdf/make-pdf.sh OUTPUT [PAGES]   (default 100 pages: about 52 MB)
set -euo pipefail
output=$1
pages=${2:-100}
side=272  # samples a side: about 520 KB of images a page
mkdir -p "$(dirname "$output")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 -c '
import random, sys
random.seed(19)
pages, side = int(sys.argv[1]), int(sys.argv[2])
sys.stdout.buffer.write(random.randbytes(pages * side * side * 7))' "$pages" "$side" >"$work/noise"
cat >"$work/pages.ps" <<POSTSCRIPT
%!PS
/noise ($work/noise) (r) file def
/box { newpath moveto 0 20 rlineto 20 0 rlineto 0 -20 rlineto closepath fill } def
1 1 $pages {
    pop
    gsave 20 400 translate 256 256 scale
    $side $side 8 [$side 0 0 -$side 0 $side] noise false 3 colorimage grestore
    gsave 300 400 translate 256 256 scale
    $side $side 8 [$side 0 0 -$side 0 $side] noise false 4 colorimage grestore
    0 1 239 {
        dup 20 mod 25 mul 20 add exch dup 20 idiv 25 mul 20 add exch
        2 mod 0 eq { 0.9 0.2 0.1 setrgbcolor } { 0.1 0.7 0.2 0.05 setcmykcolor } ifelse
        box
    } for
    showpage
} for
POSTSCRIPT
gs -q -dNOPAUSE -dBATCH -dSAFER --permit-file-read="$work/" -sDEVICE=pdfwrite \
    -dAutoFilterColorImages=false -dColorImageFilter=/FlateEncode -dEncodeColorImages=true \
    -dDownsampleColorImages=false -sOutputFile="$output.part" "$work/pages.ps"
mv "$output.part" "$output"
