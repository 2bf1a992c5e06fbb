#!/bin/sh
# Seeds for WmaReaderFuzz from the WMA fixtures: one settings byte, one byte for the path (0 the
# reader, 1 the module), then the file's header with its first two data packets, and with one
# and a half (cut inside a packet). Short seeds keep an execution short; the fuzzer's -max_len
# keeps the mutations that size.
# Usage: fuzz/WmaMakeCorpus.sh <corpus-dir>
set -eu
out=${1:?corpus directory}
fixtures=$(dirname "$0")/../tests/fixtures/wma
mkdir -p "$out"
# The File Properties object's GUID as it stands in the file; the packet size lies 92 bytes in.
properties='\xa1\xdc\xab\x8c\x47\xa9\xcf\x11\x8e\xe4\x00\xc0\x0c\x20\x53\x65'
for wma in "$fixtures"/*.wma; do
  name=$(basename "$wma" .wma)
  header=$(od -An -t u4 -j 16 -N 4 "$wma" | tr -d ' ')
  at=$(LC_ALL=C grep -obUaP "$properties" "$wma" | head -n 1 | cut -d: -f1)
  packet=$(od -An -t u4 -j $((at + 92)) -N 4 "$wma" | tr -d ' ')
  data=$((header + 50))  # the Data object's own header
  for path in 0 1; do
    for settings in 0 21 130 255; do
      { printf "\\$(printf '%03o' "$settings")\\00$path"; head -c $((data + 2 * packet)) "$wma"; } \
        >"$out/$name-$settings-$path"
    done
    { printf "\\000\\00$path"; head -c $((data + packet + packet / 2)) "$wma"; } >"$out/$name-cut-$path"
  done
done
echo "$(ls "$out" | wc -l) seeds in $out"
