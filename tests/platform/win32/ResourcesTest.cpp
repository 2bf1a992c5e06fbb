#include "platform/win32/Resources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include "tests/support/Files.h"

namespace {

std::string Load(const char* name, const char* type) {
  HRSRC found = FindResourceA(nullptr, name, type);
  if (found == nullptr) return "<missing>";
  HGLOBAL loaded = LoadResource(nullptr, found);
  const auto* bytes = static_cast<const char*>(LockResource(loaded));
  return std::string(bytes, SizeofResource(nullptr, found));
}

TEST(ResourcesTest, LinkedFilesComeBackByteForByte) {
  const std::string payload = ReadText(FixturePath("win32/resource-payload.bin"));
  ASSERT_EQ(payload.size(), 260u);
  EXPECT_EQ(Load("Decoder", "Module"), payload);
  EXPECT_EQ(Load("Odd", "Module"),
            ReadText(BRASSEL_BINARY_DIR "/tests/platform/win32/resource dir/it's \"odd\" #1.txt"));
  EXPECT_EQ(Load("Empty", "Application"), "");
  const std::string built = ReadText(BUILT_RESOURCE_FILE);
  EXPECT_FALSE(built.empty());
  EXPECT_EQ(Load("Built", "Module"), built);
}

TEST(ResourcesTest, LookupByTypeAndNameIgnoresCase) {
  HRSRC decoder = FindResourceA(nullptr, "Decoder", "Module");
  ASSERT_NE(decoder, nullptr);
  EXPECT_EQ(FindResourceA(nullptr, "DECODER", "module"), decoder);
  EXPECT_EQ(FindResourceA(nullptr, "Decoder", "Application"), nullptr);
  EXPECT_EQ(FindResourceA(nullptr, "WMA", "Module"), nullptr);
  EXPECT_EQ(FindResourceA(nullptr, reinterpret_cast<LPCSTR>(1), "Module"), nullptr);
  // Only the executable has resources.
  HMODULE other = reinterpret_cast<HMODULE>(0x1234);
  EXPECT_EQ(FindResourceA(other, "Decoder", "Module"), nullptr);
  EXPECT_EQ(LockResource(nullptr), nullptr);
  EXPECT_EQ(SizeofResource(nullptr, nullptr), 0u);
}

}  // namespace
