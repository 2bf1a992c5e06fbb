// One whole run of the decoder core over one stream into a sink that only counts the bytes: a
// short, repeatable run to count instructions under callgrind before and after a change.
//
// Usage: build-dir/bench/DecodeOnce stream [sse2] [half]
//   sse2: the SSE2 kernels whatever the processor runs; half: half rate
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/modules/common/ModuleFailure.h"
#include "engine/modules/mpeg/DecoderSession.h"

using namespace mpeg;

namespace {

void CountBytes(void* context, uint8_t*, int32_t bytes) {
  *static_cast<uint64_t*>(context) += static_cast<uint64_t>(bytes);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s stream [sse2] [half]\n", argv[0]);
    return 2;
  }
  DecoderSettings settings;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "sse2") == 0) settings.BaselineKernels = true;
    if (std::strcmp(argv[i], "half") == 0) settings.DownsampleLevel = 1;
  }
  InputSource source;
  source.Mode = imFile;
  source.Name = argv[1];
  MpegStream stream;
  MpegDecoder decoder;
  PcmBlock pcm;
  uint64_t bytes = 0;
  DecoderSession session(stream, decoder, pcm);
  try {
    if (session.Open(source, settings, &CountBytes, &bytes) != FrameRead) {
      std::fprintf(stderr, "%s: no frame\n", argv[1]);
      return 1;
    }
    session.DecodeToEnd();
    pcm.Flush();
  } catch (const ModuleFailure& failure) {
    std::fprintf(stderr, "%s: failure %d\n", argv[1], failure.Code);
    return 1;
  }
  std::printf("%llu bytes\n", static_cast<unsigned long long>(bytes));
  return 0;
}
