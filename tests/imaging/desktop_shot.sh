#!/usr/bin/env bash
# The Linux half of the desktop screenshot check: while desktop_shot_helper (inside the prefix's
# virtual desktop) has set a decoded 64x48 picture of red, green, blue and yellow quadrants as the
# wallpaper, take a screenshot of the X display and look at its pixels.
#   desktop_shot.sh <desktop_shot_helper.exe> <MURAVINE.exe> <plug-in folder> <output folder>
# The screenshots stay in the output folder (desktop-<style>.png) for a person to look at.
set -u
helper=$1 exe=$2 plugins=$3 out=$4
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  echo "desktop_shot.sh: WINEPREFIX and DISPLAY are set by scripts/test.sh; run the tests through it" >&2
  exit 2
fi
wine=${WINELOADER:-/usr/lib/wine/wine64}
winpath() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }

rm -rf "$out"
mkdir -p "$out"
"$wine" "$helper" "$(winpath "$exe")" "$(winpath "$plugins")" "$(winpath "$out")" &
helper_pid=$!

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# The colour of the picture at a point of a wallpaper that starts at (x0, y0) and repeats when tiled.
quadrant() {
  local x=$1 y=$2
  if [ "$y" -lt 24 ]; then [ "$x" -lt 32 ] && echo FF0000 || echo 00FF00
  else [ "$x" -lt 32 ] && echo 0000FF || echo FFFF00
  fi
}
# Colours of the screenshot at "x,y" points, one a line.
pixels() {
  local shot=$1; shift
  local fmt=""
  for p in "$@"; do fmt+="%[hex:p{$p}]\n"; done
  /usr/bin/convert "$shot" -depth 8 -format "$fmt" info:
}

check_style() {
  local style=$1
  local waited=0
  while [ ! -f "$out/$style.ready" ]; do
    sleep 0.2; waited=$((waited + 1))
    if [ $waited -gt 300 ] || ! kill -0 $helper_pid 2>/dev/null; then fail "$style: the helper never got ready"; return; fi
  done
  local shot="$out/desktop-$style.png"
  xwd -root -silent -display "$DISPLAY" | /usr/bin/convert xwd:- "$shot"
  local state; state=$(cat "$out/$style.ready")
  touch "$out/$style.shot"

  local points=() want=()
  case $style in
    center)
      [ "$state" = "0 0" ] || fail "center: desktop values '$state', want '0 0'"
      # 64x48 centred on the 1024x768 desktop: from (480,360).
      for p in "8 8" "56 8" "8 40" "56 40" "31 23" "32 24" "0 0" "63 47"; do
        set -- $p; points+=("$((480 + $1)),$((360 + $2))"); want+=("$(quadrant "$1" "$2")")
      done
      # Around it the desktop shows none of the picture's colours.
      for p in "470,350" "550,420" "10,10" "1000,100"; do points+=("$p"); want+=("background"); done
      ;;
    tile)
      [ "$state" = "1 0" ] || fail "tile: desktop values '$state', want '1 0'"
      for p in "8 8" "56 8" "8 40" "56 40" "72 8" "130 100" "500 380" "1000 600" "700 290"; do
        set -- $p; points+=("$1,$2"); want+=("$(quadrant $(($1 % 64)) $(($2 % 48)))")
      done
      ;;
    stretch)
      # Wine draws a stretched wallpaper centred, so only the desktop values are checked here.
      [ "$state" = "0 2" ] || fail "stretch: desktop values '$state', want '0 2'"
      return
      ;;
  esac
  local got i=0
  mapfile -t got < <(pixels "$shot" "${points[@]}")
  for i in "${!points[@]}"; do
    local g=${got[$i]:-none} w=${want[$i]}
    if [ "$w" = background ]; then
      case $g in FF0000|00FF00|0000FF|FFFF00) fail "$style: ${points[$i]} shows the picture's $g";; esac
    elif [ "$g" != "$w" ]; then
      fail "$style: ${points[$i]} is $g, want $w"
    fi
  done
  echo "$style: checked ${#points[@]} points of $shot"
}

for style in center tile stretch; do check_style "$style"; done
wait $helper_pid
helper_rc=$?
[ $helper_rc -eq 0 ] || fail "the helper ended with $helper_rc"
[ $failures -eq 0 ] && echo "desktop_shot: all checks passed"
exit $((failures > 0))
