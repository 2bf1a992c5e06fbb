// Arbitrary bytes through the MPEG frame reader and all three layer decoders, read from
// memory through the input callbacks. The first byte picks the run's settings (half rate,
// block size, equaliser, a seek), the rest is the stream.
//
// Build and run (clang, separate build directory):
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DBRASSEL_FUZZ=ON
//   cmake --build build-fuzz --target MpegFrameFuzz
//   fuzz/make-mpeg-corpus.sh build-fuzz/mpeg-corpus
//   build-fuzz/fuzz/MpegFrameFuzz build-fuzz/mpeg-corpus -max_total_time=600 -timeout=10 \
//     -rss_limit_mb=2048
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "engine/modules/common/ModuleFailure.h"
#include "engine/modules/mpeg/MpegDecoder.h"
#include "tests/support/MemoryStream.h"

namespace {

// Touches every byte handed out, so that uninitialised or stray output shows up.
void Sink(void* context, uint8_t* block, int32_t bytes) {
  auto* sum = static_cast<uint32_t*>(context);
  for (int32_t i = 0; i < bytes; ++i) *sum += block[i];
}

void DecodeToEnd(MpegDecoder& decoder, int maxFrames) {
  for (int frames = 0; frames < maxFrames;) {
    const FrameStatus status = decoder.ReadFrame();
    if (status == EndOfInput) return;
    if (status != FrameRead) continue;
    decoder.DecodeFrame();
    ++frames;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t settings = data[0];
  // A copy of exactly the stream's size, so that a read past its end shows up.
  MemoryStream memory;
  memory.Bytes.assign(data + 1, data + size);
  const InputSource source = memory.Source();

  // A fresh decoder per input, so that every crash input reproduces on its own.
  auto decoder = std::make_unique<MpegDecoder>();
  uint32_t sum = 0;
  try {
    QVByteBool canSetPosition = 1;
    decoder->OpenInput(source, &canSetPosition);
    if (decoder->ReadFrame() == FrameRead) {
      decoder->Rewind();
      DecoderSettings setup;
      setup.DownsampleLevel = settings & 1;
      setup.BufferSize = (settings & 2) ? 16384 : 200 + 64 * ((settings >> 4) & 3);
      decoder->DecoderSetup(setup);
      decoder->SetBlockSink(&Sink, &sum);
      decoder->Equalizer.On = (settings & 4) ? 1 : 0;
      try {
        DecodeToEnd(*decoder, 1 << 20);
      } catch (const ModuleFailure&) {
      }
      decoder->FlushPcm();
      if (settings & 8) {
        decoder->Rewind();
        decoder->SeekToFrame(1 + (settings >> 6));
        try {
          DecodeToEnd(*decoder, 8);
        } catch (const ModuleFailure&) {
        }
        decoder->FlushPcm();
      }
    }
  } catch (const ModuleFailure&) {
  }
  decoder->DecoderReset();
  decoder->CloseInput();
  return 0;
}
