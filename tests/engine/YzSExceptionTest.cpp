#include "engine/YzSException.h"

#include <gtest/gtest.h>

#include "engine/ErrorMessages.h"

namespace {

TEST(YzSExceptionTest, CarriesTheCodeAndItsText) {
  const std::pair<uint8_t, const char*> cases[] = {
      {0, "No error"},
      {1, "Requested operation is not implemented in the decoder"},
      {2, "Incorrect decoder mode"},
      {3, "Internal decoder error"},
      {4, "Invalid object handle passed to decoder"},
      {5, "Input stream failure"},
      {6, "Output device failure"},
      {7, "Not enough memory to perform an operation"},
      {8, "Decoder failed to allocate resources"},
      {9, "One of callback functions needed to perform an operation not defined"},
      {10, "Failed to load or initialize decoder module"},
      {11, "Module not initialized"},
  };
  for (auto [code, text] : cases) {
    TYzSException error(code);
    EXPECT_EQ(error.ErrorCode, code);
    EXPECT_EQ(error.Message(), text);
    EXPECT_LE(error.Message().size(), 100u);
    EXPECT_NE(error.Message().back(), '.');
  }
}

TEST(YzSExceptionTest, CodeOutsideTheTableNamesTheCode) {
  for (int code : {12, 255}) {
    TYzSException error(static_cast<uint8_t>(code));
    EXPECT_EQ(error.ErrorCode, code);
    EXPECT_EQ(error.Message(), "Unknown decoder error " + std::to_string(code));
  }
}

}  // namespace
