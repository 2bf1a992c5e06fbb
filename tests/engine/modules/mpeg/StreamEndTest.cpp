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
#include <functional>
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

// An ID3v2 tag of `size` bytes behind its header, all zeros (size below 128).
std::vector<uint8_t> Id3v2Tag(uint8_t size) {
  std::vector<uint8_t> tag = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, size};
  tag.resize(10 + size, 0);
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

// A second stream of another sampling rate or layer behind the first cannot join it in one
// output: the run ends with code 5 once every sample of the first stream is written, and the
// size counts the first stream alone. Its frames follow each other, unlike a false sync.
TEST_F(StreamEnds, ASecondStreamOfAnotherKindEndsTheRunWithCodeFive) {
  struct Case {
    const char* name;
    const char* first;
    std::vector<uint8_t> between;
    const char* second;
  };
  const Case cases[] = {
      {"44.1 kHz, then 22.05 kHz", "damaged/m1_clean.mp3", {}, "damaged/m2_clean.mp3"},
      {"22.05 kHz, then 44.1 kHz", "damaged/m2_clean.mp3", {}, "damaged/m1_clean.mp3"},
      {"Layer III, then Layer II", "damaged/m1_clean.mp3", {}, "layer2/l2_44k_mono_48.mp2"},
      {"Layer II, then Layer III", "layer2/l2_44k_mono_48.mp2", {}, "damaged/m1_clean.mp3"},
      {"44.1 kHz, tags, then 8 kHz", "damaged/m1_clean.mp3", Joined({Id3v1Tag(), Id3v2Tag(20)}),
       "streams/m25_8k_vbr.mp3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Conversion first = Convert(Fixture(c.first));
    ASSERT_EQ(first.code, 0);
    const Conversion run = Convert(Joined({Fixture(c.first), c.between, Fixture(c.second)}));
    EXPECT_EQ(run.mode, pmFinished);
    EXPECT_EQ(run.code, qvInputFailure);
    EXPECT_TRUE(run.samples == first.samples)
        << run.samples.size() << " samples instead of " << first.samples.size();
    EXPECT_EQ(run.size, first.size);
  }
}

// QVGetSize counts the stream alone: junk in front and the APE, Lyrics3 and ID3v1 tags behind
// it are no part of it, and a single frame lasts a frame. The samples stay the stream's.
TEST_F(StreamEnds, SizeCountsTheStreamAlone) {
  const std::vector<uint8_t> stream = Fixture("damaged/m1_clean.mp3");  // 44.1 kHz, constant
  const Conversion clean = Convert(stream);
  ASSERT_EQ(clean.code, 0);
  ASSERT_GT(clean.size, 900);
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"120 KB APE tag", Joined({stream, ApeTag(120 * 1024)})},
      {"APE and ID3v1 tags", Joined({stream, ApeTag(5000), Id3v1Tag()})},
      {"Lyrics3 v2 and ID3v1 tags", Joined({stream, Lyrics3v2Tag(), Id3v1Tag()})},
      {"Lyrics3 v1 and ID3v1 tags", Joined({stream, Lyrics3v1Tag(), Id3v1Tag()})},
      {"Lyrics3 and APE tags", Joined({stream, Lyrics3v2Tag(), ApeTag(3000)})},
      {"100 KB of junk in front", Joined({RandomBytes(5, 100 * 1024), stream})},
      {"ID3v2 tag and junk in front", Joined({Id3v2Tag(100), RandomBytes(6, 4000), stream})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Conversion run = Convert(c.bytes);
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.size, clean.size);
    EXPECT_TRUE(run.samples == clean.samples);
  }
  // One frame of 1152 samples at 44100 Hz.
  const FrameWalk walk = WalkAllFrames(stream);
  const std::vector<uint8_t> single(stream.begin(), stream.begin() + walk.starts[1]);
  for (const auto& bytes : {single, Joined({single, Id3v1Tag()})}) {
    const Conversion run = Convert(bytes);
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.size, 1152 * 1000 / 44100);
    EXPECT_EQ(run.samples.size(), 1152u * 2);
  }
}

// Bytes this process has read from files so far.
int64_t BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  int64_t value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return -1;
}

// A stop while the run searches a long stretch without a sync (gigabytes of zeros behind the
// stream, in a sparse file) returns at once, by any of the calls that stop a run; preparing
// the stream does not search the stretch either.
TEST_F(StreamEnds, AStopDuringALongSearchReturnsAtOnce) {
  using namespace std::chrono;
  const fs::path path = folder_.path() / "zeros.mp3";
  WriteBytes(path, Fixture("damaged/m1_clean.mp3"));
  {
    const int file = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::ftruncate(file, off_t{4} << 30), 0);
    ::close(file);
  }
  ASSERT_GE(BytesRead(), 0);
  enum Stop { ByStop, ByClose, ByDeInit };
  for (const Stop stop : {ByStop, ByClose, ByDeInit}) {
    SCOPED_TRACE(stop == ByStop ? "QVStop" : stop == ByClose ? "QVClose" : "QVDeInitModule");
    BlockRecorder recorder;
    recorder.Install(*qv_, h_);
    ASSERT_TRUE(qv_->QVSetInputName(h_, path.c_str()));
    ASSERT_TRUE(qv_->QVOpen(h_));
    const auto preparing = steady_clock::now();
    ASSERT_TRUE(qv_->QVInitStream(h_));
    EXPECT_LT(steady_clock::now() - preparing, seconds(1));
    const int64_t before = BytesRead();
    ASSERT_TRUE(qv_->QVPlay(h_));
    // The search is under way once the run has read far beyond the stream's 17 KB.
    ASSERT_TRUE(WaitFor([&] { return BytesRead() - before > (int64_t{256} << 20); }));
    ASSERT_EQ(qv_->QVGetPlayerMode(h_), pmPlaying);
    const auto stopping = steady_clock::now();
    switch (stop) {
      case ByStop: EXPECT_TRUE(qv_->QVStop(h_)); break;
      case ByClose: EXPECT_TRUE(qv_->QVClose(h_)); break;
      case ByDeInit: EXPECT_TRUE(qv_->QVDeInitModule(h_)); break;
    }
    const auto took = duration_cast<milliseconds>(steady_clock::now() - stopping);
    // Searching the stretch to its end takes seconds; a loaded machine may delay the stop a
    // little, never by that much.
    EXPECT_LT(took, milliseconds(1000)) << took.count() << " ms";
    EXPECT_EQ(recorder.actions, (std::vector<int>{1, 0}));
    if (stop == ByStop) {
      EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmOpen);
      EXPECT_EQ(qv_->QVLastError(h_), 0);
      EXPECT_TRUE(qv_->QVClose(h_));
    } else if (stop == ByClose) {
      EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmClosed);
    } else {
      h_ = qv_->QVInitModule();
      ASSERT_NE(h_, 0u);
    }
  }
}

// An input file changed while a run reads it (deleted, shortened, written over, replaced in
// place) is no stream that ended: the run ends with code 5 once it has read what is left.
// Reading the file elsewhere changes nothing.
TEST_F(StreamEnds, AnInputChangedUnderARunEndsItWithCodeFive) {
  const std::vector<uint8_t> part = Fixture("damaged/m1_clean.mp3");
  const std::vector<uint8_t> stream = Joined({part, part, part, part});  // 67 KB
  const fs::path path = folder_.path() / "changed.mp3";
  struct Case {
    const char* name;
    std::function<void()> change;
    int32_t code;
  };
  const Case cases[] = {
      {"deleted", [&] { fs::remove(path); }, qvInputFailure},
      {"shortened", [&] { fs::resize_file(path, stream.size() / 2); }, qvInputFailure},
      {"written over",
       [&] {
         std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
         file.seekp(static_cast<std::streamoff>(stream.size() / 2));
         file.write("changed", 7);
       },
       qvInputFailure},
      {"replaced in place by a longer file",
       [&] {
         WriteBytes(path, Joined({stream, part}));
       },
       qvInputFailure},
      {"read elsewhere", [&] { EXPECT_EQ(ReadBytes(path).size(), stream.size()); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(path, stream);
    // A modification time long past: any write now is a change, however coarse the clock.
    const timespec past[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), past, 0), 0);
    BlockRecorder recorder;
    recorder.holdAtBlock = 1;
    recorder.Install(*qv_, h_);
    ASSERT_TRUE(qv_->QVSetInputName(h_, path.c_str()));
    ASSERT_TRUE(qv_->QVOpen(h_));
    ASSERT_TRUE(qv_->QVInitStream(h_));
    ASSERT_TRUE(qv_->QVPlay(h_));
    ASSERT_TRUE(WaitFor([&] { return recorder.blockCount.load() >= 1; }));
    c.change();
    recorder.Release();
    EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
    EXPECT_EQ(qv_->QVLastError(h_), c.code);
    EXPECT_TRUE(qv_->QVClose(h_));
  }
}

// A read that fails, also in the middle of a search for the next frame, ends the run with
// code 5: the rest of the input is not known to hold no frame.
TEST_F(StreamEnds, AReadFailingDuringASearchEndsTheRunWithCodeFive) {
  MemoryInput input;
  input.data = Joined({Fixture("damaged/m1_clean.mp3"), std::vector<uint8_t>(5000, 0)});
  input.Install(*qv_, h_);
  BlockRecorder recorder;
  recorder.Install(*qv_, h_);
  ASSERT_TRUE(qv_->QVOpen(h_));
  // Reads of the zeros fail from their middle on.
  input.failReadsFrom = static_cast<int64_t>(input.data.size()) - 2500;
  ASSERT_TRUE(qv_->QVInitStream(h_));
  ASSERT_TRUE(qv_->QVPlay(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  EXPECT_EQ(qv_->QVLastError(h_), qvInputFailure);
  // The input is closed while it lives.
  EXPECT_TRUE(qv_->QVClose(h_));
}

}  // namespace
