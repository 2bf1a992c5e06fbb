// Shared helpers of the decoder core tests: memory inputs through the input callbacks and a
// whole-stream decode that collects every block the core hands out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/modules/common/ModuleFailure.h"
#include "engine/modules/mpeg/DecoderSession.h"
#include "engine/modules/mpeg/MpegDecoder.h"
#include "engine/modules/mpeg/MpegStream.h"
#include "tests/support/Files.h"
#include "tests/support/MemoryStream.h"

namespace mpegtest {
using namespace mpeg;

using ::MemoryStream;

// The kernel table a decoder set up for this processor runs, for the stages tested alone.
inline const DecoderKernels& ChosenKernels() {
  static const DecoderKernels kernels = ChooseKernels(false);
  return kernels;
}

inline InputSource FileSource(const std::string& path) {
  InputSource source;
  source.Mode = imFile;
  source.Name = path;
  return source;
}

// Collects every block handed out, interleaved 16-bit stereo.
struct PcmCollector {
  std::vector<int16_t> Samples;
  std::vector<int32_t> BlockSizes;

  static void Sink(void* context, uint8_t* block, int32_t bytes) {
    auto& c = *static_cast<PcmCollector*>(context);
    c.BlockSizes.push_back(bytes);
    for (int32_t i = 0; i + 1 < bytes; i += 2)
      c.Samples.push_back(static_cast<int16_t>(block[i] | (block[i + 1] << 8)));
  }
};

struct RunResult {
  FrameStatus First = NoFrame;
  int Frames = 0;    // frames decoded
  int Failure = -1;  // the code of the failure that ended the run
  std::vector<int16_t> Samples;
  std::vector<int32_t> BlockSizes;
};

// A whole run as the module makes it: the first frame read, the input back at its start,
// set-up, every frame of the range stepped through to the end of the input, the rest of the
// block flushed. `stream` is left as the run left it (at the end of the input).
inline RunResult DecodeAll(MpegStream& stream, MpegDecoder& decoder, const InputSource& source,
                           DecoderSettings settings = {}, FrameRange range = {}) {
  RunResult result;
  PcmBlock pcm;
  DecoderSession session(stream, decoder, pcm);
  PcmCollector collector;
  result.First = session.Open(source, settings, &PcmCollector::Sink, &collector);
  if (result.First != FrameRead) return result;
  // A failure ends the run, as on the decode thread.
  try {
    session.DecodeToEnd(range, [&](const StepResult& step, FrameRange&) {
      if (step.Outcome == StepOutcome::Decoded) ++result.Frames;
      return true;
    });
  } catch (const ModuleFailure& failure) {
    result.Failure = failure.Code;
  }
  pcm.Flush();
  result.Samples = std::move(collector.Samples);
  result.BlockSizes = std::move(collector.BlockSizes);
  return result;
}

inline RunResult DecodeAll(MpegDecoder& decoder, const InputSource& source,
                           DecoderSettings settings = {}) {
  MpegStream stream;
  return DecodeAll(stream, decoder, source, settings);
}

}  // namespace mpegtest

namespace mpegtest {
using namespace mpeg;

// A header word: version bits 3 MPEG-1, 2 MPEG-2, 0 MPEG 2.5; protection 1 means no check word.
inline std::vector<uint8_t> HeaderBytes(int version, int layer, int bitRateIndex, int rateBits,
                                        int padding = 0, int mode = 0, int extension = 0,
                                        int protection = 1) {
  const uint32_t word = 0xFFE00000u | uint32_t(version) << 19 | uint32_t(4 - layer) << 17 |
                        uint32_t(protection) << 16 | uint32_t(bitRateIndex) << 12 |
                        uint32_t(rateBits) << 10 | uint32_t(padding) << 9 | uint32_t(mode) << 6 |
                        uint32_t(extension) << 4;
  return {uint8_t(word >> 24), uint8_t(word >> 16), uint8_t(word >> 8), uint8_t(word)};
}

// Writes fields most significant bit first.
struct BitWriter {
  std::vector<uint8_t> Bytes;
  int Used = 8;
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (Used == 8) {
        Bytes.push_back(0);
        Used = 0;
      }
      if ((value >> i) & 1u) Bytes.back() |= uint8_t(0x80u >> Used);
      ++Used;
    }
  }
};

inline void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes) {
  to.insert(to.end(), bytes.begin(), bytes.end());
}

}  // namespace mpegtest
