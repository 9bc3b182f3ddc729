#!/usr/bin/env bash
# Draws the list window's tool-bar images and its window icon. Every shape is laid out on a 16-unit
# grid and drawn at 16, 20, 24, 32 and 48 pixels, so the 16 and 32 pixel images (100 % and 200 %
# scaling) have every edge on a pixel boundary. Writes one .ico per image beside this script.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
IM=/usr/bin/convert   # ImageMagick itself; /usr/local/bin/convert is something else
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sizes=(16 20 24 32 48)

# Shape helpers: grid units in, ImageMagick draw primitives out (pixel centres at integers).
k=1
g() { awk -v v="$1" -v k="$k" 'BEGIN { printf "%.3f", v * k - 0.5 }'; }
rect() { echo "fill $5 rectangle $(g "$1"),$(g "$2") $(g "$3"),$(g "$4")"; }
circ() { echo "fill $4 circle $(g "$1"),$(g "$2") $(g "$1"),$(g "$(awk -v a="$2" -v r="$3" 'BEGIN{print a-r}')")"; }
poly() {
  local fill=$1; shift
  local pts=""
  while (($#)); do pts+="$(g "$1"),$(g "$2") "; shift 2; done
  echo "fill $fill polygon $pts"
}
# A small landscape (sky, sun, two hills) filling the cell box x0,y0 - x1,y1.
scene() {
  local x0=$1 y0=$2 x1=$3 y1=$4
  local w h
  w=$(awk -v a="$x0" -v b="$x1" 'BEGIN{print b-a}')
  h=$(awk -v a="$y0" -v b="$y1" 'BEGIN{print b-a}')
  at() { awk -v o="$1" -v s="$2" -v f="$3" 'BEGIN{print o + s * f}'; }
  rect "$x0" "$y0" "$x1" "$y1" '#8fd3ff'
  if awk -v w="$w" 'BEGIN{exit !(w >= 6)}'; then
    circ "$(at "$x0" "$w" 0.72)" "$(at "$y0" "$h" 0.3)" "$(awk -v w="$w" -v h="$h" 'BEGIN{m=(w<h?w:h); print m*0.17}')" '#ffcf33'
  fi
  poly '#4caf50' "$x0" "$y1" "$x0" "$(at "$y0" "$h" 0.62)" "$(at "$x0" "$w" 0.35)" "$(at "$y0" "$h" 0.45)" \
       "$(at "$x0" "$w" 0.7)" "$(at "$y0" "$h" 0.7)" "$x1" "$(at "$y0" "$h" 0.6)" "$x1" "$y1"
  poly '#2e7d32' "$x0" "$y1" "$x0" "$(at "$y0" "$h" 0.85)" "$(at "$x0" "$w" 0.55)" "$(at "$y0" "$h" 0.72)" \
       "$x1" "$(at "$y0" "$h" 0.9)" "$x1" "$y1"
}
# A framed picture in the cell box.
card() {
  rect "$1" "$2" "$3" "$4" '#56606b'
  scene "$(awk -v a="$1" 'BEGIN{print a+1}')" "$(awk -v a="$2" 'BEGIN{print a+1}')" \
        "$(awk -v a="$3" 'BEGIN{print a-1}')" "$(awk -v a="$4" 'BEGIN{print a-1}')"
}
# A monitor whose screen is the box 1,2 - 15,11; the caller paints the screen.
monitor() {
  rect 0 1 16 12 '#3b4249'
  rect 6 12 10 14 '#3b4249'
  rect 3 14 13 16 '#56606b'
}
badge() {  # a round badge at the lower right: plus or cross
  circ 11.5 11.5 4.5 "$1"
  circ 11.5 11.5 3.5 "$2"
  if [ "$3" = plus ]; then
    rect 11 9 12 14 white
    rect 9 11 14 12 white
  else
    poly white 9.5 10.2 10.2 9.5 13.5 12.8 12.8 13.5
    poly white 12.8 9.5 13.5 10.2 10.2 13.5 9.5 12.8
  fi
}

draw_add()    { card 0 1 12 12; badge '#ffffff' '#2e9e44' plus; }
draw_erase()  {
  rect 1 0 12 15 '#56606b'; rect 2 1 11 14 '#ffffff'
  for y in 3 6 9; do rect 3 "$y" 5 $((y + 2)) '#4caf50'; rect 6 "$y" 10 $((y + 1)) '#8a949e'; done
  badge '#ffffff' '#d9372b' cross
}
draw_preview() {
  card 0 0 13 11
  poly '#7a5230' 9 10.5 10.5 9 16 14.5 14.5 16
  circ 7 6.5 5 '#3b4249'
  circ 7 6.5 3.8 '#e4f4ff'
  circ 6 5.5 1.2 '#ffffff'
}
draw_help() {
  circ 8 8 8 '#1f5fa8'
  circ 8 8 7 '#2f7fd6'
  # the question mark, cell by cell on the 16 grid
  rect 5 3 11 5 white; rect 9 4 12 8 white; rect 7 7 10 9 white; rect 7 9 9 10 white
  rect 4 4 6 6 white; rect 7 11 9 13 white
}
draw_center() { monitor; rect 1 2 15 11 '#2f6fb0'; card 5 4 11 9; }
draw_tile() {
  monitor; rect 1 2 15 11 '#2f6fb0'
  scene 1 2 7 6; scene 8 2 15 6; scene 1 7 7 11; scene 8 7 15 11
  rect 1 6 15 7 "#ffffff"; rect 7 2 8 11 "#ffffff"
}
draw_screen() { monitor; scene 1 2 15 11; }
draw_window() {
  rect 0 0 16 16 '#56606b'; rect 1 1 15 15 '#ffffff'
  rect 1 1 15 4 '#2f7fd6'
  for y in 5 8 11; do scene 2 "$y" 6 $((y + 3)); rect 7 $((y + 1)) 14 $((y + 2)) '#8a949e'; done
}

for name in add erase preview help center tile screen window; do
  pngs=()
  for s in "${sizes[@]}"; do
    k=$(awk -v s="$s" 'BEGIN{print s/16}')
    mapfile -t cmds < <("draw_$name")
    args=()
    for c in "${cmds[@]}"; do args+=(-draw "$c"); done
    "$IM" -size "${s}x${s}" xc:none -antialias "${args[@]}" "PNG32:$work/$name-$s.png"
    pngs+=("$work/$name-$s.png")
  done
  "$IM" "${pngs[@]}" "$here/$name.ico"
done
