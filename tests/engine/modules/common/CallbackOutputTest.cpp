#include "engine/modules/common/CallbackOutput.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/modules/common/ModuleFailure.h"
#include "tests/support/FailureCode.h"

namespace {

struct Host {
  std::vector<int> actions;
  std::vector<void*> addresses;
  std::vector<std::vector<uint8_t>> blocks;
  std::vector<int32_t> formats;  // bits, channels, rate per block
  bool acceptStart = true;
  int refuseBlock = -1;  // index of the block answered false
};

QVBool WINAPI Action(QVByteBool init, QVUserValue user) {
  auto* host = reinterpret_cast<Host*>(user);
  host->actions.push_back(init);
  return init ? (host->acceptStart ? 0x100 | 1 : 0x100) : 0;  // only the low byte counts
}

QVBool WINAPI Data(void* samples, int32_t bits, int32_t channels, int32_t rate, int32_t size,
                   QVUserValue user) {
  auto* host = reinterpret_cast<Host*>(user);
  host->addresses.push_back(samples);
  auto* bytes = static_cast<uint8_t*>(samples);
  host->blocks.emplace_back(bytes, bytes + size);
  host->formats.insert(host->formats.end(), {bits, channels, rate});
  return static_cast<int>(host->blocks.size()) - 1 == host->refuseBlock ? 0 : 1;
}

class CallbackOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.OutputMode = omCallback;
    settings_.DataCallback = Data;
    settings_.ActionCallback = Action;
    settings_.OutputUser = reinterpret_cast<QVUserValue>(&host_);
    settings_.BufferSize = 256;
    settings_.SampleRate = 32000;
  }
  int32_t OpenCode() {
    return FailureCode([&] { out_.Open(settings_); });
  }
  int32_t WriteCode(const std::vector<uint8_t>& block) {
    return FailureCode(
        [&] { out_.Write(settings_, block.data(), static_cast<uint32_t>(block.size())); });
  }

  Host host_;
  OutputSettings settings_;
  CallbackOutput out_;
};

TEST_F(CallbackOutputTest, ReportsStartBlocksAndEnd) {
  ASSERT_EQ(OpenCode(), 0);
  std::vector<uint8_t> a(256, 1), b(256, 2), shortLast(128, 3);
  EXPECT_EQ(WriteCode(a), 0);
  EXPECT_EQ(WriteCode(b), 0);
  EXPECT_EQ(WriteCode(shortLast), 0);
  out_.Close(settings_);
  EXPECT_EQ(host_.actions, (std::vector<int>{1, 0}));
  ASSERT_EQ(host_.blocks.size(), 3u);
  EXPECT_EQ(host_.blocks[0], a);
  EXPECT_EQ(host_.blocks[1], b);
  EXPECT_EQ(host_.blocks[2], shortLast);
  // One staging buffer, not the caller's block.
  EXPECT_EQ(host_.addresses[0], host_.addresses[1]);
  EXPECT_NE(host_.addresses[0], static_cast<void*>(a.data()));
  EXPECT_EQ(host_.formats, (std::vector<int32_t>{16, 2, 32000, 16, 2, 32000, 16, 2, 32000}));
}

TEST_F(CallbackOutputTest, RefusedStartOrMissingCallbackFailsTheOpen) {
  host_.acceptStart = false;
  EXPECT_EQ(OpenCode(), qvOutputFailure);
  EXPECT_EQ(host_.actions, std::vector<int>{1});

  host_.actions.clear();
  settings_.DataCallback = nullptr;
  EXPECT_EQ(OpenCode(), qvOutputFailure);
  settings_.DataCallback = Data;
  settings_.ActionCallback = nullptr;
  EXPECT_EQ(OpenCode(), qvOutputFailure);
  EXPECT_TRUE(host_.actions.empty());
}

TEST_F(CallbackOutputTest, RefusedBlockFailsWithOutputCode) {
  host_.refuseBlock = 2;
  ASSERT_EQ(OpenCode(), 0);
  std::vector<uint8_t> block(256, 9);
  EXPECT_EQ(WriteCode(block), 0);
  EXPECT_EQ(WriteCode(block), 0);
  EXPECT_EQ(WriteCode(block), qvOutputFailure);
}

TEST_F(CallbackOutputTest, BlockLongerThanTheBufferArrivesWhole) {
  ASSERT_EQ(OpenCode(), 0);
  std::vector<uint8_t> big(1000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i);
  EXPECT_EQ(WriteCode(big), 0);
  ASSERT_EQ(host_.blocks.size(), 1u);
  EXPECT_EQ(host_.blocks[0], big);
}

TEST_F(CallbackOutputTest, WaveDeviceModeReportsOnlyWhenSwitchedOn) {
  settings_.OutputMode = omMMSystem;
  out_.AllocateStaging(settings_.BufferSize);
  std::vector<uint8_t> block(256, 4);
  EXPECT_EQ(WriteCode(block), 0);
  EXPECT_TRUE(host_.blocks.empty());
  settings_.UseOutputCallbacks = true;
  EXPECT_EQ(WriteCode(block), 0);
  EXPECT_EQ(host_.blocks.size(), 1u);
}

}  // namespace
