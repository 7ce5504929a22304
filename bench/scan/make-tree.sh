#!/bin/bash
# Makes the benchmark's trees under DIR: templates made by real tools (ImageMagick,
# libjpeg's and libtiff's tools, Ghostscript), then "mixed" with about 20,000 files in
# 200 folders (4 jobs of 50) in a prepress mix, and "no-eps", the same without its EPS
# files. Files over 64 KiB are hard links to their template, so the trees cost little disk.
# usage: make-tree.sh DIR
set -euo pipefail
out=${1:?usage: make-tree.sh DIR}
convert=/usr/bin/convert  # /usr/local/bin/convert is not ImageMagick on the build machines
for tool in "$convert" cjpeg tiffcp gs; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
icc=/usr/share/color/icc/ghostscript/default_cmyk.icc
[ -f "$icc" ] || { echo "missing ICC profile: $icc" >&2; exit 1; }
mkdir -p "$out/templates"
t=$out/templates
cd "$t"

# A photograph-like picture: a gradient with grain, so that compression behaves.
picture() {  # picture WIDTH HEIGHT OUTPUT [SETTINGS...]
    local size=$1x$2 output=$3
    shift 3
    "$convert" -size "$size" -seed 7 gradient:sienna-skyblue -attenuate 0.4 +noise Gaussian \
        -strip -depth 8 "$@" "$output"
}

# ---- JPEG: baseline, progressive, CMYK, and big segments before the frame header ------
picture 800 600 photo.ppm
picture 3000 2000 large.ppm
picture 160 120 thumb.ppm
cjpeg -quality 85 -outfile j-photo.jpg photo.ppm
cjpeg -quality 90 -outfile j-large.jpg large.ppm
cjpeg -quality 85 -progressive -outfile j-progressive.jpg photo.ppm
cjpeg -quality 85 -grayscale -outfile j-grey.jpg photo.ppm
picture 1000 800 j-cmyk.jpg -colorspace CMYK -quality 85
# An ICC profile segment (about 5 KiB) before the frame header.
picture 1200 900 j-icc.jpg -colorspace CMYK -profile "$icc" -quality 85
# A camera's Exif segment carrying its thumbnail, 40 KiB before the frame header.
cjpeg -quality 95 -outfile thumb.jpg thumb.ppm
{
    head -c 2 j-photo.jpg
    size=$(( $(stat -c %s thumb.jpg) + 40000 ))
    printf '\377\341' && printf "\\$(printf %03o $(((size + 2 + 14) >> 8)))\\$(printf %03o $(((size + 2 + 14) & 255)))"
    printf 'Exif\000\000II*\000\010\000\000\000\000\000'
    cat thumb.jpg
    head -c 40000 /dev/zero
    tail -c +3 j-photo.jpg
} >j-exif.jpg

# ---- TIFF: libtiff writes the first directory after the image data -------------------
picture 32 32 t-icon.tif -compress none                   # directory in the first block
picture 2000 1500 t-rgb.tif -compress none                # directory at the end, 9 MB in
picture 2000 1500 t-cmyk.tif -colorspace CMYK -compress none
# The CMYK profile (183 KiB) tagged, for the records' details; the analysis never reads it.
picture 1500 1000 t-cmyk-lzw.tif -colorspace CMYK -compress LZW -profile "$icc"
picture 1000 1000 t-grey.tif -colorspace Gray -compress Zip
picture 600 400 rgb-small.tif -compress none
tiffcp -c jpeg -r 16 rgb-small.tif t-ycbcr.tif

# ---- EPS: vector art from Ghostscript, raster art from ImageMagick, Photoshop's layout,
# and a binary header with a TIFF preview ----------------------------------------------
{
    echo '%!PS'
    for i in $(seq 400); do
        echo "$((i % 7)) 0.1 mul $((i % 5)) 0.2 mul 0.5 setrgbcolor"
        echo "newpath $((i % 97 * 5)) $((i % 89 * 7)) moveto $((i % 13 * 9)) $((i % 11 * 8)) rlineto $((i % 17)) -40 rlineto closepath fill"
        echo "0 $((i % 3)) 0.3 mul 1 0 setcmykcolor $((i % 50)) $((i % 40)) 20 20 rectstroke"
    done
    echo 'showpage'
} >art.ps
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=eps2write -sOutputFile=e-vector.eps art.ps
# Raster art in the classic layout of image converters, with hexadecimal image data
# (ImageMagick's own EPS writer is switched off by Debian's security policy).
picture 600 400 raster.ppm
{
    printf '%s\n' '%!PS-Adobe-3.0 EPSF-3.0' '%%Creator: raster converter' '%%Title: e-raster.eps' \
        '%%BoundingBox: 0 0 600 400' '%%EndComments' '%%BeginProlog' \
        '/picstr 1800 string def' '%%EndProlog' '%%BeginSetup' '%%EndSetup' '%%Page: 1 1' \
        'gsave 600 400 scale' '600 400 8 [600 0 0 -400 0 400]' \
        '{currentfile picstr readhexstring pop} false 3 colorimage'
    tail -c +16 raster.ppm | od -An -tx1 -v | tr -d ' \n' | fold -w 120
    printf '\n%s\n' 'grestore showpage' '%%Trailer' '%%EOF'
} >e-raster.eps
picture 1200 900 ps-data.cmyk -colorspace CMYK
{
    printf '%s\n' '%!PS-Adobe-3.0 EPSF-3.0' '%%Creator: Adobe Photoshop Version 7.0' \
        '%%Title: e-photoshop.eps' '%%BoundingBox: 0 0 1200 900' \
        '%%DocumentProcessColors: Cyan Magenta Yellow Black' '%%EndComments' \
        '%%BeginProlog' '%%EndProlog' '%%BeginSetup' '%%EndSetup' \
        '%ImageData: 1200 900 8 4 0 1200 2 "beginimage"' \
        "%%BeginBinary: $(stat -c %s ps-data.cmyk)"
    cat ps-data.cmyk
    printf '\n%s\n' '%%EndBinary' '%%Trailer' '%%EOF'
} >e-photoshop.eps
le32() { printf "\\$(printf %03o $(($1 & 255)))\\$(printf %03o $((($1 >> 8) & 255)))\\$(printf %03o $((($1 >> 16) & 255)))\\$(printf %03o $((($1 >> 24) & 255)))"; }
ps_length=$(stat -c %s e-vector.eps)
tiff_length=$(stat -c %s t-icon.tif)
{
    printf '\305\320\323\306'
    le32 30; le32 "$ps_length"; le32 0; le32 0; le32 $((30 + ps_length)); le32 "$tiff_length"
    printf '\377\377'
    cat e-vector.eps t-icon.tif
} >e-preview.eps

# ---- GIF and the files around them ---------------------------------------------------
picture 400 300 g-logo.gif -colors 64
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sOutputFile=o-layout.pdf art.ps
# A Photoshop document with an sRGB profile among its image resources.
picture 300 200 o-mockup.psd -profile "${icc%/*}/srgb.icc"
printf 'Job notes: proofs due Thursday, 4/0 on 150 gsm silk.\n%.0s' $(seq 40) >o-notes.txt
printf '<x:xmpmeta xmlns:x="adobe:ns:meta/"/>\n' >o-sidecar.xmp
rm -f ./*.ppm ps-data.cmyk art.ps rgb-small.tif thumb.jpg

# ---- The trees ------------------------------------------------------------------------
# Template and extension, with weights out of 100: JPEG 40, TIFF 25, EPS 15, GIF 5,
# others 15. One file in 500 carries the extension of another kind. Python places the
# 37,000 files: a shell would fork for each.
command -v python3 >/dev/null || { echo "missing tool: python3" >&2; exit 1; }
python3 - "$out" <<'PY'
import os, shutil, sys
out = sys.argv[1]
templates = os.path.join(out, "templates")
plan = []
for name, extension, weight in [
        ("j-photo.jpg", "jpg", 12), ("j-large.jpg", "jpg", 6), ("j-progressive.jpg", "jpg", 5),
        ("j-grey.jpg", "jpeg", 3), ("j-cmyk.jpg", "jpg", 6), ("j-icc.jpg", "jpg", 4),
        ("j-exif.jpg", "JPG", 4),
        ("t-icon.tif", "tif", 4), ("t-rgb.tif", "tif", 6), ("t-cmyk.tif", "tif", 6),
        ("t-cmyk-lzw.tif", "tif", 4), ("t-grey.tif", "tiff", 3), ("t-ycbcr.tif", "tif", 2),
        ("e-vector.eps", "eps", 5), ("e-raster.eps", "eps", 4), ("e-photoshop.eps", "eps", 4),
        ("e-preview.eps", "eps", 2),
        ("g-logo.gif", "gif", 5),
        ("o-layout.pdf", "pdf", 4), ("o-mockup.psd", "psd", 3), ("o-notes.txt", "txt", 4),
        ("o-sidecar.xmp", "xmp", 4)]:
    plan += [(name, extension)] * weight
assert len(plan) == 100
for tree in ("mixed", "no-eps"):
    shutil.rmtree(os.path.join(out, tree), ignore_errors=True)
    for i in range(200):
        os.makedirs(os.path.join(out, tree, "job%d" % (i % 4), "folder%d" % (i // 4)))
for i in range(20000):
    name, extension = plan[i * 37 % 100]
    if i % 500 == 13:
        extension = plan[(i * 37 + 30) % 100][1]
    source = os.path.join(templates, name)
    for tree in ("mixed", "no-eps"):
        if tree == "no-eps" and name.startswith("e-"):
            continue
        target = os.path.join(out, tree, "job%d" % (i % 4), "folder%d" % (i % 200 // 4),
                              "file%d.%s" % (i, extension))
        if os.path.getsize(source) > 65536:
            os.link(source, target)
        else:
            shutil.copyfile(source, target)
PY
touch "$out/.ready"
