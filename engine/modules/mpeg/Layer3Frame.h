// The Layer III frame procedure and the bit reservoir, independent of where the frame came
// from and where the subband samples go: the caller hands over a frame body and receives each
// decoded granule as 18 time slots per channel in state.slots.
#pragma once

#include <cstdint>

#include "engine/modules/mpeg/Layer3State.h"

struct Layer3Frame {
  const uint8_t* body;  // after the 4 header bytes, starting with the check word when present
  int32_t bodyLength;
  bool crc;
  bool lsf;
  int32_t rateIndex;    // 0 to 8
  int32_t channels;     // 1 or 2
  int32_t channelMode;  // 1: joint stereo
  int32_t modeExtension;
};

// Called once per decoded granule; state.slots[0..channels-1] hold its 18 time slots.
using Layer3GranuleSink = void (*)(void* user, Layer3State& state, int channels);

// Builds every Layer III table for the down-sampling level, clears the OverlapStore and empties
// the reservoir. Called at each stream set-up.
void BuildLayer3Tables(Layer3State& state, int downsampleLevel);

// Empties the reservoir: for when the input is opened or positioned.
void ResetLayer3Reservoir(Layer3State& state);

// Decodes one frame. A granule whose Huffman data overrun their length or whose side
// information is impossible (window switching with block_type 0) is silent, and so are the
// granules of a frame whose main data begin before the bytes the stream has supplied since the
// last reset: every granule hands over its 18 time slots.
void DecodeLayer3Frame(Layer3State& state, const Layer3Frame& frame, Layer3GranuleSink sink, void* user);

// Keeps a frame that is not decoded in the reservoir, so that later frames find their main data.
void SkipLayer3Frame(Layer3State& state, const Layer3Frame& frame);

// Silent granules in place of frames that were lost: the overlap fades out as it would after
// silence.
void SilentLayer3Granules(Layer3State& state, int channels, int granules, Layer3GranuleSink sink, void* user);
