#!/usr/bin/env bash
# Makes the three 300-second streams that SpeedBench decodes, in the folder given (the build
# folder's bench/, never the source tree). Needs ffmpeg, lame and twolame
# (scripts/setup-deps.sh --fixtures). Streams already there are kept.
#
# The signal is synthetic but behaves like music for the encoders: drifting partials and a
# noise floor shared by both channels, a small side signal, tones panned hard left and right
# that come and go (so joint stereo switches between middle/side and left/right), and a
# percussive noise burst twice a second (so the encoders switch to short blocks and back
# through the start and stop windows).
set -euo pipefail

out=${1:?usage: $0 output-folder}
seconds=${2:-300}
mkdir -p "$out"
wav="$out/speed-signal-${seconds}s.wav"

# A hash of the time stands for noise where both channels must hear the same noise.
noise="(2*mod(abs(sin(t*99991.7)*43758.5453),1)-1)"
mid="0.2*sin(2*PI*(220+15*sin(0.7*t))*t)+0.08*sin(2*PI*1760*t+sin(3*t))"
mid+="+0.04*sin(2*PI*(5300+300*sin(0.2*t))*t)+0.015*sin(2*PI*11000*t)*sin(0.3*t)"
mid+="+0.3*exp(-40*mod(t,0.5))*$noise+0.006*$noise"
side="0.02*(sin(2*PI*330*t)+0.5*sin(2*PI*(2640+200*sin(0.3*t))*t)+0.3*(2*random(0)-1))"
# Tones panned hard to one side swell and fade over a minute, so joint stereo has stretches
# of left/right coding between the middle/side ones.
panned="0.3*pow(sin(0.05*t),8)"
left="$mid+$side+$panned*(sin(2*PI*440*t)+0.5*sin(2*PI*3520*t))"
right="$mid-($side)+$panned*(sin(2*PI*587*t)+0.5*sin(2*PI*4700*t))"

if [[ ! -s "$wav" ]]; then
  ffmpeg -loglevel error -y -f lavfi \
    -i "aevalsrc=exprs='$left|$right':sample_rate=44100:duration=$seconds" \
    -c:a pcm_s16le "$wav"
fi

make() {
  local file=$1
  shift
  if [[ ! -s "$out/$file" ]]; then "$@"; fi
}
make "layer3-128k-joint-${seconds}s.mp3" lame --quiet -b 128 -m j "$wav" "$out/layer3-128k-joint-${seconds}s.mp3"
make "layer3-320k-stereo-${seconds}s.mp3" lame --quiet -b 320 -m s "$wav" "$out/layer3-320k-stereo-${seconds}s.mp3"
make "layer2-192k-stereo-${seconds}s.mp2" twolame --quiet -b 192 -m s "$wav" "$out/layer2-192k-stereo-${seconds}s.mp2"
