#!/usr/bin/env bash
# The program's main job on a Wine virtual desktop: a demo list is built through the program's own
# add command, the program is started as from the Startup folder (it picks the next picture of the
# list and makes it the wallpaper), and a screenshot of the desktop is left behind.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/setup.sh
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 -j "$(nproc)" --target MURAVINE >/dev/null

out=${MRV_DEMO_DIR:-$root/build/demo}
rm -rf "$out"
mkdir -p "$out/app" "$out/pics"
source scripts/wine-env.sh
display=""
for d in $(seq 140 180); do
  if [ ! -e "/tmp/.X$d-lock" ] && [ ! -e "/tmp/.X11-unix/X$d" ]; then display=":$d"; break; fi
done
cleanup() { mrv_wine_down; }
trap cleanup EXIT
mrv_wine_up "$out/prefix" "$display"
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

cp build/windows-x64/MURAVINE.exe "$out/app/"
exe=$(winpath "$out/app/MURAVINE.exe")

# Demo pictures: generated here, bottom-up 24-bit bitmaps as the desktop wants them.
/usr/bin/convert -size 640x400 gradient:'#1e3c72'-'#2a5298' -fill '#f5f5dc' -draw 'circle 480,110 480,160' \
  -fill '#0b2545' -draw 'polygon 0,400 0,300 200,220 380,320 560,240 640,290 640,400' BMP3:"$out/pics/night.bmp"
/usr/bin/convert -size 96x96 pattern:checkerboard -fill '#e07a5f' -colorize 40% BMP3:"$out/pics/tile.bmp"
/usr/bin/convert -size 800x500 gradient:'#ffecd2'-'#fcb69f' -fill '#ff7f50' -draw 'circle 400,500 400,380' \
  BMP3:"$out/pics/sunset.bmp"

echo "== adding the demo pictures to the list (the add command, as Explorer's right-click verbs do)"
mrv_wine "$exe" /ac "$(winpath "$out/pics/night.bmp")"
mrv_wine "$exe" /at "$(winpath "$out/pics/tile.bmp")"
mrv_wine "$exe" /as "$(winpath "$out/pics/sunset.bmp")"

echo "== the list file ($out/app/root.LST)"
cat "$out/app/root.LST"

echo "== a launch from the Startup folder: change at start-up, then end at once"
mrv_wine reg add 'HKCU\Software\ORMI\MURAVINE' /v ChangeTiming /t REG_DWORD /d 1 /f >/dev/null
mrv_wine reg add 'HKCU\Software\ORMI\MURAVINE' /v ExitAtOnce /t REG_DWORD /d 1 /f >/dev/null
mrv_wine reg add 'HKCU\Software\ORMI\MURAVINE' /v WallIndex /t REG_DWORD /d 0xffffffff /f >/dev/null
mrv_wine "$exe" /startup
cat "$out/app/root.LST"

echo "== the stored settings"
mrv_wine reg query 'HKCU\Software\ORMI\MURAVINE' | tr -d '\r'
echo "== the desktop"
mrv_wine reg query 'HKCU\Control Panel\Desktop' /v Wallpaper | tr -d '\r' | grep Wallpaper
mrv_wine reg query 'HKCU\Control Panel\Desktop' /v TileWallpaper | tr -d '\r' | grep TileWallpaper

# Keep the virtual desktop up for the picture: a program that waits keeps it open.
mrv_wine "$exe" /wt "$(winpath "$out/pics/tile.bmp")"
mrv_wine cmd /c "ping -n 3 127.0.0.1 >nul" &
holder=$!
sleep 2
xwd -root -silent -display "$DISPLAY" | /usr/bin/convert xwd:- "$out/desktop.png"
wait "$holder"
echo "== screenshot: $out/desktop.png"
