#!/usr/bin/env bash
# The pictures the list window tests show and set: one smaller and one larger than the 1024x768
# test desktop, as PNG (decoded through the WIC plug-in) and as bitmaps. Each has a white frame
# and a red centre mark so that a screenshot tells what part of it is shown.
set -euo pipefail
out=$1
mkdir -p "$out"
IM=/usr/bin/convert
picture() {  # width height colours output
  local w=$1 h=$2 from=$3 to=$4 file=$5
  "$IM" -size "${w}x${h}" gradient:"$from"-"$to" \
    -fill none -stroke white -strokewidth 8 -draw "rectangle 4,4 $((w - 5)),$((h - 5))" \
    -stroke none -fill '#e02020' -draw "circle $((w / 2)),$((h / 2)) $((w / 2 + 20)),$((h / 2))" \
    -fill '#ffd400' -draw "rectangle 0,0 60,60" "$file"
}
picture 320 200 '#1e3c72' '#6fb1fc' "$out/small.png"
picture 1600 1200 '#134e5e' '#71b280' "$out/big.png"
picture 320 200 '#5f2c82' '#49a09d' "BMP3:$out/small.bmp"
picture 1600 1200 '#42275a' '#734b6d' "BMP3:$out/big.bmp"
cp "$out/small.bmp" "$out/PICTURE.Bmp"
