// The module frame seen through the exports: texts, the handle check, the modes in which each
// function acts and the codes it leaves, stream information, tags, volume and equaliser.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>

#include "tests/engine/modules/mpeg/ModuleHost.h"

namespace {

namespace fs = std::filesystem;

// What a machine without sound devices gives: the device outputs fail as on such a machine.
struct NoSoundDevices {
  NoSoundDevices() { setenv("BRASSEL_AUDIO", "none", 1); }
  ~NoSoundDevices() { unsetenv("BRASSEL_AUDIO"); }
  NoSoundDevices(const NoSoundDevices&) = delete;
  NoSoundDevices& operator=(const NoSoundDevices&) = delete;
};

const std::string fl10 = VectorPath("l2-fl10.bit").string();

class ModuleModes : public PlayerTest<ModuleLibrary> {
 protected:
  void OpenFile(const std::string& path) {
    ASSERT_TRUE(qv_->QVSetInputName(h_, path.c_str()));
    ASSERT_TRUE(qv_->QVOpen(h_));
  }
  void Prepare(const std::string& path = fl10) {
    OpenFile(path);
    ASSERT_TRUE(qv_->QVInitStream(h_));
  }

  TempFolder folder_;
};

TEST_F(ModuleModes, TextsFollowTheLengthProtocol) {
  char buffer[128];
  int32_t length = 0;
  EXPECT_FALSE(qv_->QVGetName(nullptr, &length));
  EXPECT_EQ(length, 10);
  length = 10;
  EXPECT_FALSE(qv_->QVGetName(buffer, &length));
  length = 11;
  ASSERT_TRUE(qv_->QVGetName(buffer, &length));
  EXPECT_STREQ(buffer, "Audio MPEG");
  length = 128;
  ASSERT_TRUE(qv_->QVGetExts(buffer, &length));
  EXPECT_STREQ(buffer, "*.mp1;*.mp2;*.mp3");
  EXPECT_EQ(length, 17);
  length = 0;
  EXPECT_FALSE(qv_->QVGetAbout(nullptr, &length));
  EXPECT_EQ(length, 57);
  EXPECT_EQ(qv_->QVGetVersion(), 120);
}

TEST_F(ModuleModes, BadHandleIsRefusedAndLeavesTheCode) {
  EXPECT_FALSE(qv_->QVOpen(h_));  // no input name: code 5
  struct {
    uint32_t magic = 0x14581459;
    uint8_t rest[256] = {};
  } fake;
  const auto bad = reinterpret_cast<QVHandle>(&fake);
  const ModuleExports& q = *qv_;
  double* gains = nullptr;
  int32_t count = 0;
  uint32_t value = 0;
  uint32_t size = 16;
  StreamInfo info{};
  const char* text = nullptr;
  QVByteBool flag = 1;
  const bool refused[] = {!q.QVDeInitModule(bad),
                          !q.QVOpen(bad),
                          !q.QVClose(bad),
                          !q.QVInitStream(bad),
                          !q.QVPlay(bad),
                          !q.QVPause(bad),
                          !q.QVResume(bad),
                          !q.QVStop(bad),
                          !q.QVSetPos(bad, 0),
                          !q.QVSetInputMode(bad, 0),
                          !q.QVSetInputName(bad, "x"),
                          !q.QVSetOutputMode(bad, 1),
                          !q.QVSetOutputName(bad, "x"),
                          !q.QVSetOutputDev(bad, 0),
                          !q.QVSetDevNum(bad, 0),
                          !q.QVSetBuffers(bad, 1, 1),
                          !q.QVSetPriority(bad, 0),
                          !q.QVSetLimits(bad, 0, 0),
                          !q.QVSetWindow(bad, nullptr),
                          !q.QVUseOutCB(bad, 1),
                          !q.QVSetOutCB(bad, nullptr, nullptr, 0),
                          !q.QVSetInCB(bad, nullptr, nullptr, nullptr, nullptr, nullptr, 0),
                          !q.QVSetExtras(bad, 0),
                          q.QVGetPlayerMode(bad) == -1,
                          q.QVGetPos(bad) == -1,
                          q.QVGetSize(bad) == -1,
                          !q.QVCanSetPos(bad),
                          !q.QVCanPause(bad),
                          !q.QVGetInfo1(bad, &info, &size),
                          !q.QVGetInfo2(bad, &text),
                          !q.QVGetVolume(bad, &value),
                          !q.QVSetVolume(bad, 0),
                          !q.QVCanSetVolume(bad, &flag),
                          !q.QVUseEQ(bad, 1),
                          !q.QVEQ(bad, &gains, &count, &count),
                          !q.QVHasEQ(bad, &flag) && flag == 0,
                          q.QVLastError(bad) == -1};
  for (size_t i = 0; i < std::size(refused); ++i) EXPECT_TRUE(refused[i]) << "call " << i;
  EXPECT_EQ(q.QVLastError(h_), qvInputFailure);
  EXPECT_EQ(q.QVLastError(h_), 0);
  EXPECT_TRUE(q.QVCanPause(h_));
  EXPECT_TRUE(q.QVSetExtras(h_, 5));
}

// A function called in a mode where it does not act gives false (or -1) and code 2, and the
// mode stays as it was.
TEST_F(ModuleModes, FunctionsOutsideTheirModesGiveCodeTwo) {
  const ModuleExports& q = *qv_;
  uint32_t size = 16;
  StreamInfo info{};
  const char* text = nullptr;
  struct Case {
    const char* name;
    int32_t inMode;
    bool (*call)(const ModuleExports&, QVHandle);
  };
  static const Case cases[] = {
      {"InitStream", pmClosed, [](auto& q, QVHandle h) { return !q.QVInitStream(h); }},
      {"Play", pmClosed, [](auto& q, QVHandle h) { return !q.QVPlay(h); }},
      {"Pause", pmClosed, [](auto& q, QVHandle h) { return !q.QVPause(h); }},
      {"Resume", pmReady, [](auto& q, QVHandle h) { return !q.QVResume(h); }},
      {"Stop", pmReady, [](auto& q, QVHandle h) { return !q.QVStop(h); }},
      {"SetPos", pmReady, [](auto& q, QVHandle h) { return !q.QVSetPos(h, 1000); }},
      {"GetPos", pmReady, [](auto& q, QVHandle h) { return q.QVGetPos(h) == -1; }},
      {"GetSize", pmOpen, [](auto& q, QVHandle h) { return q.QVGetSize(h) == -1; }},
      {"CanSetPos", pmClosed, [](auto& q, QVHandle h) { return !q.QVCanSetPos(h); }},
      {"Open", pmOpen, [](auto& q, QVHandle h) { return !q.QVOpen(h); }},
      {"Play", pmOpen, [](auto& q, QVHandle h) { return !q.QVPlay(h); }},
      {"InitStream", pmReady, [](auto& q, QVHandle h) { return !q.QVInitStream(h); }},
      {"SetInputMode", pmOpen, [](auto& q, QVHandle h) { return !q.QVSetInputMode(h, 1); }},
      {"SetInputName", pmReady, [](auto& q, QVHandle h) { return !q.QVSetInputName(h, "x"); }},
      {"SetOutputDev", pmOpen, [](auto& q, QVHandle h) { return !q.QVSetOutputDev(h, 1); }},
      {"SetInCB", pmOpen,
       [](auto& q, QVHandle h) {
         return !q.QVSetInCB(h, nullptr, nullptr, nullptr, nullptr, nullptr, 0);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(q.QVClose(h_));
    if (c.inMode >= pmOpen) OpenFile(fl10);
    if (c.inMode >= pmReady) {
      ASSERT_TRUE(q.QVInitStream(h_));
    }
    ASSERT_EQ(q.QVGetPlayerMode(h_), c.inMode);
    EXPECT_TRUE(c.call(q, h_));
    EXPECT_EQ(q.QVLastError(h_), qvIncorrectMode);
    EXPECT_EQ(q.QVGetPlayerMode(h_), c.inMode);
  }
  EXPECT_TRUE(q.QVClose(h_));
  size = 16;
  EXPECT_FALSE(q.QVGetInfo1(h_, &info, &size));
  EXPECT_EQ(size, 16u);
  EXPECT_EQ(q.QVLastError(h_), qvIncorrectMode);
  // A size query is answered in every mode and resets the code.
  size = 8;
  EXPECT_FALSE(q.QVStop(h_));
  EXPECT_FALSE(q.QVGetInfo1(h_, &info, &size));
  EXPECT_EQ(size, 16u);
  EXPECT_EQ(q.QVLastError(h_), 0);
  EXPECT_FALSE(q.QVGetInfo2(h_, &text));
  EXPECT_EQ(q.QVLastError(h_), qvIncorrectMode);
  // Settings that act in every mode but running ones, and those that act always.
  EXPECT_TRUE(q.QVSetOutputName(h_, "x.wav"));
  EXPECT_TRUE(q.QVSetLimits(h_, 0, 0));
  EXPECT_TRUE(q.QVSetPriority(h_, 1));
  EXPECT_TRUE(q.QVClose(h_));
  EXPECT_TRUE(q.QVClose(h_));
  EXPECT_EQ(q.QVGetPlayerMode(h_), pmClosed);
}

TEST_F(ModuleModes, OpenNeedsAnInputThatOpens) {
  EXPECT_FALSE(qv_->QVOpen(h_));
  EXPECT_EQ(qv_->QVLastError(h_), qvInputFailure);
  EXPECT_EQ(qv_->QVLastError(h_), 0);
  const std::string missing = (folder_.path() / "missing.mp2").string();
  ASSERT_TRUE(qv_->QVSetInputName(h_, missing.c_str()));
  EXPECT_FALSE(qv_->QVOpen(h_));
  EXPECT_EQ(qv_->QVLastError(h_), qvInputFailure);
  ASSERT_TRUE(qv_->QVSetInputName(h_, nullptr));
  EXPECT_FALSE(qv_->QVOpen(h_));
  EXPECT_EQ(qv_->QVLastError(h_), qvInputFailure);
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmClosed);

  // Through the callbacks: a refused open, then one that succeeds; every open is closed.
  MemoryInput input;
  input.data = ReadBytes(fl10);
  input.refuseOpen = true;
  input.Install(*qv_, h_);
  EXPECT_FALSE(qv_->QVOpen(h_));
  EXPECT_EQ(qv_->QVLastError(h_), qvInputFailure);
  input.refuseOpen = false;
  input.clearCanSetPosition = true;
  ASSERT_TRUE(qv_->QVOpen(h_));
  EXPECT_FALSE(qv_->QVCanSetPos(h_));
  EXPECT_TRUE(qv_->QVInitStream(h_));
  EXPECT_TRUE(qv_->QVClose(h_));
  EXPECT_EQ(input.opens, 2);
  EXPECT_EQ(input.closes, 1);
}

// Only a stream is decoded: QVInitStream refuses an input whose headers are none of a stream's
// with code 5, and one without any header with no code; the mode stays pmOpen.
TEST_F(ModuleModes, InputsThatAreNoStream) {
  std::mt19937 random(3);
  const auto noise = [&random](size_t count) {
    std::vector<uint8_t> bytes(count);
    for (auto& b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
  };
  // MPEG-1 Layer II without check word, 44100 Hz; free format (bit-rate index 0) in frames of
  // 600 bytes. A false sync inside: a header of 160 kbit/s (522-byte frames) whose frame ends
  // where a free-format frame begins, or runs past the end of the input.
  const auto freeFormatFrames = [](int frames, size_t falseSync) {
    std::vector<uint8_t> bytes(static_cast<size_t>(frames) * 600, 0);
    for (size_t at = 0; at < bytes.size(); at += 600) {
      bytes[at] = 0xFF;
      bytes[at + 1] = 0xFD;
    }
    bytes[falseSync] = 0xFF;
    bytes[falseSync + 1] = 0xFD;
    bytes[falseSync + 2] = 0x90;
    return bytes;
  };
  std::vector<uint8_t> freeFormat(2000, 0);
  freeFormat[0] = 0xFF;
  freeFormat[1] = 0xFD;  // MPEG-1 Layer II, no check word
  freeFormat[2] = 0x00;  // bit-rate index 0: free format
  // A WAV file: 16-bit stereo at 44100 Hz, a second of a tone with noise.
  std::vector<uint8_t> wav = {'R', 'I', 'F',  'F',  0x34, 0xB1, 2,    0,    'W',  'A', 'V',
                              'E', 'f', 'm',  't',  ' ',  16,   0,    0,    0,    1,   0,
                              2,   0,   0x44, 0xAC, 0,    0,    0x10, 0xB1, 2,    0,   4,
                              0,   16,  0,    'd',  'a',  't',  'a',  0x10, 0xB1, 2,   0};
  for (int i = 0; i < 44100; ++i) {
    const int value = static_cast<int>(8000 * std::sin(i * 0.0627) + random() % 2001 - 1000);
    for (int channel = 0; channel < 2; ++channel) {
      wav.push_back(static_cast<uint8_t>(value & 0xFF));
      wav.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
    }
  }
  std::vector<uint8_t> headerThenNoise = ReadBytes(fl10);
  headerThenNoise.resize(4);
  const auto tail = noise(3000);
  headerThenNoise.insert(headerThenNoise.end(), tail.begin(), tail.end());
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    int32_t code;
  };
  const Case cases[] = {{"random bytes", noise(1 << 20), qvInputFailure},
                        {"a WAV file", wav, qvInputFailure},
                        {"free format", freeFormat, qvInputFailure},
                        {"free format, a false sync ending on a frame start",
                         freeFormatFrames(10, 4 * 600 - 522), qvInputFailure},
                        {"free format, a false sync running past the end",
                         freeFormatFrames(10, 9 * 600 + 300), qvInputFailure},
                        {"a header, then noise", headerThenNoise, qvInputFailure},
                        {"zeros", std::vector<uint8_t>(5000, 0), 0},
                        {"less than a header", {0xFF, 0xFB, 0x90}, qvInputFailure},
                        {"empty", {}, qvInputFailure}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path path = folder_.path() / "input.mp3";
    WriteBytes(path, c.bytes);
    OpenFile(path.string());
    EXPECT_FALSE(qv_->QVInitStream(h_));
    EXPECT_EQ(qv_->QVLastError(h_), c.code);
    EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmOpen);
    EXPECT_TRUE(qv_->QVClose(h_));
  }
}

TEST_F(ModuleModes, StreamInformationAndSize) {
  Prepare();
  const auto bytes = ReadBytes(fl10);
  const StreamLayout layout = WalkFrames(bytes);
  uint32_t size = 8;
  StreamInfo info{};
  EXPECT_FALSE(qv_->QVOpen(h_));  // a code for the size query to reset
  EXPECT_FALSE(qv_->QVGetInfo1(h_, &info, &size));
  EXPECT_EQ(size, 16u);
  EXPECT_EQ(qv_->QVLastError(h_), 0);
  size = 16;
  EXPECT_FALSE(qv_->QVGetInfo1(h_, nullptr, &size));
  ASSERT_TRUE(qv_->QVGetInfo1(h_, &info, &size));
  EXPECT_EQ(info.Field1, bytes[3] >> 6);  // channel mode
  EXPECT_EQ(info.Field2, 2);
  EXPECT_EQ(info.Field3, layout.firstFrameLength * layout.rate / 144);
  EXPECT_EQ(info.Field4, 32000);
  // The size: the frame limit (length / (frame length + 1)) times 36 ms.
  const uint32_t frameLimit = static_cast<uint32_t>(bytes.size()) / (layout.firstFrameLength + 1);
  EXPECT_EQ(qv_->QVGetSize(h_), static_cast<int32_t>(frameLimit * 36));
  EXPECT_TRUE(qv_->QVCanSetPos(h_));
}

// The time base: samples per frame by layer and version over the rate of the rate index; the
// size is the frame limit (length / (body length - padding + 5)) in whole milliseconds.
TEST_F(ModuleModes, SizeFollowsTheFrameDurationOfEachLayer) {
  struct Case {
    const char* stream;
    int32_t layer;
    int32_t rate;
    int32_t size;
  };
  const Case cases[] = {
      // Layer I, 384 kbit/s, 44100 Hz, first frame padded: body 416, 20480 / 420 = 48 frames
      // of 8.7074 ms.
      {"l1-fl2.bit", 1, 44100, 417},
      // MPEG-1 Layer III, 64 kbit/s, 44100 Hz: 208 bytes, 24659 / 209 = 117 frames of 26.12 ms.
      {"l3-si.bit", 3, 44100, 3056},
      // MPEG-2 Layer III, 128 kbit/s, 24000 Hz: 384 bytes, 81408 / 385 = 211 frames of 24 ms.
      {"M2L3_compl24.bit", 3, 24000, 5064},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stream);
    Prepare(VectorPath(c.stream).string());
    EXPECT_EQ(qv_->QVGetSize(h_), c.size);
    StreamInfo info{};
    uint32_t size = sizeof info;
    ASSERT_TRUE(qv_->QVGetInfo1(h_, &info, &size));
    EXPECT_EQ(info.Field2, c.layer);
    EXPECT_EQ(info.Field4, c.rate);
    EXPECT_TRUE(qv_->QVClose(h_));
  }
}

TEST_F(ModuleModes, Id3v1TagIsHandedOut) {
  auto bytes = ReadBytes(fl10);
  std::vector<uint8_t> tag(128, 0);
  std::memcpy(tag.data(), "TAG", 3);
  for (int i = 0; i < 30; ++i) tag[3 + i] = static_cast<uint8_t>('A' + i % 26);
  std::memcpy(tag.data() + 33, "Artist", 6);
  std::memcpy(tag.data() + 93, "1999", 4);
  for (int i = 0; i < 30; ++i) tag[97 + i] = 'c';
  bytes.insert(bytes.end(), tag.begin(), tag.end());
  const fs::path tagged = folder_.path() / "tagged.mp2";
  WriteBytes(tagged, bytes);
  OpenFile(tagged.string());
  const char* text = nullptr;
  ASSERT_TRUE(qv_->QVGetInfo2(h_, &text));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::string(text + 3), std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZABC"));
  EXPECT_STREQ(text + 33, "Artist");
  EXPECT_STREQ(text + 93, "1999");
  EXPECT_EQ(std::string(text + 98), std::string(28, 'c'));
  EXPECT_TRUE(qv_->QVClose(h_));

  const fs::path tiny = folder_.path() / "tiny.mp2";
  WriteBytes(tiny, std::vector<uint8_t>(100, 0));
  OpenFile(tiny.string());
  text = "not cleared";
  ASSERT_TRUE(qv_->QVGetInfo2(h_, &text));
  EXPECT_EQ(text, nullptr);
}

TEST_F(ModuleModes, PlayFailuresLeaveTheStreamReady) {
  const NoSoundDevices noDevices;
  Prepare();
  struct Case {
    const char* name;
    int32_t mode;
    const char* outputName;
    int32_t code;
  };
  const std::string badPath = (folder_.path() / "missing" / "out.wav").string();
  const Case cases[] = {{"wave device", omMMSystem, nullptr, qvOutputFailure},
                        {"DirectSound", omDirectSound, nullptr, qvOutputFailure},
                        {"callbacks missing", omCallback, nullptr, qvCallbackMissing},
                        {"file cannot be created", omFile, badPath.c_str(), qvOutputFailure},
                        {"file without a name", omFile, nullptr, qvOutputFailure}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(qv_->QVSetOutputMode(h_, c.mode));
    ASSERT_TRUE(qv_->QVSetOutputName(h_, c.outputName));
    EXPECT_FALSE(qv_->QVPlay(h_));
    EXPECT_EQ(qv_->QVLastError(h_), c.code);
    EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmReady);
  }
  // A refused start report: no block follows.
  BlockRecorder recorder;
  recorder.refuseStart = true;
  recorder.Install(*qv_, h_);
  EXPECT_FALSE(qv_->QVPlay(h_));
  EXPECT_EQ(qv_->QVLastError(h_), qvOutputFailure);
  EXPECT_EQ(recorder.actions, std::vector<int>{1});
  EXPECT_TRUE(recorder.blocks.empty());
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmReady);
}

TEST_F(ModuleModes, VolumeByOutputMode) {
  const NoSoundDevices noDevices;
  uint32_t volume = 0xABCD;
  QVByteBool separate = 9;
  for (int32_t mode : {omFile, omCallback, omMMSystem}) {
    ASSERT_TRUE(qv_->QVSetOutputMode(h_, mode));
    EXPECT_FALSE(qv_->QVGetVolume(h_, &volume));
    EXPECT_FALSE(qv_->QVSetVolume(h_, 0x80008000));
    EXPECT_FALSE(qv_->QVCanSetVolume(h_, &separate));
    EXPECT_EQ(qv_->QVLastError(h_), 0);
  }
  ASSERT_TRUE(qv_->QVSetOutputMode(h_, omDirectSound));
  EXPECT_TRUE(qv_->QVCanSetVolume(h_, &separate));
  EXPECT_EQ(separate, 9);
  EXPECT_FALSE(qv_->QVGetVolume(h_, &volume));
  EXPECT_EQ(qv_->QVLastError(h_), qvIncorrectMode);
  EXPECT_EQ(volume, 0xABCDu);
}

TEST_F(ModuleModes, EqualiserGainsAreReachable) {
  QVByteBool has = 0;
  EXPECT_TRUE(qv_->QVHasEQ(h_, &has));
  EXPECT_EQ(has, 1);
  double* gains = nullptr;
  int32_t channels = 0, bands = 0;
  ASSERT_TRUE(qv_->QVEQ(h_, &gains, &channels, &bands));
  ASSERT_NE(gains, nullptr);
  EXPECT_EQ(channels, 2);
  EXPECT_EQ(bands, 32);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(gains[i], 1.0);
  EXPECT_TRUE(qv_->QVUseEQ(h_, 1));
}

TEST_F(ModuleModes, NewModuleStateStartsAfresh) {
  double* gains = nullptr;
  int32_t channels = 0, bands = 0;
  ASSERT_TRUE(qv_->QVEQ(h_, &gains, &channels, &bands));
  gains[5] = 0.25;
  ASSERT_TRUE(qv_->QVSetInputName(h_, fl10.c_str()));
  EXPECT_FALSE(qv_->QVGetInfo1(h_, nullptr, nullptr));  // leaves code 2

  const QVHandle second = qv_->QVInitModule();
  ASSERT_NE(second, 0u);
  EXPECT_NE(second, h_);
  EXPECT_EQ(qv_->QVLastError(second), 0);
  ASSERT_TRUE(qv_->QVEQ(second, &gains, &channels, &bands));
  EXPECT_EQ(gains[5], 1.0);
  EXPECT_FALSE(qv_->QVOpen(second));  // the input name is gone
  EXPECT_EQ(qv_->QVLastError(second), qvInputFailure);
  EXPECT_TRUE(qv_->QVDeInitModule(second));
}

// COM is entered for the thread that initialises the module and left when it de-initialises:
// the DirectSound output then gets as far as the missing device (6), not the missing COM (3).
TEST(ModuleApartment, InitialisationOnOtherThreads) {
  const NoSoundDevices noDevices;
  ModuleLibrary qv;
  ASSERT_TRUE(qv.Loaded());
  for (int round = 0; round < 2; ++round) {
    std::thread([&] {
      const QVHandle h = qv->QVInitModule();
      ASSERT_NE(h, 0u);
      ASSERT_TRUE(qv->QVSetInputName(h, fl10.c_str()));
      ASSERT_TRUE(qv->QVOpen(h));
      ASSERT_TRUE(qv->QVInitStream(h));
      ASSERT_TRUE(qv->QVSetOutputMode(h, omDirectSound));
      EXPECT_FALSE(qv->QVPlay(h));
      EXPECT_EQ(qv->QVLastError(h), qvOutputFailure);
      EXPECT_TRUE(qv->QVDeInitModule(h));
    }).join();
  }
}

}  // namespace
