// Where a stream ends, converted as a host converts it: bytes behind the last frame that hold no
// frame end the run with no code and every sample; runs of such bytes inside a stream cost only
// the frames they cover; a second stream of another kind ends the run with code 5 behind the
// first one's samples; sizes count the stream alone; a stop during a long search for a frame
// returns at once; an input changed under a run ends it with code 5.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "tests/engine/modules/mpeg/ModuleHost.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Fixture(const std::string& name) { return ReadBytes(FixturePath(name)); }

std::vector<uint8_t> Joined(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> bytes;
  for (const auto& part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
  return bytes;
}

std::vector<uint8_t> RandomBytes(uint32_t seed, size_t count) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(count);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

std::vector<uint8_t> Text(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> Id3v1Tag() {
  std::vector<uint8_t> tag(128, ' ');
  std::memcpy(tag.data(), "TAGA title", 10);
  return tag;
}

// An APE tag with a header: items of `itemBytes` bytes between a header and a footer.
std::vector<uint8_t> ApeTag(size_t itemBytes) {
  const auto size = static_cast<uint32_t>(itemBytes + 32);
  std::vector<uint8_t> frame = Text("APETAGEX");
  for (const uint32_t value : {2000u, size, 1u, 0xA0000000u, 0u, 0u})
    for (int i = 0; i < 4; ++i) frame.push_back(static_cast<uint8_t>(value >> (8 * i)));
  std::vector<uint8_t> footer = frame;
  footer[23] = 0x80;  // a header stands in front; this is the footer
  std::vector<uint8_t> items = Text("Title");
  items.resize(itemBytes, 'x');
  return Joined({frame, items, footer});
}

std::vector<uint8_t> Lyrics3v2Tag() {
  const std::string fields =
      "LYRICSBEGININD00002"
      "10EAL00012An album name";
  char size[7];
  std::snprintf(size, sizeof size, "%06zu", fields.size());
  return Text(fields + size + "LYRICS200");
}

std::vector<uint8_t> Lyrics3v1Tag() { return Text("LYRICSBEGIN[00:01]Some words LYRICSEND"); }

// The frames of a stream of any version and layer, walked header by header.
struct FrameWalk {
  std::vector<size_t> starts;
  int layer = 0;
  int lsf = 0;
  size_t samplesPerFrame() const { return layer == 1 ? 384 : layer == 3 && lsf ? 576 : 1152; }
};

FrameWalk WalkAllFrames(const std::vector<uint8_t>& s) {
  static const int rates[3][3] = {
      {44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
  static const int kbps[2][3][15] = {
      {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
       {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
       {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
      {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
       {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
       {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
  FrameWalk walk;
  size_t at = 0;
  while (at + 4 <= s.size() && s[at] == 0xFF && (s[at + 1] & 0xE0) == 0xE0) {
    const int version = (s[at + 1] >> 3) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG 2.5
    const int lsf = version == 3 ? 0 : 1;
    const int layer = 4 - ((s[at + 1] >> 1) & 3);
    const int rate = rates[version == 3 ? 0 : version == 2 ? 1 : 2][(s[at + 2] >> 2) & 3];
    const int bitRate = kbps[lsf][layer - 1][s[at + 2] >> 4];
    const int padding = (s[at + 2] >> 1) & 1;
    const int length = layer == 1   ? (12000 * bitRate / rate + padding) * 4
                       : layer == 3 ? 144000 * bitRate / (rate << lsf) + padding
                                    : 144000 * bitRate / rate + padding;
    walk.layer = layer;
    walk.lsf = lsf;
    walk.starts.push_back(at);
    at += static_cast<size_t>(length);
  }
  EXPECT_EQ(at, s.size()) << "the walk stops inside the stream";
  return walk;
}

// What a host sees of one conversion.
struct Conversion {
  std::vector<int16_t> samples;
  int32_t code = -1;  // QVLastError after the run
  int32_t size = -1;  // QVGetSize once prepared
  int32_t mode = -1;  // the mode the run ended in
};

class StreamEnds : public PlayerTest<ModuleLibrary> {
 protected:
  // The whole run of `bytes`, written as a file, with callback output.
  Conversion Convert(const std::vector<uint8_t>& bytes) {
    const fs::path path = folder_.path() / "input.mp3";
    WriteBytes(path, bytes);
    return ConvertFile(path);
  }
  Conversion ConvertFile(const fs::path& path) {
    Conversion c;
    BlockRecorder recorder;
    recorder.Install(*qv_, h_);
    EXPECT_TRUE(qv_->QVSetInputName(h_, path.string().c_str()));
    EXPECT_TRUE(qv_->QVOpen(h_));
    if (!qv_->QVInitStream(h_)) {
      ADD_FAILURE() << "not prepared, code " << qv_->QVLastError(h_);
      EXPECT_TRUE(qv_->QVClose(h_));
      return c;
    }
    c.size = qv_->QVGetSize(h_);
    EXPECT_TRUE(qv_->QVPlay(h_));
    c.mode = WaitWhileRunning(*qv_, h_);
    c.code = qv_->QVLastError(h_);
    EXPECT_TRUE(qv_->QVClose(h_));
    const std::vector<uint8_t> pcm = recorder.Pcm();
    c.samples = Samples(pcm.data(), pcm.size());
    return c;
  }

  TempFolder folder_;
};

// Streams of both layers, from 8 to 48 kHz, with and without the encoder's header frame.
const char* const kStreams[] = {
    "damaged/m1_clean.mp3",     // Layer III, 44.1 kHz, 128 kbit/s
    "damaged/m2_clean.mp3",     // Layer III, 22.05 kHz
    "layer3/m1_48k_joint.mp3",  // Layer III, 48 kHz, "Info" frame
    "vbr/v2.mp3",               // Layer III, 44.1 kHz, variable, "Xing" frame
    "streams/m25_8k_vbr.mp3",   // Layer III, 8 kHz MPEG 2.5, variable, "Xing" frame
    "layer2/l2_32k_stereo_64.mp2",
    "layer2/l2_24k_mono_64.mp2",
};

// Behind the last frame: runs of 0xFF bytes, zeros, random bytes, text and tags hold no frame.
// The run ends with no code and every sample of the stream, as the stream alone gives them.
TEST_F(StreamEnds, BytesBehindTheLastFrameEndTheRunWithNoCode) {
  struct Trailer {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  const Trailer trailers[] = {
      {"4 bytes 0xFF", std::vector<uint8_t>(4, 0xFF)},
      {"5 bytes 0xFF", std::vector<uint8_t>(5, 0xFF)},
      {"1000 bytes 0xFF", std::vector<uint8_t>(1000, 0xFF)},
      {"1000 zeros", std::vector<uint8_t>(1000, 0)},
      {"1000 random bytes", RandomBytes(3, 1000)},
      {"text", Text("\nEncoded for the test suite. All rights reserved.\n")},
      {"ID3v1 tag", Id3v1Tag()},
      {"APE tag and ID3v1 tag", Joined({ApeTag(200), Id3v1Tag()})},
      {"Lyrics3 tag and ID3v1 tag", Joined({Lyrics3v2Tag(), Id3v1Tag()})},
      {"0xFF bytes and an ID3v1 tag", Joined({std::vector<uint8_t>(64, 0xFF), Id3v1Tag()})},
  };
  for (const char* name : kStreams) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> stream = Fixture(name);
    const Conversion clean = Convert(stream);
    ASSERT_EQ(clean.code, 0);
    ASSERT_FALSE(clean.samples.empty());
    for (const Trailer& t : trailers) {
      SCOPED_TRACE(t.name);
      const Conversion run = Convert(Joined({stream, t.bytes}));
      EXPECT_EQ(run.mode, pmFinished);
      EXPECT_EQ(run.code, 0);
      EXPECT_TRUE(run.samples == clean.samples)
          << run.samples.size() << " samples instead of " << clean.samples.size();
    }
  }
}

// A run of 0xFF bytes, zeros or random bytes written over a stretch of a stream costs the frames
// it covers and the few behind them that the decoder needs to settle (the bit reservoir's
// reach, the overlap and the synthesis history); every sample before and after is the clean
// stream's own, in place, and the run ends with no code. The frames lost are counted in the
// stream's mean frame length, so in a variable bit-rate stream whose frames are several times
// longer or shorter than the mean (8 kHz MPEG 2.5) the count can miss: a lost header takes
// its frame's length with it.
TEST_F(StreamEnds, RunsInsideAStreamCostOnlyTheFramesTheyCover) {
  struct Run {
    const char* name;
    uint8_t fill;  // 0xFF, 0, or 1: random bytes
    size_t length;
    int frame;      // the run starts in this frame ...
    double within;  // ... this far into it
  };
  const std::vector<Run> runs = {
      {"0xFF over a header", 0xFF, 200, 6, 0.0}, {"0xFF inside", 0xFF, 1000, 9, 0.5},
      {"0xFF, long", 0xFF, 3000, 14, 0.3},       {"zeros over a header", 0, 200, 6, 0.0},
      {"zeros inside", 0, 1000, 9, 0.5},         {"zeros, long", 0, 3000, 14, 0.3},
      {"random over a header", 1, 200, 6, 0.0},  {"random inside", 1, 1000, 9, 0.5},
      {"random, long", 1, 3000, 14, 0.3},
  };
  // Zero runs of several lengths all through a variable bit-rate stream.
  std::vector<Run> scan;
  for (int frame = 3; frame < 50; ++frame)
    for (const size_t length : {100, 700, 1500}) scan.push_back({"zeros", 0, length, frame, 0.7});
  struct Stream {
    const char* name;
    const std::vector<Run>& runs;
  };
  const Stream streams[] = {
      {"damaged/m1_clean.mp3", runs},
      {"damaged/m2_clean.mp3", runs},
      {"layer3/m1_48k_joint.mp3", runs},
      {"vbr/v2.mp3", runs},
      {"vbr/v2.mp3", scan},
      {"conformance/l2-fl10.bit", runs},
  };
  for (const Stream& s : streams) {
    SCOPED_TRACE(s.name);
    const std::vector<uint8_t> stream = Fixture(s.name);
    const FrameWalk walk = WalkAllFrames(stream);
    const size_t frameSamples = walk.samplesPerFrame() * 2;
    const size_t reservoir = walk.layer != 3 ? 0 : walk.lsf ? 256 : 512;
    const Conversion clean = Convert(stream);
    ASSERT_EQ(clean.code, 0);
    ASSERT_EQ(clean.samples.size(), walk.starts.size() * frameSamples);
    for (const Run& r : s.runs) {
      ASSERT_LT(static_cast<size_t>(r.frame) + 1, walk.starts.size());
      const size_t frameLength = walk.starts[r.frame + 1] - walk.starts[r.frame];
      const size_t from = walk.starts[r.frame] + static_cast<size_t>(r.within * frameLength);
      const size_t to = from + r.length;
      ASSERT_LT(to + reservoir, stream.size()) << r.name;
      SCOPED_TRACE(testing::Message() << r.name << ", " << r.length << " bytes at " << from);
      std::vector<uint8_t> damaged = stream;
      const std::vector<uint8_t> random = RandomBytes(static_cast<uint32_t>(from), r.length);
      for (size_t i = from; i < to; ++i) damaged[i] = r.fill == 1 ? random[i - from] : r.fill;

      const Conversion run = Convert(damaged);
      EXPECT_EQ(run.mode, pmFinished);
      EXPECT_EQ(run.code, 0);
      if (run.samples.size() != clean.samples.size()) {
        ADD_FAILURE() << "the run moved the samples behind it by "
                      << (static_cast<double>(run.samples.size()) - clean.samples.size()) /
                             static_cast<double>(frameSamples)
                      << " frames";
        continue;
      }
      // From the frame the run starts in to the first one beyond the reservoir's reach behind
      // it, and two more.
      size_t settled = static_cast<size_t>(r.frame);
      while (settled < walk.starts.size() && walk.starts[settled] < to + reservoir) ++settled;
      settled += 2;
      const size_t damageFrom = static_cast<size_t>(r.frame) * frameSamples;
      const size_t damageTo = std::min(settled * frameSamples, clean.samples.size());
      EXPECT_TRUE(std::equal(clean.samples.begin(), clean.samples.begin() + damageFrom,
                             run.samples.begin()))
          << "the frames in front changed";
      const auto differs = std::mismatch(clean.samples.begin() + damageTo, clean.samples.end(),
                                         run.samples.begin() + damageTo);
      EXPECT_TRUE(differs.first == clean.samples.end())
          << "frame " << (differs.first - clean.samples.begin()) / frameSamples
          << " differs, the damage reaches frame " << settled;
    }
  }
}

}  // namespace
