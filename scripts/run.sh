#!/usr/bin/env bash
# The program at work on a Wine virtual desktop: a demo list is built through the program's own add
# command, a launch from the Startup folder makes the first change and ends at once, then the
# program stays resident with its tray icon, its tray menu gives the next wallpaper, a second launch
# shows its main window, and the tray menu ends it. Screenshots are left in build/demo/.
#   MRV_BUILD_DIR=dir  use a build that is already there instead of building build/windows-x64
#   MRV_DEMO_DIR=dir   where the demo goes (default build/demo)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/setup.sh
if [ -n "${MRV_BUILD_DIR:-}" ]; then
  build=$(cd "$MRV_BUILD_DIR" && pwd)
else
  cmake --preset windows-x64 >/dev/null
  cmake --build --preset windows-x64 -j "$(nproc)" --target MURAVINE ifwic muravine_help >/dev/null
  build=$root/build/windows-x64
fi

out=${MRV_DEMO_DIR:-$root/build/demo}
rm -rf "$out"
mkdir -p "$out/app" "$out/pics"
source scripts/wine-env.sh
cleanup() { mrv_wine_down; }
trap cleanup EXIT
mrv_wine_up "$out/prefix" "$(mrv_free_display 140 180)"
shot() { xwd -root -silent -display "$DISPLAY" | /usr/bin/convert xwd:- "$out/$1.png"; echo "   screenshot: $out/$1.png"; }
# Wine repaints a new wallpaper over its taskbar too; mapping its desktop window again repaints all.
repaint() {
  local w
  w=$(xdotool search --name "Wine desktop" | head -1) || return 0
  xdotool windowunmap "$w" windowmap "$w"
  sleep 1
}
# This X server has no window manager to give the Wine desktop the keyboard: hand it over once the
# desktop is up and before a menu opens (Wine activates its desktop when it gets the focus).
focus_desktop() {
  local w
  w=$(xdotool search --name "Wine desktop" | head -1)
  [ -n "$w" ] && [ "$(xdotool getwindowfocus 2>/dev/null)" != "$w" ] && xdotool windowfocus "$w"
  sleep 0.5
}
# The tray sits at the bottom right of the 1024x768 desktop; ours is its only icon.
tray_x=1014 tray_y=758

# The program with its help file and the picture plug-in shipped beside it, registered as the
# plug-in folder the way the user's picture viewer records it.
cp "$build/MURAVINE.exe" "$out/app/"
[ -f "$build/MURAVINE.CHM" ] && cp "$build/MURAVINE.CHM" "$out/app/"
[ -f "$build/ifwic.sph" ] && cp "$build/ifwic.sph" "$out/app/"
exe=$(mrv_winpath "$out/app/MURAVINE.exe")
mrv_wine reg add 'HKCU\Software\Takechin\Susie\Plug-in' /v Path /d "$(mrv_winpath "$out/app")" /f >/dev/null

# Demo pictures: generated here, bottom-up 24-bit bitmaps as the desktop wants them.
/usr/bin/convert -size 640x400 gradient:'#1e3c72'-'#2a5298' -fill '#f5f5dc' -draw 'circle 480,110 480,160' \
  -fill '#0b2545' -draw 'polygon 0,400 0,300 200,220 380,320 560,240 640,290 640,400' BMP3:"$out/pics/night.bmp"
/usr/bin/convert -size 96x96 pattern:checkerboard -fill '#e07a5f' -colorize 40% BMP3:"$out/pics/tile.bmp"
/usr/bin/convert -size 800x500 gradient:'#ffecd2'-'#fcb69f' -fill '#ff7f50' -draw 'circle 400,500 400,380' \
  BMP3:"$out/pics/sunset.bmp"
# JPEG and PNG pictures: converted through the plug-in on their way to the desktop.
/usr/bin/convert -size 1024x768 plasma:'#2b5876'-'#4e4376' -seed 7 -blur 0x3 -quality 90 "$out/pics/aurora.jpg"
/usr/bin/convert -size 480x320 radial-gradient:'#fceabb'-'#f8b500' -fill '#5d4037' \
  -draw 'polygon 0,320 120,200 240,260 360,150 480,230 480,320' "$out/pics/dunes.png"
demo=("/ac:night.bmp" "/at:tile.bmp" "/as:sunset.bmp" "/ac:aurora.jpg" "/ac:dunes.png")

echo "== adding the demo pictures to the list (the add command, as Explorer's right-click verbs do)"
for entry in "${demo[@]}"; do
  mrv_wine "$exe" "${entry%%:*}" "$(mrv_winpath "$out/pics/${entry#*:}")"
done

echo "== the list file ($out/app/root.LST)"
cat "$out/app/root.LST"

echo "== a launch from the Startup folder: change at start-up, then end at once"
mrv_wine reg add 'HKCU\Software\ORMI\MURAVINE' /v ChangeTiming /t REG_DWORD /d 1 /f >/dev/null
mrv_wine reg add 'HKCU\Software\ORMI\MURAVINE' /v ExitAtOnce /t REG_DWORD /d 1 /f >/dev/null
mrv_wine reg add 'HKCU\Software\ORMI\MURAVINE' /v WallIndex /t REG_DWORD /d 0xffffffff /f >/dev/null
mrv_wine "$exe" /startup
cat "$out/app/root.LST"
mrv_wine reg query 'HKCU\Control Panel\Desktop' /v Wallpaper | tr -d '\r' | grep Wallpaper

echo "== the resident program: tray icon, tray menu, next wallpaper"
# Double-clicking the icon gives the next wallpaper too.
mrv_wine reg add 'HKCU\Software\ORMI\MURAVINE' /v ChangeTiming /t REG_DWORD /d 0 /f >/dev/null
mrv_wine reg add 'HKCU\Software\ORMI\MURAVINE' /v DblClickOperate /t REG_DWORD /d 1 /f >/dev/null
mrv_wine "$exe" &
resident=$!
sleep 4
focus_desktop
shot desktop-startup
xdotool mousemove "$tray_x" "$tray_y" click 3
sleep 1.5
shot tray-menu
xdotool key n  # 次の壁紙(&N)
sleep 2
repaint
shot desktop
mrv_wine reg query 'HKCU\Control Panel\Desktop' /v Wallpaper | tr -d '\r' | grep Wallpaper

echo "== a second launch shows the resident program's main window"
mrv_wine "$exe"
sleep 1.5
shot main-window
xdotool mousemove 579 443 click 1  # キャンセル hides it again

echo "== ended from the tray menu: the list and the settings are saved"
xdotool mousemove "$tray_x" "$tray_y" click 3
sleep 1
xdotool key x  # むらびねの終了(&X)
wait "$resident" || true
cat "$out/app/root.LST"
mrv_wine reg query 'HKCU\Software\ORMI\MURAVINE' | tr -d '\r'

echo "== the set-as-wallpaper command on a JPEG (as Explorer's verb does): converted, then centred"
# A program that waits keeps the virtual desktop up for the picture.
mrv_wine cmd /c "ping -n 6 127.0.0.1 >nul" &
holder=$!
sleep 2
mrv_wine "$exe" /wc "$(mrv_winpath "$out/pics/aurora.jpg")"
mrv_wine reg query 'HKCU\Control Panel\Desktop' /v Wallpaper | tr -d '\r' | grep Wallpaper
sleep 1
repaint
shot desktop-jpeg
wait "$holder" || true
echo "== screenshots in $out"
