// The Layer III frame entry points that the core calls.
#pragma once

class MpegDecoder;

// Decodes the current frame; the cursor stands at the first byte of the side information
// (the check word, when present, has been skipped).
void DecodeLayer3(MpegDecoder& decoder);

// A Layer III frame that is read but not decoded (frames before the start of a run): keeps
// the bit reservoir whole by placing the last 512 main-data bytes in front of its main data.
void KeepLayer3Reservoir(MpegDecoder& decoder);

// Called by DecoderSetup for every stream set-up: builds the Layer III tables for the level
// and clears the overlap of the previous stream.
void BuildLayer3Tables(MpegDecoder& decoder, int downsampleLevel);

// Silent granules for `frames` lost frames of the current stream.
void SilentLayer3Frames(MpegDecoder& decoder, int frames);

// The input was positioned: main data from before that point must not be used.
void ResetLayer3Reservoir(MpegDecoder& decoder);
