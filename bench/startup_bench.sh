#!/usr/bin/env bash
# Start-up time to the tray icon and private memory after 3,600 timer ticks of the resident
# program, each as a ratio against a minimal Win32 program with one window, in one run.
#   bench/startup_bench.sh [BUILD_DIR]     (default build/windows-x64, already built)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build/windows-x64}" && pwd)
for f in "$build/MURAVINE.exe" "$build/bench/startup_bench.exe" "$build/bench/minwin.exe"; do
  [ -f "$f" ] || { echo "missing $f: build $build first" >&2; exit 2; }
done

work=$(mktemp -d /tmp/startup-bench.XXXXXX)
source "$root/scripts/wine-env.sh"
own_display=""
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  own_display=1
  display=""
  for d in $(seq 140 180); do
    if [ ! -e "/tmp/.X$d-lock" ] && [ ! -e "/tmp/.X11-unix/X$d" ]; then display=":$d"; break; fi
  done
  mrv_wine_up "$work/prefix" "$display"
fi
cleanup() { [ -n "$own_display" ] && mrv_wine_down; rm -rf "$work"; }
trap cleanup EXIT

winpath() { echo "Z:${1//\//\\}"; }
mrv_wine "$build/bench/startup_bench.exe" "$(winpath "$build/MURAVINE.exe")" "$(winpath "$build/bench/minwin.exe")"
