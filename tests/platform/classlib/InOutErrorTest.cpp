#include "platform/classlib/InOutError.h"

#include <gtest/gtest.h>

namespace {

TEST(InOutErrorTest, MessagesByCode) {
  struct Case {
    int Code;
    const char* Message;
  };
  const Case cases[] = {
      {2, "File not found"},          {3, "Invalid filename"},          {4, "Too many open files"},
      {5, "File access denied"},      {100, "Read beyond end of file"}, {101, "Disk full"},
      {106, "Invalid numeric input"}, {183, "I/O error 183"},           {0, "I/O error 0"}};
  for (const Case& c : cases) {
    EInOutError error(c.Code);
    EXPECT_EQ(error.Message(), c.Message);
    EXPECT_EQ(error.ErrorCode, c.Code);
  }
}

}  // namespace
