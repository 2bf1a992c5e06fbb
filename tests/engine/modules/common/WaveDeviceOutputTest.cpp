#include "engine/modules/common/WaveDeviceOutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

#include "engine/modules/common/ModuleFailure.h"
#include "tests/support/FailureCode.h"
#include "tests/support/ProcessThreads.h"
#include "tests/support/SoundDevices.h"
#include "tests/support/Wait.h"

namespace {

// The rules the two modules give their wave device output.
const WaveDeviceRules MpegRules{44100, true, true, true};
const WaveDeviceRules WmaRules{};

// The host's output callbacks: what they were told, in order.
struct Reports {
  std::mutex lock;
  std::vector<int> actions;
  std::vector<std::vector<uint8_t>> blocks;
  std::vector<const void*> addresses;
  std::vector<int32_t> sizes;
  bool refuseStart = false;

  static QVBool WINAPI Action(QVByteBool init, QVUserValue user) {
    auto* r = reinterpret_cast<Reports*>(user);
    std::lock_guard<std::mutex> guard(r->lock);
    r->actions.push_back(init);
    return init && r->refuseStart ? 0 : 1;
  }
  static QVBool WINAPI Data(void* samples, int32_t bits, int32_t channels, int32_t, int32_t size,
                            QVUserValue user) {
    auto* r = reinterpret_cast<Reports*>(user);
    EXPECT_EQ(bits, 16);
    EXPECT_EQ(channels, 2);
    std::lock_guard<std::mutex> guard(r->lock);
    auto* bytes = static_cast<uint8_t*>(samples);
    r->blocks.emplace_back(bytes, bytes + size);
    r->addresses.push_back(samples);
    r->sizes.push_back(size);
    // The answer does not matter to the wave device.
    return 0;
  }
};

class WaveDeviceOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.OutputMode = omMMSystem;
    settings_.BufferSize = 1764;  // 10 ms of 44.1 kHz stereo
    settings_.BuffersCount = 8;
  }
  std::vector<uint8_t> Block(uint8_t fill, size_t bytes = 1764) {
    return std::vector<uint8_t>(bytes, fill);
  }
  int32_t OpenCode(WaveDeviceOutput& output) {
    return FailureCode([&] { output.Open(settings_); });
  }

  SoundDeviceChoice device_{"virtual"};
  ModuleErrorCode errors_;
  std::atomic<bool> seeking_{false};
  OutputSettings settings_;
};

TEST_F(WaveDeviceOutputTest, QueueHoldsAtMostBuffersCount) {
  struct Case {
    int32_t count;
    int32_t limit;
  };
  // A count below one still lets one block through at a time.
  for (const Case c : {Case{3, 3}, Case{0, 1}, Case{-2, 1}}) {
    SCOPED_TRACE(c.count);
    settings_.BuffersCount = c.count;
    WaveDeviceOutput output(errors_, MpegRules, seeking_);
    ASSERT_EQ(OpenCode(output), 0);
    std::atomic<bool> written{false};
    std::thread writer([&] {
      for (int i = 0; i < 6; ++i) {
        const auto block = Block(static_cast<uint8_t>(i));
        output.Write(block.data(), static_cast<uint32_t>(block.size()));
      }
      written = true;
    });
    int32_t most = 0;
    while (!written.load()) {
      most = std::max(most, output.BuffersInFlight());
      std::this_thread::yield();
    }
    writer.join();
    EXPECT_LE(most, c.limit);
    output.Drain();
    EXPECT_EQ(output.BuffersInFlight(), 0);
    output.Close();
  }
}

TEST_F(WaveDeviceOutputTest, CloseReturnsOnceTheQueueHasPlayed) {
  WaveDeviceOutput output(errors_, WmaRules, seeking_);
  ASSERT_EQ(OpenCode(output), 0);
  for (int i = 0; i < 4; ++i) {
    const auto block = Block(1);
    output.Write(block.data(), static_cast<uint32_t>(block.size()));
  }
  output.Close();
  EXPECT_EQ(output.BuffersInFlight(), 0);
  // A new open starts afresh.
  ASSERT_EQ(OpenCode(output), 0);
  output.Drain();
  output.Close();
}

// A block written during a seek is dropped, and its writer held until the seek is over: a
// decoder running on meanwhile would drop the rest of the stream while the device plays out.
TEST_F(WaveDeviceOutputTest, BlocksDuringASeekAreDropped) {
  for (const WaveDeviceRules& rules : {MpegRules, WmaRules}) {
    WaveDeviceOutput output(errors_, rules, seeking_);
    ASSERT_EQ(OpenCode(output), 0);
    seeking_ = true;
    const auto block = Block(1);
    std::atomic<pid_t> writerThread{0};
    std::atomic<long> switchesBefore{0};
    std::atomic<bool> returned{false};
    std::thread writer([&] {
      switchesBefore = VoluntarySwitches(static_cast<pid_t>(::gettid()));
      writerThread = static_cast<pid_t>(::gettid());
      output.Write(block.data(), static_cast<uint32_t>(block.size()));
      returned = true;
    });
    // Still held after three of the writer's polls; a writer let go returns without waiting.
    EXPECT_TRUE(WaitFor([&] {
      return returned.load() ||
             (writerThread.load() != 0 &&
              VoluntarySwitches(writerThread.load()) >= switchesBefore.load() + 3);
    }));
    EXPECT_FALSE(returned.load());
    EXPECT_EQ(output.BuffersInFlight(), 0);
    seeking_ = false;
    writer.join();
    EXPECT_EQ(output.BuffersInFlight(), 0);
    output.Close();
  }
}

TEST_F(WaveDeviceOutputTest, OutputCallbacks) {
  struct Case {
    const char* name;
    WaveDeviceRules rules;
    bool withAction;
    bool refuseStart;
    std::vector<int> actions;
    size_t blocks;
    bool switchAfterOpen;
  };
  const Case cases[] = {
      {"MPEG module: start, every block, end", MpegRules, true, false, {1, 0}, 3, true},
      {"Windows Media Audio module: start and end", WmaRules, true, false, {1, 0}, 0, true},
      {"start refused: nothing more", MpegRules, true, true, {1}, 0, false},
      {"no action callback: switch off", MpegRules, false, false, {}, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Reports reports;
    reports.refuseStart = c.refuseStart;
    settings_.UseOutputCallbacks = true;
    settings_.DataCallback = Reports::Data;
    settings_.ActionCallback = c.withAction ? Reports::Action : nullptr;
    settings_.OutputUser = reinterpret_cast<QVUserValue>(&reports);
    WaveDeviceOutput output(errors_, c.rules, seeking_);
    ASSERT_EQ(OpenCode(output), 0);
    EXPECT_EQ(settings_.UseOutputCallbacks, c.switchAfterOpen);
    // The last block of a run may be short: its report has its own size.
    const std::vector<uint8_t> blocks[3] = {Block(1), Block(2), Block(3, 400)};
    for (const auto& block : blocks)
      output.Write(block.data(), static_cast<uint32_t>(block.size()));
    output.Drain();
    output.Close();
    std::lock_guard<std::mutex> guard(reports.lock);
    EXPECT_EQ(reports.actions, c.actions);
    ASSERT_EQ(reports.blocks.size(), c.blocks);
    for (size_t i = 0; i < c.blocks; ++i) {
      EXPECT_EQ(reports.blocks[i], blocks[i]);
      EXPECT_EQ(reports.addresses[i], reports.addresses[0]);
    }
    if (c.blocks == 3) {
      EXPECT_EQ(reports.sizes, (std::vector<int32_t>{1764, 1764, 400}));
    }
  }
}

TEST_F(WaveDeviceOutputTest, WithoutADevice) {
  SoundDeviceChoice none("none");
  WaveDeviceOutput output(errors_, MpegRules, seeking_);
  EXPECT_EQ(OpenCode(output), qvOutputFailure);
  QVByteBool separate = 5;
  uint32_t volume = 7;
  EXPECT_FALSE(output.CanSetVolume(settings_, &separate));
  EXPECT_FALSE(output.GetVolume(settings_, &volume));
  EXPECT_FALSE(output.SetVolume(settings_, 0));
  EXPECT_EQ(separate, 5);
  EXPECT_EQ(volume, 7u);
  EXPECT_EQ(errors_.Get(), 0);
}

TEST_F(WaveDeviceOutputTest, VolumeWithAndWithoutAnOpenDevice) {
  WaveDeviceOutput output(errors_, MpegRules, seeking_);
  QVByteBool separate = 0;
  EXPECT_TRUE(output.CanSetVolume(settings_, &separate));
  EXPECT_EQ(separate, 1);
  // Nothing open: a device is opened for the call, and the device keeps the volume.
  EXPECT_TRUE(output.SetVolume(settings_, 0x40001234));
  uint32_t volume = 0;
  EXPECT_TRUE(output.GetVolume(settings_, &volume));
  EXPECT_EQ(volume, 0x40001234u);

  ASSERT_EQ(OpenCode(output), 0);
  EXPECT_TRUE(output.GetVolume(settings_, &volume));
  EXPECT_EQ(volume, 0x40001234u);
  EXPECT_TRUE(output.SetVolume(settings_, 0xFFFFFFFF));
  output.Close();
  EXPECT_TRUE(output.GetVolume(settings_, &volume));
  EXPECT_EQ(volume, 0xFFFFFFFFu);
  EXPECT_EQ(errors_.Get(), 0);

  // A device number the machine does not have.
  settings_.DeviceNumber = 3;
  EXPECT_FALSE(output.CanSetVolume(settings_, &separate));
  EXPECT_FALSE(output.SetVolume(settings_, 0));
  EXPECT_EQ(OpenCode(output), qvOutputFailure);
}

}  // namespace
