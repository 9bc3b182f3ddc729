#!/usr/bin/env bash
# Makes the pictures the WIC plug-in tests decode, each with ImageMagick's own decoding of it as
# the reference: <name> and <name>.ppm (8-bit RGB, transparency laid over white, EXIF orientation
# applied, an animation's first frame on its full canvas). Usage: make_samples.sh OUTDIR
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"
im=/usr/bin/convert  # ImageMagick itself, not a stand-in of the same name

# A deterministic colourful base; odd sizes so that rows need padding in every depth.
$im -seed 7 -size 61x37 plasma:fractal -depth 8 -define png:color-type=2 PNG24:base.png
$im -size 61x37 gradient:white-black -rotate 90 -resize 61x37\! alpha.png

$im base.png PNG24:rgb.png
$im base.png alpha.png -alpha off -compose copyopacity -composite PNG32:rgba.png
$im base.png -depth 16 PNG48:rgb48.png
$im base.png -colorspace gray -depth 8 -define png:color-type=0 gray.png
$im base.png +dither -colors 200 PNG8:pal8.png
$im base.png -posterize 2 -define png:bit-depth=4 -define png:color-type=3 pal4.png
$im base.png -colorspace gray -threshold 50% -depth 1 -define png:color-type=0 -define png:bit-depth=1 mono.png
$im base.png alpha.png -alpha off -compose copyopacity -composite +dither -colors 64 PNG8:palalpha.png
$im base.png -colorspace gray -depth 16 -define png:color-type=0 gray16.png
$im base.png -colorspace gray alpha.png -alpha off -compose copyopacity -composite -define png:color-type=4 graya.png
$im base.png -interlace PNG interlaced.png

$im base.png -quality 92 rgb.jpg
$im base.png -colorspace gray -quality 92 gray.jpg
$im base.png -colorspace CMYK -quality 92 cmyk.jpg
$im base.png -interlace JPEG -quality 92 progressive.jpg
# One EXIF orientation per file (APP1 with a one-entry IFD: tag 274, SHORT, the value).
for o in 1 2 3 4 5 6 7 8; do
  v=$(printf '%03o' "$o")
  printf 'Exif\000\000II*\000\010\000\000\000\001\000\022\001\003\000\001\000\000\000\'"$v"'\000\000\000\000\000\000\000' > orient$o.app1
  $im base.png -quality 92 -profile APP1:orient$o.app1 orient$o.jpg
  rm orient$o.app1
done
# A photo-sized picture: several batches of rows, so progress is reported more than once.
$im -seed 11 -size 1024x768 plasma:fractal -quality 90 large.jpg

$im base.png +dither -colors 64 pal.gif
$im base.png +dither -colors 64 -interlace GIF interlaced.gif
$im base.png -fuzz 12% -transparent "$($im base.png -format '%[pixel:p{30,18}]' info:)" +dither -colors 64 trans.gif
# An animation whose first frame covers only part of its canvas.
$im \( -size 25x15 xc:'#E03020' -repage 61x37+20+11 \) \( -size 61x37 xc:'#2040C0' -repage 61x37+0+0 \) \
    -loop 0 -dispose none anim.gif

$im base.png -compress lzw rgb.tif
$im base.png -posterize 2 -type palette -depth 4 pal4.tif
$im base.png -colorspace gray -threshold 50% -monochrome -compress group4 mono.tif
$im base.png -colorspace gray -depth 8 gray.tif
$im rgba.png rgba.tif
$im base.png -depth 16 rgb16.tif
$im base.png -define tiff:tile-geometry=16x16 tiled.tif
$im base.png \( base.png -flip \) pages.tif  # two pages: the first is the picture

for f in rgb.png rgba.png rgb48.png gray.png pal8.png pal4.png mono.png palalpha.png gray16.png graya.png \
         interlaced.png rgb.jpg gray.jpg cmyk.jpg progressive.jpg large.jpg \
         orient1.jpg orient2.jpg orient3.jpg orient4.jpg orient5.jpg orient6.jpg orient7.jpg orient8.jpg \
         pal.gif interlaced.gif trans.gif anim.gif rgb.tif pal4.tif mono.tif gray.tif rgba.tif rgb16.tif tiled.tif \
         pages.tif; do
  # The canvas of a turned picture must turn with it (+repage) before it is flattened; an
  # animation's first frame keeps its place on its canvas.
  case $f in *.jpg) turn=(-auto-orient +repage) ;; *) turn=() ;; esac
  $im "$f[0]" "${turn[@]}" -background white -flatten -alpha off -depth 8 "$f.ppm"
done
rm -f base.png alpha.png
