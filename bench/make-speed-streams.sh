#!/usr/bin/env bash
# Makes the 300-second streams that SpeedBench decodes, in the folder given (the build folder's
# bench/, never the source tree). Needs ffmpeg, sox, lame and twolame
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

# Plucked strings, a note every 60 to 110 ms, each struck with a click of noise: about a third
# of the granules short blocks and most of the rest start and stop windows.
percussive="$out/speed-percussive-${seconds}s.wav"
if [[ ! -s "$percussive" ]]; then
  notes=(A2 E3 C4 G3 D4 A3 F4 C3 B3 E4 G2 D3 A4 F3 C5 E2)
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  parts=()
  for i in "${!notes[@]}"; do
    length=$(printf '0.%03d' $((60 + (i * 37) % 50)))
    sox -n -r 44100 -c 2 -b 16 "$scratch/pluck$i.wav" \
      synth "$length" pluck "${notes[$i]}" pluck "${notes[$(((i * 7 + 3) % ${#notes[@]}))]}" gain -4
    sox -n -r 44100 -c 2 -b 16 "$scratch/click$i.wav" \
      synth 0.012 whitenoise fade l 0 0.012 0.011 gain -$((3 + i % 5)) \
      pad 0 "$(printf '0.%03d' $((60 + (i * 37) % 50 - 12)))"
    sox -m "$scratch/pluck$i.wav" "$scratch/click$i.wav" "$scratch/note$i.wav"
    parts+=("$scratch/note$i.wav")
  done
  sox "${parts[@]}" "$scratch/bar.wav"
  # The bar lasts 1.35 s.
  sox "$scratch/bar.wav" "$percussive" repeat $((seconds * 100 / 135)) trim 0 "$seconds"
fi
# A steady 1 kHz tone on both channels: a few lines carry all of each granule.
tone="$out/speed-tone-${seconds}s.wav"
[[ -s "$tone" ]] || sox -n -r 44100 -c 2 -b 16 "$tone" synth "$seconds" sine 1000 gain -6
# White noise: every line of the spectrum busy, the large values with their linbits.
noise_wav="$out/speed-noise-${seconds}s.wav"
[[ -s "$noise_wav" ]] || sox -n -r 44100 -c 2 -b 16 "$noise_wav" synth "$seconds" whitenoise gain -6
for kind in percussive tone noise; do
  source_wav="$out/speed-$kind-${seconds}s.wav"
  make "layer3-128k-$kind-${seconds}s.mp3" lame --quiet -b 128 -m j "$source_wav" \
    "$out/layer3-128k-$kind-${seconds}s.mp3"
  make "layer3-320k-$kind-${seconds}s.mp3" lame --quiet -b 320 -m s "$source_wav" \
    "$out/layer3-320k-$kind-${seconds}s.mp3"
done
make "layer2-192k-stereo-${seconds}s.mp2" twolame --quiet -b 192 -m s "$wav" "$out/layer2-192k-stereo-${seconds}s.mp2"
