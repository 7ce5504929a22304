#!/bin/bash
# Makes the files in samples/: one small file for each finding a scan report can show
# (the "possibly GIF" category excepted: no check produces it), with ImageMagick,
# libtiff's and libjpeg's tools and Ghostscript where a tool can make the file, and by
# hand where none does. The outputs are committed; run this again only to remake them.
# /usr/local/bin/convert is not ImageMagick on the build machines: always /usr/bin/convert.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
convert=/usr/bin/convert
for tool in "$convert" tiffcp tiffset cjpeg gs od dd; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$here"
rm -f ./*.tif ./*.jpg ./*.gif ./*.eps

# One small picture for all: 16 by 16, 8 bits, no profiles, comments or dates.
im() {  # im OUTPUT [SETTINGS...]
    local out=$1
    shift
    "$convert" -size 16x16 gradient:orange-navy -strip -depth 8 "$@" "$out"
}

# ---- Made by the tools ---------------------------------------------------------------------
im "$work/photo.ppm"
im "$work/grey.pgm" -colorspace Gray
cjpeg -quality 80 -outfile rgb-photo.jpg "$work/photo.ppm"                  # RGB
im cmyk-plate.tif -colorspace CMYK -compress none                           # CMYK
# A fifth channel that the file does not declare as an extra sample.     # possibly CMYK
im cmyk-spot-channel.tif -colorspace CMYK -alpha set -compress none
tiffset -u 338 cmyk-spot-channel.tif
im palette-logo.tif -type Palette -compress LZW                             # possibly RGB
im lab-proof.tif -colorspace Lab -compress none                             # another space
im logo.gif -colors 16                                                      # GIF
cp rgb-photo.jpg scanned-as.tif                                             # mis-labelled

# ---- Cut or patched from the tools' files --------------------------------------------------
im "$work/rgb.tif" -compress none
# The header and half the position of the first directory: undeterminable.
head -c 6 "$work/rgb.tif" >cut-short.tif
# A first directory that claims no entries: invalid. The position is little-endian.
cp "$work/rgb.tif" no-entries.tif
ifd=$(od -An -tu4 -j4 -N4 no-entries.tif | tr -d ' ')
printf '\000\000' | dd of=no-entries.tif bs=1 seek="$ifd" conv=notrunc status=none
# A link whose file is gone: the scan cannot open it (an error entry with its code).
ln -s deleted-scan.tif missing-link.tif

# ---- EPS files -----------------------------------------------------------------------------
# A drawing in RGB and CMYK operators, written by hand; Ghostscript measures it.
cat >"$work/drawing.ps" <<'PS'
0.9 0.3 0.1 setrgbcolor
4 4 28 28 rectfill
0 0.6 1 0 setcmykcolor
20 20 28 28 rectfill
showpage
PS
bbox=$(gs -q -dBATCH -dNOPAUSE -sDEVICE=bbox "$work/drawing.ps" 2>&1 | grep '^%%BoundingBox:')
{
    printf '%s\n' '%!PS-Adobe-3.0 EPSF-3.0' "$bbox" '%%Creator: by hand' \
        '%%Title: mixed-drawing' '%%EndComments' '%%BeginSetup' '%%EndSetup' '%%Page: 1 1'
    cat "$work/drawing.ps"
    printf '%s\n' '%%Trailer' '%%EOF'
} >mixed-drawing.eps                                                        # possibly both

# Photoshop's layout (no free tool writes it): the creator comment and the image comment
# "%ImageData: columns rows depth mode pad-channels block-size encoding".
photoshop_header() {  # photoshop_header TITLE [HEADER LINE...]
    printf '%s\n' '%!PS-Adobe-3.0 EPSF-3.0' '%%Creator: Adobe Photoshop Version 7.0' \
        "%%Title: $1" '%%BoundingBox: 0 0 16 16'
    shift
    [ $# -gt 0 ] && printf '%s\n' "$@"
    printf '%s\n' '%%EndComments' '%%BeginProlog' '%%EndProlog' '%%BeginSetup' '%%EndSetup'
}
# CMYK process colours in the header, an RGB image in the body.           # CMYK and RGB
{
    photoshop_header rgb-and-cmyk '%%DocumentProcessColors: Cyan Magenta Yellow Black'
    printf '%s\n' '%ImageData: 16 16 8 3 0 16 1 "beginimage"' 'gsave 16 16 scale' \
        '16 16 8 [16 0 0 -16 0 16] {currentfile 48 string readhexstring pop} false 3 colorimage'
    tail -n +4 "$work/photo.ppm" | od -An -tx1 -v | tr -d ' \n' | fold -w 96
    printf '\n%s\n' 'grestore showpage' '%%Trailer' '%%EOF'
} >rgb-and-cmyk.eps
# A greyscale image whose data is JPEG-compressed (encoding 3), made by cjpeg.  # JPEG in EPS
cjpeg -quality 80 -grayscale -outfile "$work/grey.jpg" "$work/grey.pgm"
{
    photoshop_header jpeg-in-eps
    printf '%s\n' '%ImageData: 16 16 8 1 0 16 3 "beginimage"' 'gsave 16 16 scale' \
        '16 16 8 [16 0 0 -16 0 16] currentfile /DCTDecode filter image'
    cat "$work/grey.jpg"
    printf '\n%s\n' 'grestore showpage' '%%Trailer' '%%EOF'
} >jpeg-in-eps.eps

ls -l "$here"
