#!/usr/bin/env bash
# Builds everything (native, 64-bit and 32-bit Windows) and runs every test: the portable logic
# natively under the sanitizers, then the Windows programs under Wine in a throw-away prefix.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/setup.sh

jobs=$(nproc)
for preset in native windows-x64 windows-x86; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

source scripts/wine-env.sh
display=$(mrv_free_display 90 130)
prefix=$(mktemp -d /tmp/mrv-test-prefix.XXXXXX)
cleanup() { mrv_wine_down; rm -rf "$prefix"; }
trap cleanup EXIT
mrv_wine_up "$prefix" "$display"

ctest --preset native
ctest --preset windows-x64 ${MRV_CTEST_ARGS:-}
