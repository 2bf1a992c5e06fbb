#include "engine/modules/common/OutputWriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "engine/modules/common/ModuleFailure.h"
#include "platform/win32/Com.h"
#include "tests/support/FailureCode.h"

namespace {

// The rules the two modules give their wave device output.
const WaveDeviceRules MpegRules{44100, true, true, true};
const WaveDeviceRules WmaRules{};

namespace fs = std::filesystem;

std::atomic<int> blocksSeen{0};
std::vector<int> actionsSeen;
int refusedBlock = 0;  // the data callback refuses this block (counted from 1)

QVBool WINAPI Action(QVByteBool init, QVUserValue) {
  actionsSeen.push_back(init);
  return 1;
}
QVBool WINAPI Data(void*, int32_t, int32_t, int32_t, int32_t, QVUserValue) {
  return ++blocksSeen != refusedBlock;
}

// What a machine without sound devices gives: the device outputs fail as on such a machine.
struct NoSoundDevices {
  NoSoundDevices() { setenv("BRASSEL_AUDIO", "none", 1); }
  ~NoSoundDevices() { unsetenv("BRASSEL_AUDIO"); }
  NoSoundDevices(const NoSoundDevices&) = delete;
  NoSoundDevices& operator=(const NoSoundDevices&) = delete;
};

class OutputWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    blocksSeen = 0;
    actionsSeen.clear();
    refusedBlock = 0;
    settings_.DataCallback = Data;
    settings_.ActionCallback = Action;
  }
  int32_t OpenCode(OutputWriter& writer) {
    return FailureCode([&] { writer.OpenOutput(settings_); });
  }

  ModuleErrorCode errors_;
  ModuleCom com_;
  OutputSettings settings_;
};

TEST_F(OutputWriterTest, DeviceModesFailAsWithoutADevice) {
  const NoSoundDevices noDevices;
  struct Case {
    int32_t mode;
    bool comUsable;
    int32_t code;
  };
  const Case cases[] = {
      {omMMSystem, false, qvOutputFailure},
      {omMMSystem, true, qvOutputFailure},
      {omDirectSound, false, qvInternalError},
      {omDirectSound, true, qvOutputFailure},
  };
  for (const auto& c : cases) {
    std::thread([&] {
      ModuleCom com;
      if (c.comUsable) {
        ASSERT_TRUE(com.Initialise());
      }
      OutputWriter writer(errors_, com, MpegRules);
      settings_.OutputMode = c.mode;
      EXPECT_EQ(OpenCode(writer), c.code) << c.mode << " " << c.comUsable;
      EXPECT_FALSE(writer.OutputIsOpen());
      EXPECT_EQ(writer.ActiveOutputMode(), c.mode);
      com.Release();
    }).join();
  }
}

TEST_F(OutputWriterTest, ActsOnTheModeCopiedAtOpen) {
  OutputWriter writer(errors_, com_, MpegRules);
  settings_.OutputMode = omCallback;
  ASSERT_EQ(OpenCode(writer), 0);
  // A later change of the setting does not redirect the open output.
  settings_.OutputMode = omFile;
  const std::vector<uint8_t> block(16384);
  settings_.OutputMode = omCallback;
  writer.WriteBlock(block.data(), static_cast<uint32_t>(block.size()));
  writer.DrainOutput();
  writer.CloseOutput();
  EXPECT_EQ(blocksSeen, 1);
  EXPECT_EQ(actionsSeen, (std::vector<int>{1, 0}));
  // A second close reports nothing more.
  writer.CloseOutput();
  EXPECT_EQ(actionsSeen.size(), 2u);
}

TEST_F(OutputWriterTest, SeekDropsCallbackBlocksButNotFileBlocks) {
  OutputWriter writer(errors_, com_, MpegRules);
  settings_.OutputMode = omCallback;
  ASSERT_EQ(OpenCode(writer), 0);
  const std::vector<uint8_t> block(64);
  writer.SetSeekInProgress(true);
  writer.WriteBlock(block.data(), 64);
  writer.SetSeekInProgress(false);
  writer.WriteBlock(block.data(), 64);
  writer.CloseOutput();
  EXPECT_EQ(blocksSeen, 1);

  const fs::path path = fs::temp_directory_path() / "outputwriter-seek.wav";
  settings_.OutputMode = omFile;
  settings_.OutputName = path.string();
  ASSERT_EQ(OpenCode(writer), 0);
  EXPECT_TRUE(writer.OutputIsOpen());
  writer.SetSeekInProgress(true);
  writer.WriteBlock(block.data(), 64);
  writer.SetSeekInProgress(false);
  writer.CloseOutput();
  EXPECT_FALSE(writer.OutputIsOpen());
  EXPECT_EQ(fs::file_size(path), 46u + 64);
  fs::remove(path);
}

// A close on another thread than the writer's waits for the block in progress; nothing reaches
// the host after the end report.
TEST_F(OutputWriterTest, CloseFromAnotherThreadEndsTheBlocks) {
  OutputWriter writer(errors_, com_, WmaRules);
  settings_.OutputMode = omCallback;
  ASSERT_EQ(OpenCode(writer), 0);
  std::thread producer([&] {
    const std::vector<uint8_t> block(4096, 1);
    for (int i = 0; i < 100000; ++i)
      writer.WriteBlock(block.data(), static_cast<uint32_t>(block.size()));
  });
  while (blocksSeen.load() < 10) std::this_thread::yield();
  writer.CloseOutput();
  const int atClose = blocksSeen.load();
  producer.join();
  EXPECT_EQ(blocksSeen.load(), atClose);
  EXPECT_EQ(actionsSeen, (std::vector<int>{1, 0}));
}

// A source that keeps samples back writes them at the run's end only when the output took
// every block of the run; the play out then writes nothing of its own.
TEST_F(OutputWriterTest, ARefusedBlockIsToldUntilTheNextRunAndPlayOutOnlyDrains) {
  struct Case {
    const char* name;
    int refusedBlock;
    int32_t runBlockCode;
    bool refused;
  };
  // One writer for all: a refusal does not outlast its run.
  const Case cases[] = {
      {"the run's block refused", 1, qvOutputFailure, true},
      {"the run's block taken", 0, 0, false},
      {"the first refused again", 1, qvOutputFailure, true},
  };
  OutputWriter writer(errors_, com_, MpegRules);
  settings_.OutputMode = omCallback;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    blocksSeen = 0;
    refusedBlock = c.refusedBlock;
    ASSERT_EQ(OpenCode(writer), 0);
    EXPECT_FALSE(writer.BlockRefused());
    const std::vector<uint8_t> block(64);
    EXPECT_EQ(FailureCode([&] { writer.WriteBlock(block.data(), 64); }), c.runBlockCode);
    EXPECT_EQ(writer.BlockRefused(), c.refused);
    EXPECT_TRUE(writer.PlayOut());
    writer.CloseOutput();
    EXPECT_EQ(blocksSeen, 1);
    EXPECT_EQ(errors_.Take(), 0);
  }
}

TEST_F(OutputWriterTest, VolumeByCurrentMode) {
  const NoSoundDevices noDevices;
  OutputWriter writer(errors_, com_, MpegRules);
  QVByteBool separate = 7;
  uint32_t volume = 0x12345678;
  for (int32_t mode : {omFile, omCallback, omMMSystem}) {
    settings_.OutputMode = mode;
    EXPECT_FALSE(writer.CanSetOutputVolume(settings_, &separate));
    EXPECT_FALSE(writer.GetOutputVolume(settings_, &volume));
    EXPECT_FALSE(writer.SetOutputVolume(settings_, 0xFFFFFFFF));
    EXPECT_EQ(errors_.Get(), 0) << mode;
  }
  EXPECT_EQ(separate, 7);
  EXPECT_EQ(volume, 0x12345678u);

  settings_.OutputMode = omDirectSound;
  EXPECT_TRUE(writer.CanSetOutputVolume(settings_, &separate));
  EXPECT_EQ(separate, 7);
  EXPECT_FALSE(writer.GetOutputVolume(settings_, &volume));
  EXPECT_EQ(errors_.Take(), qvIncorrectMode);
  EXPECT_FALSE(writer.SetOutputVolume(settings_, 0));
  EXPECT_EQ(errors_.Take(), qvIncorrectMode);
}

}  // namespace
