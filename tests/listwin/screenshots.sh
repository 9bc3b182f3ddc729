#!/usr/bin/env bash
# Screenshots of the list window as a user sees it, worked with the real mouse and keyboard (xdotool):
# the window with entries of the three styles, its pop-up menu, and the full-screen preview of a
# picture smaller and of one larger than the screen. The previews' pixels are checked: the small
# picture whole in the middle on the desktop colour, the large one showing its middle, cut at every
# edge. Run inside the test prefix and display (scripts/test.sh sets WINEPREFIX and DISPLAY).
#   screenshots.sh <list_host.exe> <pictures folder> <folder of the WIC plug-in> <output folder>
set -euo pipefail
host_exe=$1 pictures=$2 plugins=$3 out=$4
wine=${WINELOADER:-/usr/lib/wine/wine64}
mkdir -p "$out"
rm -f "$out"/*.png
work=$(mktemp -d)
host_pid=
cleanup() {
  # Wine takes a plain TERM as a request it may leave unanswered.
  [ -n "$host_pid" ] && kill -9 "$host_pid" 2>/dev/null || true
  "$wine" reg delete 'HKCU\Software\Takechin\Susie\Plug-in' /f >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
fail() { echo "screenshots.sh: $*" >&2; exit 1; }

# The Wine desktop with the host's pop-up menus: a capture of the root window shows those black, so
# each mapped pop-up is captured on its own and laid over it.
shot() {
  local file=$1 tmp
  tmp=$(mktemp -d)
  xwd -root -silent | /usr/bin/convert xwd:- "$tmp/root.png"
  local args=()
  while read -r id geo; do
    xwd -id "$id" -silent 2>/dev/null | /usr/bin/convert xwd:- "$tmp/$id.png" 2>/dev/null || continue
    args+=("$tmp/$id.png" -geometry "$(echo "$geo" | sed -E 's/^[0-9]+x[0-9]+//')" -composite)
  done < <(xwininfo -root -tree | awk '/\(has no name\): \("list_host.exe"/ && $0 !~ / 1x1\+/ {print $1, $(NF-1)}' | tac)
  /usr/bin/convert "$tmp/root.png" "${args[@]}" "$file"
  rm -rf "$tmp"
}
pixel() { /usr/bin/convert "$1" -format "%[pixel:p{$2,$3}]" info:; }
rgb() { pixel "$@" | sed -E 's/^s?rgba?\(([0-9]+),([0-9]+),([0-9]+).*/\1 \2 \3/'; }
near() {  # near "r g b" "r g b": every channel within 40
  read -r a b c <<< "$1"; read -r x y z <<< "$2"
  (( (a-x)*(a-x) < 1600 && (b-y)*(b-y) < 1600 && (c-z)*(c-z) < 1600 ))
}
window_of() {  # the X window of the host's top-level window whose size is $1
  xwininfo -root -tree | awk -v size="$1" '/"list_host.exe"/ && $0 ~ " "size"\\+" {print $1; exit}'
}

cp "$host_exe" "$work/list_host.exe"
p() { winpath "$pictures/$1"; }
printf '%s\r\n' "0,0,$(p small.bmp)," "1,1,$(p small.png),," "0,2,$(p big.bmp),C:\\archive\\pictures.lzh" \
  "0,0,$(p big.png)," "1,2,$(p PICTURE.Bmp)," > "$work/$(whoami).LST"
"$wine" reg add 'HKCU\Software\Takechin\Susie\Plug-in' /v Path /d "$(winpath "$plugins")" /f >/dev/null 2>&1
(cd "$work" && exec "$wine" list_host.exe) >/dev/null 2>&1 &
host_pid=$!
for _ in $(seq 100); do
  xwininfo -root -tree | grep -q '"むらびね for Win32": ("list_host.exe".*[0-9][0-9][0-9]x[0-9][0-9][0-9]+' && break
  sleep 0.1
done
sleep 1

# The window: click the second row (tiled: the Tile button and menu item are checked).
row_y() { echo $((75 + 14 * $1)); }  # the rows' middles on the default layout
xdotool mousemove 60 "$(row_y 1)" click 1
sleep 0.5
shot "$out/list.png"

# Its pop-up menu, on the third row.
xdotool mousemove 60 "$(row_y 2)" click 1 sleep 0.3 click 3
sleep 0.8
shot "$out/popup.png"
xdotool key Escape
sleep 0.3

# The preview of the converted small picture (320x200): whole, in the middle, on the desktop colour.
xdotool mousemove 60 "$(row_y 1)" click 1 sleep 0.3 key ctrl+p
sleep 2
shot "$out/preview-small.png"
desk=$(rgb "$out/preview-small.png" 5 5)
near "$(rgb "$out/preview-small.png" 1018 762)" "$desk" || fail "the small preview's corners differ"
near "$(rgb "$out/preview-small.png" 512 384)" "224 32 32" || fail "the small picture's centre is not in the middle"
near "$(rgb "$out/preview-small.png" 669 481)" "255 255 255" || fail "the small picture's frame is not where it belongs"
near "$(rgb "$out/preview-small.png" 360 300)" "255 212 0" || fail "the small picture's corner mark is not where it belongs"
near "$(rgb "$out/preview-small.png" 345 300)" "$desk" || fail "the desktop colour does not surround the small picture"
xdotool key Escape
sleep 0.5

# The preview of the large bitmap (1600x1200): its middle, cut at every edge.
xdotool mousemove 60 "$(row_y 2)" click 1 sleep 0.3 key ctrl+p
sleep 2
shot "$out/preview-large.png"
near "$(rgb "$out/preview-large.png" 512 384)" "224 32 32" || fail "the large picture's centre is not in the middle"
for corner in "2 2" "1021 2" "2 765" "1021 765"; do
  c=$(rgb "$out/preview-large.png" $corner)
  near "$c" "$desk" && fail "the desktop colour shows at $corner around a picture larger than the screen"
  near "$c" "255 255 255" && fail "the large picture's frame shows at $corner: it is not cut"
  near "$c" "255 212 0" && fail "the large picture's corner mark shows at $corner: it is not cut"
done
xdotool mousemove 700 500 click 1
sleep 0.5
shot "$out/after-preview.png"
echo "screenshots in $out"
