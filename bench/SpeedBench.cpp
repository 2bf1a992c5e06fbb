// The MPEG module against libavcodec on the same files, in the same run, on one core.
//
// Usage: build-dir/bench/SpeedBench [core [module [rounds]]]
//   core: the core to run on, default the last one this process may use (-1: that default)
//   module: another build of teskdec.dll to measure instead of this build's (to compare two;
//     "-" for this build's)
//   rounds: how many times each stream is decoded by each side, default 5
//
// Decodes the 300-second streams that make-speed-streams.sh makes in the build folder (made on
// the first run; needs ffmpeg, sox, lame and twolame), all 44.1 kHz: the music-like signal as
// Layer III 128 kbit/s joint stereo and 320 kbit/s stereo, the percussive stream (many short
// blocks), the pure tone and the noise each at both of those rates, and the signal as Layer II
// 192 kbit/s stereo. Ours is the whole
// run of teskdec.dll into its callback output, which only counts the bytes: the work of a
// conversion without the file and without the pacing waits of the WAV output. libavcodec's is
// reading the packets with libavformat and decoding them, in its own sample format. Prints
// both times in seconds and the ratio libavcodec's time / ours (above 1: we are faster), in
// processor time of the process (the waiting main thread takes none), which other programs
// sharing the core do not inflate, and the ratio of the wall-clock times beside it.
//
// The two sides take turns, round by round, so that a load that comes and goes falls on both;
// the times are each side's median over the rounds, and the ratio of the medians stands beside
// the lowest and highest ratio of one round.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <sched.h>
#include <sys/resource.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>
#include <algorithm>

#include "bench/CountingOutput.h"
#include "engine/PluginInterface.h"
#include "tests/support/LoadedModule.h"

namespace {

using Clock = std::chrono::steady_clock;

double ProcessorSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Timing {
  double processor = -1.0;
  double wall = -1.0;
};

// A whole run of the module, from QVPlay to the closing of the output; negative when the
// module refuses the file.
Timing DecodeWithModule(const QVExports& qv, const std::string& path, uint64_t& bytes) {
  CountingOutput output;
  const QVHandle h = qv.QVInitModule();
  const bool prepared =
      h != 0 && qv.QVSetInputMode(h, imFile) && qv.QVSetInputName(h, path.c_str()) &&
      qv.QVSetOutputMode(h, omCallback) &&
      qv.QVSetOutCB(h, CountingOutput::Data, CountingOutput::Action, output.User()) &&
      qv.QVOpen(h) && qv.QVInitStream(h);
  Timing timing;
  if (prepared) {
    const auto start = Clock::now();
    const double processor = ProcessorSeconds();
    if (qv.QVPlay(h)) {
      output.WaitClosed();
      timing.processor = ProcessorSeconds() - processor;
      timing.wall = std::chrono::duration<double>(Clock::now() - start).count();
    }
    qv.QVClose(h);
  }
  if (h != 0) qv.QVDeInitModule(h);
  bytes = output.bytes;
  return timing;
}

// Reading and decoding the whole file with libavformat and libavcodec; negative on failure.
Timing DecodeWithLibavcodec(const std::string& path, uint64_t& samples, std::string& decoderName) {
  Timing timing;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return timing;
  AVCodecContext* context = nullptr;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  const AVCodec* codec = nullptr;
  const int stream = avformat_find_stream_info(format, nullptr) >= 0
                         ? av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0)
                         : -1;
  if (stream >= 0 && codec != nullptr) {
    decoderName = codec->name;
    context = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(context, format->streams[stream]->codecpar);
    context->thread_count = 1;
    if (avcodec_open2(context, codec, nullptr) == 0) {
      samples = 0;
      const auto start = Clock::now();
      const double processor = ProcessorSeconds();
      auto drain = [&] {
        while (avcodec_receive_frame(context, frame) == 0) {
          samples += static_cast<uint64_t>(frame->nb_samples);
          av_frame_unref(frame);
        }
      };
      while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == stream && avcodec_send_packet(context, packet) == 0) drain();
        av_packet_unref(packet);
      }
      avcodec_send_packet(context, nullptr);
      drain();
      timing.processor = ProcessorSeconds() - processor;
      timing.wall = std::chrono::duration<double>(Clock::now() - start).count();
    }
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&context);
  avformat_close_input(&format);
  return timing;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// Pins the process, and so the decode thread it starts, to one core.
int PinToOneCore(int wanted) {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return -1;
  int core = -1;
  for (int c = 0; c < CPU_SETSIZE; ++c)
    if (CPU_ISSET(c, &allowed) && (wanted < 0 || c == wanted)) core = c;
  if (core < 0) return -1;
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(core, &one);
  return sched_setaffinity(0, sizeof one, &one) == 0 ? core : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const int core = PinToOneCore(argc > 1 ? std::atoi(argv[1]) : -1);
  if (core < 0) {
    std::fprintf(stderr, "cannot pin to that core\n");
    return 1;
  }
  const std::string folder = BRASSEL_BINARY_DIR "/bench";
  const std::string make =
      "bash '" BRASSEL_SOURCE_ROOT "/bench/make-speed-streams.sh' '" + folder + "' 300";
  if (std::system(make.c_str()) != 0) {
    std::fprintf(
        stderr,
        "could not make the streams (ffmpeg, lame, twolame: scripts/setup-deps.sh --fixtures)\n");
    return 1;
  }
  av_log_set_level(AV_LOG_ERROR);
  const char* modulePath = argc > 2 && std::string(argv[2]) != "-" ? argv[2] : TESKDEC_PATH;
  const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  const LoadedModule module(modulePath);
  if (!module.Loaded()) {
    std::fprintf(stderr, "%s\n", dlerror());
    return 1;
  }

  struct Stream {
    const char* title;
    const char* file;
  };
  const Stream streams[] = {
      {"Layer III 128 kbit/s joint stereo 44.1 kHz", "layer3-128k-joint-300s.mp3"},
      {"Layer III 320 kbit/s stereo 44.1 kHz", "layer3-320k-stereo-300s.mp3"},
      {"Layer III 128 kbit/s percussive", "layer3-128k-percussive-300s.mp3"},
      {"Layer III 320 kbit/s percussive", "layer3-320k-percussive-300s.mp3"},
      {"Layer III 128 kbit/s pure tone", "layer3-128k-tone-300s.mp3"},
      {"Layer III 320 kbit/s pure tone", "layer3-320k-tone-300s.mp3"},
      {"Layer III 128 kbit/s noise", "layer3-128k-noise-300s.mp3"},
      {"Layer III 320 kbit/s noise", "layer3-320k-noise-300s.mp3"},
      {"Layer II 192 kbit/s stereo 44.1 kHz", "layer2-192k-stereo-300s.mp2"},
  };
  std::printf("one core (%d), %s, %d rounds\n", core, modulePath, rounds);
  std::printf("%-44s %9s %12s %7s %11s %13s\n", "stream", "ours s", "libavcodec s", "ratio",
              "wall ratio", "round ratios");
  int status = 0;
  long residentBefore = -1;
  long moduleResident = -1;
  for (const Stream& s : streams) {
    const std::string path = folder + "/" + s.file;
    uint64_t bytes = 0;
    uint64_t samples = 0;
    std::string decoder;
    std::vector<double> ours, theirs, oursWall, theirsWall, ratios;
    bool failed = false;
    for (int round = 0; round < rounds && !failed; ++round) {
      if (residentBefore < 0) {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        residentBefore = usage.ru_maxrss;
      }
      // Alternate which side goes first, so neither always finds the file's pages warm.
      Timing mine, other;
      if (round % 2 == 0) {
        mine = DecodeWithModule(*module, path, bytes);
        if (moduleResident < 0) {
          rusage usage{};
          getrusage(RUSAGE_SELF, &usage);
          moduleResident = usage.ru_maxrss;
        }
        other = DecodeWithLibavcodec(path, samples, decoder);
      } else {
        other = DecodeWithLibavcodec(path, samples, decoder);
        mine = DecodeWithModule(*module, path, bytes);
      }
      failed = mine.processor <= 0.0 || other.processor <= 0.0;
      ours.push_back(mine.processor);
      theirs.push_back(other.processor);
      oursWall.push_back(mine.wall);
      theirsWall.push_back(other.wall);
      ratios.push_back(other.processor / mine.processor);
    }
    if (failed) {
      std::printf("%-44s failed\n", s.title);
      status = 1;
      continue;
    }
    const auto [low, high] = std::minmax_element(ratios.begin(), ratios.end());
    std::printf(
        "%-44s %9.3f %12.3f %7.2f %11.2f   %.2f-%.2f   (%.1f s of sound; libavcodec %s, %.1f s)\n",
        s.title, Median(ours), Median(theirs), Median(theirs) / Median(ours),
        Median(theirsWall) / Median(oursWall), *low, *high,
        static_cast<double>(bytes) / 4.0 / 44100.0, decoder.c_str(),
        static_cast<double>(samples) / 44100.0);
  }
  // The first round decodes with the module before libavcodec has run: the growth is the run's.
  std::printf("resident memory: %ld KiB before the module's first run, peak %ld KiB after it\n",
              residentBefore, moduleResident);
  return status;
}
