// Layer III decoding throughput, in seconds of sound per second of decoding on one thread.
//
// Usage: build-dir/bench/Layer3Bench [seconds of sound, default 180]
//
// Makes two inputs in the build directory when `lame` is on the path: a generated stereo
// signal of that length encoded at 128 kbit/s joint stereo and at 320 kbit/s stereo, 44.1 kHz.
// Without lame it repeats the fixture tests/fixtures/layer3/m1_44k_stereo.mp3 (128 kbit/s)
// to that length for both. Each input is decoded whole through teskdec.dll with the callback
// output when the module is built, otherwise through the decoder core (MpegDecoder). Prints
// the rate of each run and the peak memory of the process (getrusage).
#include <dlfcn.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/PluginInterface.h"
#include "engine/modules/common/ModuleFailure.h"
#include "engine/modules/mpeg/DecoderSession.h"
#include "engine/modules/mpeg/MpegDecoder.h"
#include "tests/support/Files.h"
#include "tests/support/LoadedModule.h"

using namespace mpeg;

namespace {

void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}

// Music-like test signal: a few drifting partials, short noise bursts and some stereo width.
void WriteSignal(const std::string& path, int seconds) {
  const uint32_t rate = 44100;
  const uint32_t frames = rate * static_cast<uint32_t>(seconds);
  std::vector<uint8_t> wav;
  wav.insert(wav.end(), {'R', 'I', 'F', 'F'});
  Put32(wav, 36 + frames * 4);
  wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(wav, 16);
  Put16(wav, 1);
  Put16(wav, 2);
  Put32(wav, rate);
  Put32(wav, rate * 4);
  Put16(wav, 4);
  Put16(wav, 16);
  wav.insert(wav.end(), {'d', 'a', 't', 'a'});
  Put32(wav, frames * 4);
  std::mt19937 noise(7);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  for (uint32_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double beat = std::fmod(t, 0.5);
    const double burst = beat < 0.05 ? std::exp(-beat * 80.0) * uniform(noise) : 0.0;
    double l = 0.25 * std::sin(2 * M_PI * (220 + 20 * std::sin(t)) * t) +
               0.1 * std::sin(2 * M_PI * 1760 * t) + 0.05 * std::sin(2 * M_PI * 5300 * t) +
               0.3 * burst;
    double r = 0.25 * std::sin(2 * M_PI * 330 * t + 0.5) + 0.1 * std::sin(2 * M_PI * 2640 * t) +
               0.05 * uniform(noise) * 0.2 + 0.3 * burst;
    Put16(wav, static_cast<uint16_t>(static_cast<int16_t>(l * 32767)));
    Put16(wav, static_cast<uint16_t>(static_cast<int16_t>(r * 32767)));
  }
  WriteBytes(path, wav);
}

std::string MakeInput(const std::string& name, const char* options, int seconds) {
  const std::string dir = BRASSEL_BINARY_DIR "/bench";
  const std::string mp3 = dir + "/" + name + "-" + std::to_string(seconds) + "s.mp3";
  if (std::filesystem::exists(mp3)) return mp3;
  if (std::system("command -v lame > /dev/null 2>&1") == 0) {
    const std::string wav = dir + "/layer3-signal-" + std::to_string(seconds) + "s.wav";
    if (!std::filesystem::exists(wav)) WriteSignal(wav, seconds);
    const std::string command =
        "lame --quiet " + std::string(options) + " '" + wav + "' '" + mp3 + "'";
    if (std::system(command.c_str()) == 0) return mp3;
  }
  // Repeat the fixture's frames (after its tag frame) to the length asked for.
  std::vector<uint8_t> fixture = ReadBytes(FixturePath("layer3/m1_44k_stereo.mp3"));
  std::vector<uint8_t> out;
  const size_t want = static_cast<size_t>(seconds) * 16000;
  while (!fixture.empty() && out.size() < want)
    out.insert(out.end(), fixture.begin(), fixture.end());
  WriteBytes(mp3, out);
  return mp3;
}

struct Totals {
  std::atomic<uint64_t> bytes{0};
};

QVBool WINAPI CountData(void*, int32_t, int32_t, int32_t, int32_t size, QVUserValue user) {
  reinterpret_cast<Totals*>(user)->bytes += static_cast<uint64_t>(size);
  return TRUE;
}

QVBool WINAPI CountAction(QVByteBool, QVUserValue) { return TRUE; }

// Seconds of decoding and bytes of PCM, through the module's callback output.
bool DecodeThroughModule(const std::string& path, double& seconds, uint64_t& bytes) {
#ifdef TESKDEC_PATH
  const LoadedModule module(TESKDEC_PATH);
  if (!module.Loaded()) return false;
  const QVExports& qv = *module;
  Totals totals;
  QVHandle h = qv.QVInitModule();
  qv.QVSetInputMode(h, imFile);
  qv.QVSetInputName(h, path.c_str());
  qv.QVSetOutputMode(h, omCallback);
  qv.QVSetOutCB(h, CountData, CountAction, reinterpret_cast<QVUserValue>(&totals));
  bool ok = qv.QVOpen(h) && qv.QVInitStream(h);
  const auto start = std::chrono::steady_clock::now();
  ok = ok && qv.QVPlay(h);
  while (ok) {
    int32_t mode = qv.QVGetPlayerMode(h);
    if (mode != pmPlaying && mode != pmPaused) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  bytes = totals.bytes;
  qv.QVClose(h);
  qv.QVDeInitModule(h);
  return ok;
#else
  (void)path;
  (void)seconds;
  (void)bytes;
  return false;
#endif
}

void CountBlock(void* context, uint8_t*, int32_t size) {
  *static_cast<uint64_t*>(context) += static_cast<uint64_t>(size);
}

void DecodeThroughCore(const std::string& path, double& seconds, uint64_t& bytes) {
  MpegStream stream;
  MpegDecoder decoder;
  PcmBlock pcm;
  DecoderSession session(stream, decoder, pcm);
  InputSource source;
  source.Mode = imFile;
  source.Name = path;
  bytes = 0;
  const auto start = std::chrono::steady_clock::now();
  if (session.Open(source, {}, &CountBlock, &bytes) == FrameRead) {
    try {
      session.DecodeToEnd();
    } catch (const ModuleFailure&) {
    }
    pcm.Flush();
  }
  seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int length = argc > 1 ? std::max(1, std::atoi(argv[1])) : 180;
  struct Input {
    const char* name;
    const char* options;
  };
  const Input inputs[] = {{"layer3-128k-joint", "-b 128 -m j"},
                          {"layer3-320k-stereo", "-b 320 -m s"}};
  for (const Input& input : inputs) {
    const std::string path = MakeInput(input.name, input.options, length);
    double seconds = 0.0;
    uint64_t bytes = 0;
    const char* via = "teskdec.dll callback output";
    if (!DecodeThroughModule(path, seconds, bytes)) {
      via = "MpegDecoder";
      DecodeThroughCore(path, seconds, bytes);
    }
    const double sound = static_cast<double>(bytes) / 4.0 / 44100.0;
    std::printf("%-20s %7.1f s of sound in %7.3f s: %7.1f x real time (%s)\n", input.name, sound,
                seconds, seconds > 0 ? sound / seconds : 0.0, via);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak memory: %ld KiB\n", usage.ru_maxrss);
  return 0;
}
