// Runs of the decode thread driven from the host's thread: pause, resume and stop, the end of a
// module while it plays, seeking, limits, buffer sizes, a refused block, the equaliser, tags in
// front of the stream, callback input and thread priority.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "platform/win32/Threads.h"
#include "tests/engine/modules/mpeg/ModuleHost.h"
#include "tests/support/ProcessThreads.h"

namespace {

namespace fs = std::filesystem;

const std::string fl10 = VectorPath("l2-fl10.bit").string();
// One Layer II frame of two-channel 16-bit samples: each block is one frame.
constexpr int32_t frameBytes = 1152 * 4;
constexpr int32_t frameMs = 36;  // Layer II at 32000 Hz

class ModuleRun : public PlayerTest<ModuleLibrary> {
 protected:
  void SetUp() override {
    PlayerTest::SetUp();
    if (HasFatalFailure()) return;
    stream_ = ReadBytes(fl10);
    frames_ = WalkFrames(stream_).frames;
    ASSERT_GT(frames_, 40);
  }
  // Opens and prepares the input, with callback output in blocks of one frame.
  void PrepareCallbacks(const std::string& input = fl10, int32_t bufferSize = frameBytes) {
    recorder_.Install(*qv_, h_);
    ASSERT_TRUE(qv_->QVSetBuffers(h_, 0, bufferSize));
    ASSERT_TRUE(qv_->QVSetInputName(h_, input.c_str()));
    ASSERT_TRUE(qv_->QVOpen(h_));
    ASSERT_TRUE(qv_->QVInitStream(h_));
  }
  // Plays with callback output and pauses while the run holds in its first block, then lets
  // the block go on into the pause.
  void PauseInFirstBlock() {
    recorder_.holdAtBlock = 1;
    PrepareCallbacks();
    ASSERT_TRUE(qv_->QVPlay(h_));
    ASSERT_TRUE(WaitFor([&] { return recorder_.blockCount.load() >= 1; }));
    ASSERT_TRUE(qv_->QVPause(h_));
    recorder_.Release();
  }
  std::vector<uint8_t> RunToEnd() {
    EXPECT_TRUE(qv_->QVPlay(h_));
    EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
    return recorder_.Pcm();
  }

  std::vector<uint8_t> stream_;
  int frames_ = 0;
  BlockRecorder recorder_;
  TempFolder folder_;
};

TEST_F(ModuleRun, PauseHoldsTheRunAndStopEndsIt) {
  recorder_.holdAtBlock = 2;
  PrepareCallbacks();
  ASSERT_TRUE(qv_->QVPlay(h_));
  ASSERT_TRUE(WaitFor([&] { return recorder_.blockCount.load() >= 2; }));
  ASSERT_TRUE(qv_->QVPause(h_));
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmPaused);
  EXPECT_TRUE(qv_->QVPause(h_));
  recorder_.Release();
  EXPECT_EQ(qv_->QVGetPos(h_), 2 * frameMs);
  EXPECT_TRUE(qv_->QVSetLimits(h_, 0, 0));  // acts while running
  EXPECT_FALSE(qv_->QVSetOutputName(h_, "x.wav"));
  EXPECT_EQ(qv_->QVLastError(h_), qvIncorrectMode);
  ASSERT_TRUE(qv_->QVStop(h_));
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmOpen);
  EXPECT_EQ(recorder_.blockCount.load(), 2);
  EXPECT_EQ(recorder_.actions, (std::vector<int>{1, 0}));
  EXPECT_EQ(qv_->QVLastError(h_), 0);
  // The input was rewound: a new run gives the whole stream.
  ASSERT_TRUE(qv_->QVInitStream(h_));
  recorder_.blocks.clear();
  recorder_.holdAtBlock = -1;
  EXPECT_EQ(RunToEnd().size(), static_cast<size_t>(frames_) * frameBytes);
}

TEST_F(ModuleRun, ResumedRunDeliversEverything) {
  ASSERT_NO_FATAL_FAILURE(PauseInFirstBlock());
  ASSERT_TRUE(qv_->QVResume(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  EXPECT_EQ(recorder_.Pcm().size(), static_cast<size_t>(frames_) * frameBytes);
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmOpen);
  EXPECT_EQ(qv_->QVGetPos(h_), -1);
}

TEST_F(ModuleRun, DeInitWhilePlayingClosesTheWavFile) {
  // The stream twenty times over: the WAV file's pacing keeps the run going for seconds after
  // its first samples, however late the host's thread comes back.
  constexpr int repeats = 20;
  std::vector<uint8_t> longer;
  for (int i = 0; i < repeats; ++i) longer.insert(longer.end(), stream_.begin(), stream_.end());
  const fs::path input = folder_.path() / "longer.mp2";
  WriteBytes(input, longer);
  const fs::path wav = folder_.path() / "stopped.wav";
  ASSERT_TRUE(qv_->QVSetOutputMode(h_, omFile));
  ASSERT_TRUE(qv_->QVSetOutputName(h_, wav.string().c_str()));
  ASSERT_TRUE(qv_->QVSetInputName(h_, input.string().c_str()));
  ASSERT_TRUE(qv_->QVOpen(h_));
  ASSERT_TRUE(qv_->QVInitStream(h_));
  ASSERT_TRUE(qv_->QVPlay(h_));
  ASSERT_TRUE(WaitFor([&] { return qv_->QVGetPos(h_) > 0; }));
  ASSERT_EQ(qv_->QVGetPlayerMode(h_), pmPlaying);
  ASSERT_TRUE(qv_->QVDeInitModule(h_));
  h_ = 0;
  const auto file = ReadBytes(wav);
  ASSERT_GE(file.size(), 46u);
  const uint32_t data = LittleEndian32(file.data() + 42);
  EXPECT_EQ(file.size(), 46u + data);
  EXPECT_EQ(LittleEndian32(file.data() + 4), 38 + data);
  EXPECT_LT(data, static_cast<uint32_t>(repeats * frames_) * frameBytes);
  EXPECT_EQ(data % 16384, 0u);
}

TEST_F(ModuleRun, DeInitWhilePausedReportsTheEndFirst) {
  ASSERT_NO_FATAL_FAILURE(PauseInFirstBlock());
  ASSERT_TRUE(qv_->QVDeInitModule(h_));
  h_ = 0;
  EXPECT_EQ(recorder_.actions, (std::vector<int>{1, 0}));
}

TEST_F(ModuleRun, SeekMovesTheRunToTheFrame) {
  ASSERT_NO_FATAL_FAILURE(PauseInFirstBlock());
  constexpr uint32_t target = 20;
  ASSERT_TRUE(qv_->QVSetPos(h_, target * frameMs));
  EXPECT_EQ(qv_->QVGetPos(h_), static_cast<int32_t>((target + 1) * frameMs));
  // Refused positions change nothing and still answer true.
  EXPECT_TRUE(qv_->QVSetPos(h_, 0));
  EXPECT_TRUE(qv_->QVSetPos(h_, 100000000));
  EXPECT_EQ(qv_->QVGetPos(h_), static_cast<int32_t>((target + 1) * frameMs));
  ASSERT_TRUE(qv_->QVResume(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  EXPECT_EQ(qv_->QVLastError(h_), 0);
  // The first frame, then the frames after the one the seek found.
  const auto pcm = recorder_.Pcm();
  ASSERT_EQ(pcm.size(), static_cast<size_t>(frames_ - target) * frameBytes);
  const auto reference = ReadBytes(VectorPath("l2-fl10.pcm"));
  const auto last = Samples(pcm.data() + pcm.size() - frameBytes, frameBytes);
  const auto expected =
      Samples(reference.data() + static_cast<size_t>(frames_ - 1) * frameBytes, frameBytes);
  for (size_t i = 0; i < last.size(); ++i) ASSERT_NEAR(last[i], expected[i], 1) << i;
}

// A limit of t ms falls on the frame that holds t, the input's first frame being frame 0:
// frame Trunc(t / d). Each run gives the frames of its limits, those of a run of the whole
// input (from the first frame's 16th time slot on, once the synthesis history is the frames'
// own).
TEST_F(ModuleRun, LimitsSelectTheFramesThatHoldThem) {
  // 44100 Hz: four copies of a stream of 49 frames of 26.1224 ms.
  const fs::path fl11x4 = folder_.path() / "fl11x4.mp2";
  {
    const auto fl11 = ReadBytes(VectorPath("l2-fl11.bit"));
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 4; ++i) bytes.insert(bytes.end(), fl11.begin(), fl11.end());
    WriteBytes(fl11x4, bytes);
  }
  struct Case {
    const char* name;
    std::string input;
    bool beforeOpen;
    uint32_t start, end;
    int first, count;  // count -1: to the end
  };
  const Case cases[] = {
      {"whole stream", fl10, false, 0, 0, 0, -1},
      {"frames 10 to 20", fl10, false, 10 * frameMs, 20 * frameMs, 10, 11},
      {"inside frames 10 and 20", fl10, false, 10 * frameMs + 35, 20 * frameMs + 1, 10, 11},
      {"start only: one frame", fl10, false, 30 * frameMs, 0, 30, 1},
      {"end below start: one frame", fl10, false, 30 * frameMs, 5, 30, 1},
      {"end only, set while closed", fl10, true, 0, 25 * frameMs + 10, 0, 26},
      {"start 5000 at 44100 Hz: the frame of 4989-5015 ms", fl11x4.string(), false, 5000, 0, 191,
       1},
      {"end 5000 at 44100 Hz, set while closed", fl11x4.string(), true, 0, 5000, 0, 192},
  };
  std::map<std::string, std::vector<int16_t>> whole;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(qv_->QVClose(h_));
    recorder_.blocks.clear();
    recorder_.actions.clear();
    ASSERT_TRUE(qv_->QVSetLimits(h_, 0, 0));
    if (whole.count(c.input) == 0) {
      PrepareCallbacks(c.input);
      const auto pcm = RunToEnd();
      whole[c.input] = Samples(pcm.data(), pcm.size());
      ASSERT_TRUE(qv_->QVClose(h_));
      recorder_.blocks.clear();
      recorder_.actions.clear();
    }
    const std::vector<int16_t>& all = whole[c.input];
    if (c.beforeOpen) {
      ASSERT_TRUE(qv_->QVSetLimits(h_, c.start, c.end));
      PrepareCallbacks(c.input);
    } else {
      PrepareCallbacks(c.input);
      ASSERT_TRUE(qv_->QVSetLimits(h_, c.start, c.end));
    }
    const auto pcm = RunToEnd();
    const auto run = Samples(pcm.data(), pcm.size());
    constexpr size_t perFrame = 1152 * 2;
    const size_t count = c.count < 0 ? all.size() / perFrame : static_cast<size_t>(c.count);
    ASSERT_EQ(run.size(), count * perFrame);
    EXPECT_EQ(recorder_.actions, (std::vector<int>{1, 0}));
    const size_t from = c.first == 0 ? 0 : 16 * 32 * 2;
    const size_t at = static_cast<size_t>(c.first) * perFrame;
    ASSERT_LE(at + run.size(), all.size());
    size_t mismatches = 0;
    for (size_t i = from; i < run.size(); ++i) mismatches += std::abs(run[i] - all[at + i]) > 1;
    EXPECT_EQ(mismatches, 0u);
  }
}

// The open input prepared again after a run counts its frames from the first frame again: the
// second run with the same limits gives the same frames.
TEST_F(ModuleRun, APreparedAgainInputCountsItsFramesFromTheStart) {
  PrepareCallbacks();
  ASSERT_TRUE(qv_->QVSetLimits(h_, 10 * frameMs, 20 * frameMs));
  const auto first = RunToEnd();
  ASSERT_EQ(first.size(), 11u * frameBytes);
  recorder_.blocks.clear();
  ASSERT_TRUE(qv_->QVInitStream(h_));
  EXPECT_EQ(RunToEnd(), first);
  EXPECT_EQ(qv_->QVLastError(h_), 0);
}

TEST_F(ModuleRun, BufferSizeIsRoundedToWholeSynthesisCalls) {
  PrepareCallbacks(fl10, 1000);  // becomes 896
  const auto pcm = RunToEnd();
  ASSERT_EQ(pcm.size(), static_cast<size_t>(frames_) * frameBytes);
  for (size_t i = 0; i + 1 < recorder_.blocks.size(); ++i)
    ASSERT_EQ(recorder_.blocks[i].size(), 896u) << i;
  EXPECT_LE(recorder_.blocks.back().size(), 896u);
}

TEST_F(ModuleRun, RefusedBlockEndsTheRunWithCodeSix) {
  recorder_.refuseBlock = 3;
  PrepareCallbacks();
  ASSERT_TRUE(qv_->QVPlay(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  EXPECT_EQ(recorder_.blockCount.load(), 3);
  EXPECT_EQ(recorder_.actions, (std::vector<int>{1, 0}));
  EXPECT_EQ(qv_->QVLastError(h_), qvOutputFailure);
}

// The samples the block still holds when a run ends by itself follow its full blocks; when the
// output refuses them, the run still ends by itself, with the output's code.
TEST_F(ModuleRun, HeldSamplesFollowAtTheEndAndTheirRefusalLeavesCodeSix) {
  constexpr int framesPerBlock = 3;
  ASSERT_NE(frames_ % framesPerBlock, 0);
  PrepareCallbacks(fl10, frameBytes * framesPerBlock);
  const std::vector<uint8_t> whole = RunToEnd();
  EXPECT_EQ(whole.size(), static_cast<size_t>(frames_) * frameBytes);
  const int blocks = recorder_.blockCount.load();
  EXPECT_EQ(blocks, (frames_ + framesPerBlock - 1) / framesPerBlock);
  EXPECT_EQ(qv_->QVLastError(h_), 0);

  {
    std::lock_guard<std::mutex> guard(recorder_.lock);
    recorder_.blocks.clear();
    recorder_.actions.clear();
  }
  recorder_.blockCount = 0;
  recorder_.refuseBlock = blocks;
  ASSERT_TRUE(qv_->QVInitStream(h_));
  ASSERT_TRUE(qv_->QVPlay(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  EXPECT_EQ(recorder_.blockCount.load(), blocks);
  EXPECT_EQ(recorder_.actions, (std::vector<int>{1, 0}));
  EXPECT_EQ(qv_->QVLastError(h_), qvOutputFailure);
}

TEST_F(ModuleRun, EqualiserGainsShapeOneChannel) {
  PrepareCallbacks();
  const auto plain = RunToEnd();
  recorder_.blocks.clear();
  double* gains = nullptr;
  int32_t channels = 0, bands = 0;
  ASSERT_TRUE(qv_->QVEQ(h_, &gains, &channels, &bands));
  for (int band = 0; band < 32; ++band) gains[32 + band] = 0.0;  // right channel off
  ASSERT_TRUE(qv_->QVUseEQ(h_, 1));
  ASSERT_TRUE(qv_->QVInitStream(h_));
  const auto shaped = RunToEnd();
  ASSERT_EQ(shaped.size(), plain.size());
  const auto a = Samples(plain.data(), plain.size());
  const auto b = Samples(shaped.data(), shaped.size());
  size_t nonzeroLeft = 0;
  for (size_t i = 0; i < a.size(); i += 2) {
    ASSERT_EQ(b[i], a[i]) << i;
    ASSERT_EQ(b[i + 1], 0) << i;
    nonzeroLeft += a[i] != 0;
  }
  EXPECT_GT(nonzeroLeft, a.size() / 4);
}

TEST_F(ModuleRun, TagsAroundTheStreamLeaveTheSamplesInPlace) {
  PrepareCallbacks();
  const auto plain = RunToEnd();
  ASSERT_TRUE(qv_->QVClose(h_));
  recorder_.blocks.clear();

  // An ID3v2 tag of 257 bytes (size bytes 00 00 02 01) in front, an ID3v1 tag behind.
  std::vector<uint8_t> tagged = {'I', 'D', '3', 3, 0, 0, 0, 0, 2, 1};
  tagged.resize(10 + 257, 0x55);
  tagged.insert(tagged.end(), stream_.begin(), stream_.end());
  std::vector<uint8_t> trailer(128, ' ');
  std::memcpy(trailer.data(), "TAG", 3);
  tagged.insert(tagged.end(), trailer.begin(), trailer.end());
  const fs::path path = folder_.path() / "tagged.mp2";
  WriteBytes(path, tagged);

  ASSERT_TRUE(qv_->QVSetInputName(h_, path.string().c_str()));
  ASSERT_TRUE(qv_->QVOpen(h_));
  ASSERT_TRUE(qv_->QVInitStream(h_));
  EXPECT_EQ(RunToEnd(), plain);
}

// A large ID3v2 tag in front is no part of the stream's size or of its positions: the size is
// the one without the tag, and a seek lands on the frame of its position (far enough in that
// positions counted in frame bodies would land a frame early).
TEST_F(ModuleRun, LargeTagLeavesSizeAndSeeksToTheSound) {
  std::vector<uint8_t> sound;
  for (int i = 0; i < 4; ++i) {
    const auto part = ReadBytes(FixturePath("damaged/m1_clean.mp3"));
    sound.insert(sound.end(), part.begin(), part.end());
  }
  std::vector<uint8_t> tagged = {'I', 'D', '3', 3, 0, 0, 0, 0x40, 0, 0};  // 1 MiB
  tagged.resize(10 + (1 << 20), 0);
  tagged.insert(tagged.end(), sound.begin(), sound.end());
  const fs::path plainPath = folder_.path() / "plain.mp3";
  const fs::path taggedPath = folder_.path() / "tagged.mp3";
  WriteBytes(plainPath, sound);
  WriteBytes(taggedPath, tagged);
  constexpr int32_t layer3FrameBytes = 1152 * 4;
  constexpr double d = 1152 * 1000.0 / 44100;
  const int frames = 160;

  PrepareCallbacks(plainPath.string(), layer3FrameBytes);
  const int32_t plainSize = qv_->QVGetSize(h_);
  EXPECT_NEAR(plainSize, frames * d, 3 * d);
  const auto plain = RunToEnd();
  ASSERT_EQ(plain.size(), static_cast<size_t>(frames) * layer3FrameBytes);
  ASSERT_TRUE(qv_->QVClose(h_));

  recorder_.blocks.clear();
  recorder_.blockCount = 0;
  recorder_.holdAtBlock = 1;
  PrepareCallbacks(taggedPath.string(), layer3FrameBytes);
  EXPECT_NEAR(qv_->QVGetSize(h_), plainSize, d);
  ASSERT_TRUE(qv_->QVPlay(h_));
  ASSERT_TRUE(WaitFor([&] { return recorder_.blockCount.load() >= 1; }));
  ASSERT_TRUE(qv_->QVPause(h_));
  recorder_.Release();
  constexpr uint32_t target = 150;
  ASSERT_TRUE(qv_->QVSetPos(h_, static_cast<uint32_t>(target * d + 1)));
  EXPECT_EQ(qv_->QVGetPos(h_), static_cast<int32_t>((target + 1) * d));
  ASSERT_TRUE(qv_->QVResume(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  // The first frame, then the frames after the one the seek found; from the second of them
  // on (the first still adds the overlap of the frame before the seek) the stream's own.
  const auto pcm = recorder_.Pcm();
  ASSERT_EQ(pcm.size(), static_cast<size_t>(frames - target) * layer3FrameBytes);
  const size_t settled = 2 * layer3FrameBytes;
  EXPECT_TRUE(std::equal(pcm.begin() + settled, pcm.end(),
                         plain.begin() + (target + 2) * layer3FrameBytes));
}

// At the end of a run the position stays at the last frame until the mode has left playing.
TEST_F(ModuleRun, PositionNeverFallsBackWhilePlaying) {
  recorder_.holdAtClose = true;
  PrepareCallbacks();
  ASSERT_TRUE(qv_->QVPlay(h_));
  ASSERT_TRUE(WaitFor([&] { return recorder_.closing.load(); }));
  const int32_t position = qv_->QVGetPos(h_);
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmPlaying);
  EXPECT_EQ(position, frames_ * frameMs);
  recorder_.Release();
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
}

TEST_F(ModuleRun, CallbackInputGivesTheSameSamples) {
  PrepareCallbacks();
  const auto fromFile = RunToEnd();
  ASSERT_TRUE(qv_->QVClose(h_));
  recorder_.blocks.clear();

  MemoryInput input;
  input.data = stream_;
  input.Install(*qv_, h_);
  ASSERT_TRUE(qv_->QVOpen(h_));
  ASSERT_TRUE(qv_->QVInitStream(h_));
  EXPECT_EQ(RunToEnd(), fromFile);
  ASSERT_TRUE(qv_->QVClose(h_));
  EXPECT_EQ(input.closes, 1);
}

// A stream of 48000 Hz prepared for the wave device is decoded at half rate, also when the
// output is changed afterwards; the next stream, prepared for another output, at full rate.
TEST_F(ModuleRun, HalfRateIsChosenAtEachStreamPreparation) {
  const std::string fl12 = VectorPath("l2-fl12.bit").string();
  const int frames12 = WalkFrames(ReadBytes(fl12)).frames;
  ASSERT_TRUE(qv_->QVSetInputName(h_, fl12.c_str()));
  ASSERT_TRUE(qv_->QVOpen(h_));
  ASSERT_TRUE(qv_->QVSetOutputMode(h_, omMMSystem));
  ASSERT_TRUE(qv_->QVInitStream(h_));
  recorder_.Install(*qv_, h_);
  auto pcm = RunToEnd();
  EXPECT_EQ(recorder_.rate.load(), 24000);
  EXPECT_EQ(pcm.size(), static_cast<size_t>(frames12) * 576 * 4);
  ASSERT_TRUE(qv_->QVClose(h_));

  recorder_.blocks.clear();
  PrepareCallbacks(fl12);
  pcm = RunToEnd();
  EXPECT_EQ(recorder_.rate.load(), 48000);
  EXPECT_EQ(pcm.size(), static_cast<size_t>(frames12) * frameBytes);
}

TEST_F(ModuleRun, InputFailureEndsTheRunWithCodeFive) {
  MemoryInput input;
  input.data = stream_;
  input.Install(*qv_, h_);
  recorder_.Install(*qv_, h_);
  ASSERT_TRUE(qv_->QVSetBuffers(h_, 0, frameBytes));
  ASSERT_TRUE(qv_->QVOpen(h_));
  ASSERT_TRUE(qv_->QVInitStream(h_));
  input.failReadsFrom = static_cast<int64_t>(stream_.size() / 2);
  ASSERT_TRUE(qv_->QVPlay(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  EXPECT_EQ(qv_->QVLastError(h_), qvInputFailure);
  EXPECT_EQ(recorder_.actions, (std::vector<int>{1, 0}));
  const size_t blocks = recorder_.Pcm().size() / frameBytes;
  EXPECT_GT(blocks, 0u);
  EXPECT_LT(blocks, static_cast<size_t>(frames_));
  ASSERT_TRUE(qv_->QVClose(h_));
}

// Damaged streams end their runs like any other, with no code: every frame the stream holds
// in place (a damaged one too, in its length) and a frame cut short completed. The output is
// closed. (A header followed by noise is no stream: ModuleModes.InputsThatAreNoStream.)
TEST_F(ModuleRun, DamagedStreamsRunToTheirEnd) {
  uint32_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    size_t frames;  // in the output
  };
  std::vector<uint8_t> flipped = stream_;
  for (int i = 0; i < 400; ++i) flipped[next() % flipped.size()] ^= static_cast<uint8_t>(next());
  const size_t frameLength = 192 * 144000 / 32000;
  std::vector<uint8_t> cut(stream_.begin(),
                           stream_.begin() + static_cast<long>(stream_.size() / 3 + 17));
  const Case cases[] = {{"bytes flipped", flipped, static_cast<size_t>(frames_)},
                        {"cut inside a frame", cut, cut.size() / frameLength + 1}};
  const auto reference = ReadBytes(VectorPath("l2-fl10.pcm"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryInput input;
    input.data = c.bytes;
    input.Install(*qv_, h_);
    recorder_.actions.clear();
    recorder_.blocks.clear();
    recorder_.Install(*qv_, h_);
    ASSERT_TRUE(qv_->QVSetBuffers(h_, 0, frameBytes));
    ASSERT_TRUE(qv_->QVOpen(h_));
    ASSERT_TRUE(qv_->QVInitStream(h_));
    ASSERT_TRUE(qv_->QVPlay(h_));
    EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
    EXPECT_EQ(recorder_.actions, (std::vector<int>{1, 0}));
    EXPECT_EQ(qv_->QVLastError(h_), 0);
    const auto pcm = recorder_.Pcm();
    EXPECT_EQ(pcm.size(), c.frames * frameBytes);
    if (c.bytes == cut) {
      // The whole frames before the cut are the stream's.
      const auto ours = Samples(pcm.data(), (c.frames - 1) * frameBytes);
      const auto expected = Samples(reference.data(), (c.frames - 1) * frameBytes);
      for (size_t i = 0; i < ours.size(); ++i) ASSERT_NEAR(ours[i], expected[i], 1) << i;
    }
    // The input goes before its callbacks' object does.
    ASSERT_TRUE(qv_->QVClose(h_));
  }
}

TEST_F(ModuleRun, PriorityReachesTheRunningThread) {
  recorder_.holdAtBlock = 1;
  PrepareCallbacks();
  const int base = ProcessNice();
  // Only kept while nothing runs, so even a level that does not exist is accepted; the last
  // one kept is in force from the run's start.
  EXPECT_TRUE(qv_->QVSetPriority(h_, 3));
  ASSERT_TRUE(qv_->QVSetPriority(h_, THREAD_PRIORITY_BELOW_NORMAL));
  const std::set<pid_t> before = ProcessThreads();
  ASSERT_TRUE(qv_->QVPlay(h_));
  ASSERT_TRUE(WaitFor([&] { return recorder_.blockCount.load() >= 1; }));
  // The run holds in its first block; the one new thread is the decode thread.
  const std::vector<pid_t> started = ThreadsSince(before);
  ASSERT_EQ(started.size(), 1u);
  const pid_t decode = started[0];
  EXPECT_EQ(ThreadNice(decode), std::min(base + 5, 19));
  // While it runs a new level applies at once; one that does not exist is refused.
  EXPECT_TRUE(qv_->QVSetPriority(h_, THREAD_PRIORITY_LOWEST));
  EXPECT_EQ(ThreadNice(decode), std::min(base + 10, 19));
  EXPECT_FALSE(qv_->QVSetPriority(h_, 3));
  EXPECT_EQ(ThreadNice(decode), std::min(base + 10, 19));
  recorder_.Release();
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
}

}  // namespace
