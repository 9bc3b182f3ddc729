#!/usr/bin/env bash
# Decoding a 3840 x 2160 JPEG into a bitmap file: the WIC plug-in (under Wine, inside the program
# that loaded it) against ImageMagick's `convert` of the same file to BMP, in the same run.
# Prints both times and the ratio plug-in / convert (target: 1.0 or less).
#   bench/wic_decode_bench.sh [BUILD_DIR]     (default build/windows-x64, already built)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build/windows-x64}" && pwd)
runs=${RUNS:-7}
im=/usr/bin/convert  # ImageMagick itself
for f in "$build/ifwic.sph" "$build/bench/wic_decode_bench.exe"; do
  [ -f "$f" ] || { echo "missing $f: build $build first" >&2; exit 2; }
done

work=$(mktemp -d /tmp/wic-bench.XXXXXX)
source "$root/scripts/wine-env.sh"
mrv_wine_unless_given "$work"
cleanup() { [ -n "$MRV_OWN_WINE" ] && mrv_wine_down; rm -rf "$work"; }
trap cleanup EXIT

# A photo-like picture: smooth gradients with fine detail, as a camera gives.
$im -seed 5 -size 960x540 plasma:fractal -resize 3840x2160\! -attenuate 0.4 +noise Gaussian -quality 90 "$work/photo.jpg"

ms() { date +%s%N; }
best_convert=""
for _ in $(seq "$runs"); do
  t0=$(ms)
  $im "$work/photo.jpg" BMP3:"$work/convert.bmp"
  t=$(( ($(ms) - t0) / 1000 ))
  if [ -z "$best_convert" ] || [ "$t" -lt "$best_convert" ]; then best_convert=$t; fi
done

out=$(mrv_wine "$build/bench/wic_decode_bench.exe" "$(mrv_winpath "$build/ifwic.sph")" "$(mrv_winpath "$work/photo.jpg")" \
      "$(mrv_winpath "$work/plugin.bmp")" "$runs" | tr -d '\r')
best_plugin=$(sed -n 's/.*best_ms=\([0-9.]*\).*/\1/p' <<<"$out")
[ -n "$best_plugin" ] || { echo "the plug-in run failed: $out" >&2; exit 1; }

# Both must have produced the same picture (a JPEG tolerance: two decoders round differently).
diff=$(/usr/bin/compare -metric PAE "$work/plugin.bmp" "$work/convert.bmp" null: 2>&1 | sed 's/ .*//' || true)

awk -v p="$best_plugin" -v c="$best_convert" -v d="$diff" -v o="$out" 'BEGIN {
  c = c / 1000
  printf "3840x2160 JPEG to a bitmap file, best of the runs\n"
  printf "  WIC plug-in (in-process): %8.1f ms   (%s)\n", p, o
  printf "  ImageMagick convert:      %8.1f ms   (whole process)\n", c
  printf "  ratio plug-in / convert:  %8.2f   (%s)\n", p / c, p <= c ? "no slower: target met" : "SLOWER than convert"
  printf "  largest channel difference between the two bitmaps: %s of 65535\n", d
}'
