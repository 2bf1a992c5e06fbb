#!/bin/sh
# Cuts seeds for MpegFrameFuzz from the conformance streams into a corpus directory.
# Usage: fuzz/make-mpeg-corpus.sh <corpus-dir> [vectors-dir]
set -eu
out=${1:?corpus directory}
vectors=${2:-$(dirname "$0")/../tests/fixtures/conformance}
mkdir -p "$out"
for stream in "$vectors"/*.bit; do
  name=$(basename "$stream" .bit)
  size=$(stat -c %s "$stream")
  # Each seed: one settings byte, then 2 KB of the stream (its start, and a piece from the
  # middle that begins off a frame boundary): a few frames, so that an execution is short.
  for settings in 0 1 6 9; do
    { printf "\\$(printf '%03o' "$settings")"; head -c 2048 "$stream"; } >"$out/$name-start-$settings"
  done
  { printf '\000'; tail -c +$((size / 2 + 7)) "$stream" | head -c 2048; } >"$out/$name-middle"
done
echo "$(ls "$out" | wc -l) seeds in $out"
