#include "platform/classlib/ResourceStream.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/classlib/FileStream.h"
#include "tests/support/PlatformRoot.h"
#include "tests/support/Files.h"

using namespace std::string_literals;

namespace {

TEST(ResourceStreamTest, SavedResourceIsTheLinkedFile) {
  PlatformRoot root;
  const std::string target = root.Scratch() + "/teskdec.dll";
  std::ofstream(target) << "an older, longer module file that must disappear entirely";
  TResourceStream stream(nullptr, "Decoder", "Module");
  EXPECT_EQ(stream.Size(), 260);
  stream.SaveToFile(target);
  EXPECT_EQ(ReadText(target), ReadText(FixturePath("win32/resource-payload.bin")));

  char first[3];
  stream.SetPosition(254);
  EXPECT_EQ(stream.Read(first, 3), 3);
  EXPECT_EQ(std::string(first, 3), "\xFE\xFF\0"s);
}

TEST(ResourceStreamTest, Failures) {
  PlatformRoot root;
  try {
    TResourceStream stream(nullptr, "File1", "Application");
    FAIL();
  } catch (const EResNotFound& error) {
    EXPECT_EQ(error.Message(), "Resource File1 not found");
  }
  TResourceStream stream(nullptr, "Decoder", "Module");
  const std::string nowhere = root.Scratch() + "/missing/teskdec.dll";
  try {
    stream.SaveToFile(nowhere);
    FAIL();
  } catch (const EFCreateError& error) {
    EXPECT_EQ(error.Message(), "Cannot create file " + nowhere);
  }
  TFileStream full("/dev/full", fmOpenWrite);
  EXPECT_THROW(stream.SaveToStream(&full), EWriteError);
  EXPECT_THROW(stream.Write("x", 1), EStreamError);
}

}  // namespace
