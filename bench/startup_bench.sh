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
mrv_wine_unless_given "$work"
cleanup() { [ -n "$MRV_OWN_WINE" ] && mrv_wine_down; rm -rf "$work"; }
trap cleanup EXIT

mrv_wine "$build/bench/startup_bench.exe" "$(mrv_winpath "$build/MURAVINE.exe")" "$(mrv_winpath "$build/bench/minwin.exe")"
