// A file input, which reads ahead, delivers every byte where a plain read of the file at that
// position would, through any mix of reads and seeks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/modules/mpeg/StreamInput.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

using namespace mpeg;

namespace {

struct Step {
  enum Kind { Read, Seek } What;
  int64_t Amount;  // bytes to read, or the seek's offset
  int32_t Origin;  // for a seek: 0 start, 1 current, 2 end
};

TEST(StreamInput, FileReadsAndSeeksDeliverTheFilesBytes) {
  // Larger than two read-ahead pieces, with bytes that tell their position.
  std::vector<uint8_t> bytes(100000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>((i * 131) ^ (i >> 8));
  TempFolder folder;
  const std::string path = folder.File("input.bin");
  WriteBytes(path, bytes);

  const std::vector<Step> steps = {
      {Step::Read, 4, 0},     {Step::Read, 417, 0},   {Step::Read, 1, 0},
      {Step::Seek, 0, 1},     {Step::Read, 40000, 0}, {Step::Seek, -500, 1},
      {Step::Read, 700, 0},   {Step::Seek, 1000, 1},  {Step::Read, 33000, 0},
      {Step::Seek, 10, 0},    {Step::Read, 6, 0},     {Step::Seek, 200, 1},
      {Step::Read, 10, 0},    {Step::Seek, -100, 1},  {Step::Read, 20, 0},
      {Step::Seek, -140, 1},  {Step::Read, 4, 0},     {Step::Seek, 32770, 0},
      {Step::Read, 2, 0},     {Step::Seek, 40000, 0}, {Step::Read, 10, 0},
      {Step::Read, 32758, 0}, {Step::Read, 32768, 0}, {Step::Seek, -20, 1},
      {Step::Read, 30, 0},    {Step::Seek, -128, 2},  {Step::Read, 127, 0},
      {Step::Read, 50, 0},    {Step::Seek, 99990, 0}, {Step::Read, 64, 0},
      {Step::Seek, -1, 0},    {Step::Read, 3, 0},     {Step::Seek, 5, 0},
      {Step::Read, 32768, 0}, {Step::Read, 32769, 0}, {Step::Read, 100000, 0},
  };
  StreamInput input;
  InputSource source;
  source.Mode = imFile;
  source.Name = path;
  QVByteBool canSetPosition = 1;
  input.Open(source, &canSetPosition);
  ASSERT_EQ(input.Position(), 0);
  int64_t position = 0;  // where a plain file would stand
  for (size_t n = 0; n < steps.size(); ++n) {
    const Step& step = steps[n];
    if (step.What == Step::Seek) {
      const int64_t base = step.Origin == 0   ? 0
                           : step.Origin == 1 ? position
                                              : static_cast<int64_t>(bytes.size());
      const bool possible = base + step.Amount >= 0;
      ASSERT_EQ(input.Seek(step.Amount, step.Origin), possible) << "step " << n;
      if (possible) position = base + step.Amount;
    } else {
      std::vector<uint8_t> got(static_cast<size_t>(step.Amount));
      int32_t delivered = -1;
      ASSERT_TRUE(input.Read(got.data(), static_cast<int32_t>(step.Amount), &delivered))
          << "step " << n;
      const int64_t expected =
          std::min<int64_t>(step.Amount, static_cast<int64_t>(bytes.size()) - position);
      ASSERT_EQ(delivered, expected) << "step " << n;
      ASSERT_TRUE(std::equal(got.begin(), got.begin() + delivered, bytes.begin() + position))
          << "step " << n;
      position += delivered;
    }
    ASSERT_EQ(input.Position(), position) << "step " << n;
  }
}

}  // namespace
