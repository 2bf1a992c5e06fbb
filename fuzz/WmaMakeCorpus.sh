#!/bin/sh
# Seeds for WmaReaderFuzz from the WMA fixtures: one settings byte, then the file (whole, and
# cut short in the middle).
# Usage: fuzz/WmaMakeCorpus.sh <corpus-dir>
set -eu
out=${1:?corpus directory}
fixtures=$(dirname "$0")/../tests/fixtures/wma
mkdir -p "$out"
for wma in "$fixtures"/*.wma; do
  name=$(basename "$wma" .wma)
  size=$(stat -c %s "$wma")
  for settings in 0 21 130 255; do
    { printf "\\$(printf '%03o' "$settings")"; cat "$wma"; } >"$out/$name-$settings"
  done
  { printf '\000'; head -c $((size / 2)) "$wma"; } >"$out/$name-half"
done
echo "$(ls "$out" | wc -l) seeds in $out"
