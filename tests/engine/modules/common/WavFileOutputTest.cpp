#include "engine/modules/common/WavFileOutput.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "engine/modules/common/ModuleFailure.h"
#include "tests/support/Files.h"

namespace {

namespace fs = std::filesystem;

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) { return LittleEndian32(&b.at(at)); }
uint16_t Le16(const std::vector<uint8_t>& b, size_t at) { return LittleEndian16(&b.at(at)); }

class WavFileOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("wavout-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    settings_.OutputName = (dir_ / "out.wav").string();
    settings_.Channels = 2;
    settings_.BitsPerSample = 16;
    settings_.SampleRate = 44100;
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
  OutputSettings settings_;
};

TEST_F(WavFileOutputTest, HeaderTableForTheModulesFormat) {
  settings_.SampleRate = 22050;
  std::vector<uint8_t> block(16384);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7);
  {
    WavFileOutput out;
    out.Open(settings_);
    out.Write(block.data(), static_cast<uint32_t>(block.size()));
    out.Write(block.data(), static_cast<uint32_t>(block.size()));
    out.Close();
  }
  const auto bytes = ReadBytes(*settings_.OutputName);
  ASSERT_EQ(bytes.size(), 46u + 2 * 16384);
  const std::vector<uint8_t> expected = {
      'R',  'I',  'F',  'F',  0x26, 0x80, 0x00, 0x00, 'W', 'A', 'V', 'E',  // RIFF size 38 + 32768
      'f',  'm',  't',  ' ',  18,   0,    0,    0,                         // fmt chunk
      1,    0,    2,    0,                                                 // PCM, 2 channels
      0x22, 0x56, 0x00, 0x00,                                              // 22050
      0x88, 0x58, 0x01, 0x00,                                              // 88200
      4,    0,    16,   0,    0,    0,                                     // align, bits, cbSize
      'd',  'a',  't',  'a',  0x00, 0x80, 0x00, 0x00};                     // data size 32768
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 46), expected);
  EXPECT_TRUE(std::equal(block.begin(), block.end(), bytes.begin() + 46));
  EXPECT_TRUE(std::equal(block.begin(), block.end(), bytes.begin() + 46 + 16384));
}

// A file whose writer is killed is a valid WAV file of the blocks written so far.
TEST_F(WavFileOutputTest, TheHeaderDescribesEveryBlockOnceWritten) {
  const std::vector<uint8_t> block(4096, 0x5A);
  WavFileOutput out;
  out.Open(settings_);
  for (uint32_t blocks = 1; blocks <= 3; ++blocks) {
    out.Write(block.data(), static_cast<uint32_t>(block.size()));
    const auto bytes = ReadBytes(*settings_.OutputName);
    ASSERT_EQ(bytes.size(), 46u + blocks * 4096);
    EXPECT_EQ(Le32(bytes, 42), blocks * 4096);
    EXPECT_EQ(Le32(bytes, 4), 38 + blocks * 4096);
  }
  EXPECT_TRUE(out.Close());
  EXPECT_EQ(fs::file_size(*settings_.OutputName), 46u + 3 * 4096);
}

TEST_F(WavFileOutputTest, NoBlockGivesTheBareHeader) {
  WavFileOutput out;
  out.Open(settings_);
  out.Close();
  const auto bytes = ReadBytes(*settings_.OutputName);
  ASSERT_EQ(bytes.size(), 46u);
  EXPECT_EQ(Le32(bytes, 4), 38u);
  EXPECT_EQ(Le32(bytes, 42), 0u);
  EXPECT_EQ(Le32(bytes, 24), 44100u);
  EXPECT_EQ(Le32(bytes, 28), 176400u);
}

TEST_F(WavFileOutputTest, OddDataLengthIsPadded) {
  settings_.Channels = 1;
  settings_.BitsPerSample = 8;
  settings_.SampleRate = 11025;
  const uint8_t block[3] = {1, 2, 3};
  WavFileOutput out;
  out.Open(settings_);
  out.Write(block, 3);
  out.Close();
  const auto bytes = ReadBytes(*settings_.OutputName);
  ASSERT_EQ(bytes.size(), 46u + 4);
  EXPECT_EQ(Le32(bytes, 42), 3u);
  EXPECT_EQ(Le32(bytes, 4), 42u);
  EXPECT_EQ(bytes[49], 0);
  EXPECT_EQ(Le16(bytes, 22), 1);
  EXPECT_EQ(Le32(bytes, 28), 11025u);
  EXPECT_EQ(Le16(bytes, 32), 1);
  EXPECT_EQ(Le16(bytes, 34), 8);
}

TEST_F(WavFileOutputTest, ExistingFileIsReplaced) {
  {
    std::ofstream old(*settings_.OutputName, std::ios::binary);
    old << std::string(100000, 'x');
  }
  WavFileOutput out;
  out.Open(settings_);
  out.Close();
  EXPECT_EQ(fs::file_size(*settings_.OutputName), 46u);
}

TEST_F(WavFileOutputTest, UncreatableNameFailsWithOutputCode) {
  const std::optional<std::string> names[] = {(dir_ / "missing" / "out.wav").string(),
                                              dir_.string(), std::nullopt};
  for (const auto& name : names) {
    settings_.OutputName = name;
    WavFileOutput out;
    try {
      out.Open(settings_);
      ADD_FAILURE() << "opened " << name.value_or("(none)");
    } catch (const ModuleFailure& failure) {
      EXPECT_EQ(failure.Code, qvOutputFailure);
    }
    out.Close();
  }
}

}  // namespace
