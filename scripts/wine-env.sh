# Sourced by the test and demo scripts: a throw-away Wine prefix behaving like a Japanese desktop,
# inside its own Xvfb display. Call mrv_wine_up, and mrv_wine_down when done.
MRV_ROOT=${MRV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINELOADER=/usr/lib/wine/wine64
export WINEDEBUG=${WINEDEBUG:--all}
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree=;winemenubuilder.exe=d"}

mrv_wine() { "$WINELOADER" "$@"; }
# A Unix path as the programs inside the prefix name it (drive Z: is the root).
mrv_winpath() { printf 'Z:%s' "${1//\//\\}"; }

mrv_wine_up() {
  local prefix=$1 display=${2:-:91}
  export WINEPREFIX=$prefix DISPLAY=$display
  if ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
    Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    MRV_XVFB_PID=$!
    for _ in $(seq 50); do xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && break; sleep 0.1; done
  fi
  if [ ! -f "$WINEPREFIX/.mrv-ready" ]; then
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    mrv_wine wineboot -i >/dev/null 2>&1
    mrv_wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >/dev/null 2>&1
    mrv_wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 1024x768 /f >/dev/null 2>&1
    mrv_wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    touch "$WINEPREFIX/.mrv-ready"
  fi
}

# The first X display number in FROM..TO that no server holds, as ":N".
mrv_free_display() {
  local d
  for d in $(seq "$1" "$2"); do
    if [ ! -e "/tmp/.X$d-lock" ] && [ ! -e "/tmp/.X11-unix/X$d" ]; then echo ":$d"; return 0; fi
  done
  echo "no free X display between :$1 and :$2" >&2
  return 1
}

# For tools that may run inside a prefix the caller already set up: a prefix under DIR in a free
# display of its own otherwise. MRV_OWN_WINE tells whether mrv_wine_down is this script's to call.
mrv_wine_unless_given() {
  MRV_OWN_WINE=""
  if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
    MRV_OWN_WINE=1
    mrv_wine_up "$1/prefix" "$(mrv_free_display 140 180)"
  fi
}

mrv_wine_down() {
  wineserver -k 2>/dev/null || true
  if [ -n "${MRV_XVFB_PID:-}" ]; then kill "$MRV_XVFB_PID" 2>/dev/null || true; wait "$MRV_XVFB_PID" 2>/dev/null || true; fi
}
