#!/bin/sh
# Draws the two logo pictures embedded in the application.
# Needs ImageMagick's `convert` and the DejaVu fonts. Run it from anywhere:
#   sh artwork/make-artwork.sh
# The output is reproducible: no time stamps or other metadata go into the files.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
bold=$(fc-match -f '%{file}' 'DejaVu Sans:style=Bold')
[ -f "$bold" ] || { echo "DejaVu Sans Bold was not found." >&2; exit 1; }

png_options="-strip -define png:exclude-chunks=date,time"

# Product logo: the product name on an opaque black background, 1536 x 1024, no alpha
# channel. The application keys the black away and trims the empty border itself.
convert -size 1536x1024 xc:black \
    \( -size 1536x1024 xc:none -font "$bold" -pointsize 250 -gravity center \
       -fill '#7fb2d9' -annotate +0-60 'Velvane' -blur 0x18 \) -compose screen -composite \
    \( -size 1536x1024 gradient:'#6fd8ee'-'#7fb2d9' \
       \( -size 1536x1024 xc:black -font "$bold" -pointsize 250 -gravity center \
          -fill white -annotate +0-60 'Velvane' \) \
       -alpha off -compose copy_opacity -composite \) -compose over -composite \
    -fill '#8fbf6b' -draw 'rectangle 348,700 372,760' \
    -fill '#7fb2d9' -draw 'rectangle 396,660 420,800' \
    -fill '#6fd8ee' -draw 'rectangle 444,690 468,770' \
    -fill '#8fbf6b' -draw 'rectangle 492,640 516,820' \
    -fill '#7fb2d9' -draw 'rectangle 540,680 564,780' \
    -fill '#6fd8ee' -draw 'rectangle 588,710 612,750' \
    -fill '#3a4046' -draw 'rectangle 636,727 1188,733' \
    -alpha off -type TrueColor $png_options "PNG24:$here/velvane_logo.png"

# Company mark: a ring around three rising bars on a transparent canvas, 800 x 800.
convert -size 800x800 xc:none \
    -fill none -stroke '#d9b25f' -strokewidth 44 -draw 'circle 400,400 400,88' \
    -stroke none -fill '#d9b25f' \
    -draw 'roundrectangle 262,420 322,560 14,14' \
    -draw 'roundrectangle 370,330 430,560 14,14' \
    -draw 'roundrectangle 478,240 538,560 14,14' \
    $png_options "PNG32:$here/osmerine_logo.png"
