#!/usr/bin/env bash
# The options dialog under real mouse clicks from the X side (xdotool), inside option_host, which
# stands in for the main window: the tabs switch pages, a check box and a radio button take clicks,
# the bitmap button opens the registration dialog, and 適用 switches the tray icon off and leaves the
# settings for the exit to write. Screenshots of the three pages and of the registration dialog stay
# in the output folder for a person to look at.
#   option_clicks.sh <option_host.exe> <screen_grab.exe> <test plug-in folder> <output folder>
set -u
host=$1 grab=$2 plugins=$3 out=$4
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  echo "option_clicks.sh: WINEPREFIX and DISPLAY are set by scripts/test.sh; run the tests through it" >&2
  exit 2
fi
wine=${WINELOADER:-/usr/lib/wine/wine64}
winpath() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

rm -rf "$out"
mkdir -p "$out"
"$wine" reg delete 'HKCU\Software\ORMI' /f >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Takechin\Susie\Plug-in' /v Path /d "$(winpath "$plugins/catalogue")" /f >/dev/null 2>&1
# Bitmaps get a file class, as Windows gives them; what .bmp held before is put back at the end.
bmp_class=$("$wine" reg query 'HKCR\.bmp' /ve 2>/dev/null | tr -d '\r' | awk '/REG_SZ/ {print $NF}')
"$wine" reg add 'HKCR\.bmp' /ve /d MrvClicks.Picture /f >/dev/null 2>&1
"$wine" reg add 'HKCR\MrvClicks.Picture\shell\MURAVINEWallTile' /ve /d x /f >/dev/null 2>&1
restore() {
  if [ -n "$bmp_class" ]; then "$wine" reg add 'HKCR\.bmp' /ve /d "$bmp_class" /f >/dev/null 2>&1
  else "$wine" reg delete 'HKCR\.bmp' /ve /f >/dev/null 2>&1; fi
  "$wine" reg delete 'HKCR\MrvClicks.Picture' /f >/dev/null 2>&1
  "$wine" reg delete 'HKCU\Software\Takechin' /f >/dev/null 2>&1
  "$wine" reg delete 'HKCU\Software\ORMI' /f >/dev/null 2>&1
}
trap restore EXIT

"$wine" "$host" "$(winpath "$out")" >"$out/host.log" 2>&1 &
host_pid=$!
for _ in $(seq 150); do [ -f "$out/layout.txt" ] && break; sleep 0.2; done
[ -f "$out/layout.txt" ] || { fail "the dialog never showed"; exit 1; }
sleep 0.5

point() { awk -v k="$1" -v i="$2" '$1 == k && $2 == i {print $3, $4}' "$out/layout.txt"; }
click() {
  local p; p=$(point "$1" "$2")
  [ -n "$p" ] || { fail "no $1 $2 in the layout"; return; }
  # shellcheck disable=SC2086
  xdotool mousemove $p click 1
  sleep 0.4
}
read -r _ dx dy dw dh < <(grep '^dialog ' "$out/layout.txt")
shot() {
  "$wine" "$grab" "$(winpath "$out/screen.bmp")" >/dev/null 2>&1
  /usr/bin/convert "$out/screen.bmp" -crop "$((dw + 40))x$((dh + 40))+$((dx - 20))+$((dy - 20))" +repage "$out/$1.png"
  rm -f "$out/screen.bmp"
}

shot page-general
click tab 1
shot page-change
click ctl 3203   # 一定間隔毎に変更(&I)
click tab 2
shot page-susie
click tab 0
click ctl 3101   # タスクトレイの表示(&T): cleared
click ctl 3113   # エクスプローラ右クリックに追加/削除(*.bmp)
sleep 0.6
shot registration
xdotool key Escape
sleep 0.4
click ctl 1      # 適用(&A)

for _ in $(seq 100); do kill -0 $host_pid 2>/dev/null || break; sleep 0.2; done
if kill -0 $host_pid 2>/dev/null; then fail "適用 did not close the dialog"; kill $host_pid; fi
[ "$(tr -d '\r\n' < "$out/tray.txt" 2>/dev/null)" = "0" ] || fail "tray switch calls: '$(cat "$out/tray.txt" 2>/dev/null)', want one call with 0"
value() { "$wine" reg query 'HKCU\Software\ORMI\MURAVINE' /v "$1" 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n {print $3}'; }
[ "$(value ShowTray)" = "0x0" ] || fail "ShowTray stored as '$(value ShowTray)', want 0x0"
[ "$(value ChangeTiming)" = "0x3" ] || fail "ChangeTiming stored as '$(value ChangeTiming)', want 0x3"
[ "$(value SaveSetting)" = "0x1" ] || fail "SaveSetting stored as '$(value SaveSetting)', want 0x1"
for s in page-general page-change page-susie registration; do
  [ -s "$out/$s.png" ] || fail "no screenshot $s"
done

[ $failures -eq 0 ]
