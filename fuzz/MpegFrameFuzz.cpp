// Arbitrary bytes through the MPEG frame reader and all three layer decoders, read from
// memory through the input callbacks. The first byte picks the run's settings (half rate,
// block size, equaliser, a seek), the rest is the stream.
//
// Build and run (clang, separate build directory; one core is enough):
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DBRASSEL_FUZZ=ON \
//     -DCMAKE_BUILD_TYPE=RelWithDebInfo
//   cmake --build build-fuzz --target MpegFrameFuzz
//   fuzz/make-mpeg-corpus.sh build-fuzz/mpeg-corpus
//   build-fuzz/fuzz/MpegFrameFuzz build-fuzz/mpeg-corpus -max_len=2049 -max_total_time=600 \
//     -timeout=10 -rss_limit_mb=2048
//
// What an execution costs is the synthesis of every frame decoded, so the seeds are short
// (a settings byte and 2 KB, a few frames: enough for the Layer III reservoir and a resync)
// and -max_len keeps the mutations that size. The synthesis and hybrid kernels are left out
// of the coverage instrumentation (fuzz/coverage-ignore.txt); the sanitizers still check them.
// One decoder serves every input, as the module's one decoder serves file after file: stream
// set-up clears what a stream leaves behind, so an input that fails only after others shows
// state carried over from one stream to the next.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/modules/common/ModuleFailure.h"
#include "engine/modules/mpeg/DecoderSession.h"
#include "engine/modules/mpeg/MpegDecoder.h"
#include "engine/modules/mpeg/MpegStream.h"
#include "engine/modules/mpeg/PcmBlock.h"
#include "tests/support/MemoryStream.h"

using namespace mpeg;

// A smaller quarantine than the default 256 MB still holds many executions' frees, and keeps
// the resident size down.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=32"; }

namespace {

// Touches every byte handed out, so that uninitialised or stray output shows up. Outside the
// coverage instrumentation: its loop tells the fuzzer nothing and ran per byte.
__attribute__((no_sanitize("coverage"))) void Sink(void* context, uint8_t* block, int32_t bytes) {
  auto* sum = static_cast<uint32_t*>(context);
  for (int32_t i = 0; i < bytes; ++i) *sum += block[i];
}

void DecodeToEnd(DecoderSession& session, int maxFrames) {
  int frames = 0;
  session.DecodeToEnd({}, [&](const StepResult& step, FrameRange&) {
    if (step.Outcome == StepOutcome::Decoded) ++frames;
    return frames < maxFrames;
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t settings = data[0];
  // A copy of exactly the stream's size, so that a read past its end shows up.
  MemoryStream memory;
  memory.Bytes.assign(data + 1, data + size);
  const InputSource source = memory.Source();

  static MpegStream* const stream = new MpegStream;
  static MpegDecoder* const decoder = new MpegDecoder;
  static PcmBlock* const pcm = new PcmBlock;
  static DecoderSession* const session = new DecoderSession(*stream, *decoder, *pcm);
  uint32_t sum = 0;
  try {
    DecoderSettings setup;
    setup.DownsampleLevel = settings & 1;
    setup.BufferSize = (settings & 2) ? 16384 : 200 + 64 * ((settings >> 4) & 3);
    if (session->Open(source, setup, &Sink, &sum) == FrameRead) {
      decoder->Equalizer().On = (settings & 4) ? 1 : 0;
      try {
        DecodeToEnd(*session, 1 << 20);
      } catch (const ModuleFailure&) {
      }
      pcm->Flush();
      if (settings & 8) {
        session->Rewind();
        session->SeekToFrame(1 + (settings >> 6));
        try {
          DecodeToEnd(*session, 8);
        } catch (const ModuleFailure&) {
        }
        pcm->Flush();
      }
    }
  } catch (const ModuleFailure&) {
  }
  decoder->DecoderReset();
  stream->Close();
  return 0;
}
