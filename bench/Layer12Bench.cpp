// Layer I and II decoding and polyphase synthesis throughput, in seconds of sound per second
// of work on one thread.
//
// Usage: build-dir/bench/Layer12Bench [repeats, default 200]
//
// Decodes each Layer I and II conformance stream, repeated in memory `repeats` times, as one
// run through the decoder core (callback input, one set-up), and times the two-channel
// synthesis alone on random subband samples.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/modules/common/ModuleFailure.h"
#include "engine/modules/mpeg/DecoderSession.h"
#include "engine/modules/mpeg/MpegDecoder.h"
#include "tests/support/Files.h"
#include "tests/support/MemoryStream.h"

using namespace mpeg;

namespace {

void CountBytes(void* context, uint8_t*, int32_t bytes) {
  *static_cast<int64_t*>(context) += bytes;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void DecodeStream(const std::string& name, int repeats) {
  const std::vector<uint8_t> once = ReadBytes(VectorPath(name + ".bit"));
  if (once.empty()) {
    std::printf("%-8s missing\n", name.c_str());
    return;
  }
  MemoryStream memory;
  for (int i = 0; i < repeats; ++i)
    memory.Bytes.insert(memory.Bytes.end(), once.begin(), once.end());
  const InputSource source = memory.Source();

  auto stream = std::make_unique<MpegStream>();
  auto decoder = std::make_unique<MpegDecoder>();
  PcmBlock pcm;
  DecoderSession session(*stream, *decoder, pcm);
  int64_t bytes = 0;
  if (session.Open(source, {}, &CountBytes, &bytes) != FrameRead) return;
  const double rate = stream->Header().SampleRate();
  const auto start = std::chrono::steady_clock::now();
  try {
    session.DecodeToEnd();
  } catch (const ModuleFailure&) {
  }
  pcm.Flush();
  const double elapsed = Seconds(start);
  const double sound = bytes / 4.0 / rate;
  std::printf("%-8s %7.1f s of sound in %6.3f s: %6.0f x real time\n", name.c_str(), sound, elapsed,
              sound / elapsed);
}

void Synthesis(int repeats) {
  EqualizerGains gains;
  const DecoderKernels kernels = ChooseKernels(false);
  auto synthesis = std::make_unique<PolyphaseSynthesis>(gains, kernels);
  synthesis->BuildSynthesisTables(32768);
  synthesis->ClearHistory();
  std::mt19937 random(1);
  std::uniform_real_distribution<double> value(-0.2, 0.2);
  std::vector<double> slots(64 * 32);
  for (double& s : slots) s = value(random);
  std::vector<uint8_t> block(128);
  const int calls = 20000 * repeats;
  std::vector<double> left(32), right(32);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < calls; ++i) {
    const double* source = &slots[(i % 32) * 64];
    std::memcpy(left.data(), source, sizeof(double) * 32);
    std::memcpy(right.data(), source + 32, sizeof(double) * 32);
    uint32_t fill = 0, copy = 0;
    synthesis->SynthesizeChannel(left.data(), 0, block.data(), &copy);
    synthesis->SynthesizeChannel(right.data(), 1, block.data(), &fill);
  }
  const double elapsed = Seconds(start);
  const double sound = calls * 32.0 / 44100;
  std::printf("synthesis %5.1f s of 44.1 kHz stereo in %6.3f s: %6.0f x real time (%u)\n", sound,
              elapsed, sound / elapsed, block[0]);
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::atoi(argv[1]) : 200;
  for (const char* name : {"l1-fl1", "l1-fl2", "l1-fl3", "l2-fl10", "l2-fl11", "l2-fl12"})
    DecodeStream(name, repeats);
  Synthesis(repeats);
  return 0;
}
