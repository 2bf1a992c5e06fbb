#include "platform/classlib/FileStream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/win32/Library.h"
#include "tests/support/PlatformRoot.h"
#include "tests/support/Files.h"

namespace {

template <typename Error, typename Action>
std::string MessageOf(Action action) {
  try {
    action();
  } catch (const Error& error) {
    return error.Message();
  }
  return "<no error>";
}

class FileStreamTest : public ::testing::Test {
 protected:
  PlatformRoot FRoot;
  std::string FFile = FRoot.Scratch() + "/data.bin";
};

TEST_F(FileStreamTest, CreateWriteSeekAndRead) {
  {
    std::ofstream(FFile) << "old contents that are longer";
    TFileStream stream(FFile, fmCreate);
    EXPECT_EQ(stream.Size(), 0);
    stream.WriteBuffer("abc\0def", 7);
    EXPECT_EQ(stream.Position(), 7);
    EXPECT_EQ(stream.Seek(-4, soCurrent), 3);
    char byte = 0;
    stream.ReadBuffer(&byte, 1);
    EXPECT_EQ(byte, '\0');
  }
  EXPECT_EQ(ReadText(FFile), std::string("abc\0def", 7));

  TFileStream stream(FFile, fmOpenRead | fmShareDenyWrite);
  EXPECT_EQ(stream.Size(), 7);
  EXPECT_EQ(stream.Seek(-3, soEnd), 4);
  char rest[8] = {};
  EXPECT_EQ(stream.Read(rest, sizeof rest), 3);
  EXPECT_STREQ(rest, "def");
  EXPECT_EQ(stream.Read(rest, sizeof rest), 0);
  EXPECT_EQ(stream.Seek(-1, soBeginning), -1);
  EXPECT_EQ(MessageOf<EReadError>([&] { stream.ReadBuffer(rest, 1); }), "Stream read error");
  // A read-only stream takes nothing.
  EXPECT_EQ(MessageOf<EWriteError>([&] { stream.WriteBuffer("x", 1); }), "Stream write error");
}

TEST_F(FileStreamTest, FailuresNameTheFile) {
  const std::string missing = FRoot.Scratch() + "/no such file.mp3";
  EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream(missing, fmOpenRead); }),
            "Cannot open file " + missing);
  const std::string nowhere = FRoot.Scratch() + "/no folder/out.wav";
  EXPECT_EQ(MessageOf<EFCreateError>([&] { TFileStream(nowhere, fmCreate); }),
            "Cannot create file " + nowhere);
  EXPECT_EQ(MessageOf<EFCreateError>([&] { TFileStream(FRoot.Scratch(), fmCreate); }),
            "Cannot create file " + FRoot.Scratch());
  EXPECT_FALSE(std::filesystem::exists(nowhere));
}

TEST_F(FileStreamTest, FullDiskIsAStreamWriteError) {
  TFileStream stream("/dev/full", fmOpenWrite);
  EXPECT_EQ(MessageOf<EWriteError>([&] { stream.WriteBuffer("data", 4); }), "Stream write error");
}

TEST_F(FileStreamTest, LoadedLibraryCannotBeReplacedOrOpenedForWriting) {
#ifndef TEST_LIBRARY
  GTEST_SKIP() << "no test library in this build";
#else
  const std::string module = FRoot.Scratch() + "/teskdec.dll";
  std::filesystem::copy_file(TEST_LIBRARY, module);
  const std::string image = ReadText(module);
  HMODULE loaded = LoadLibraryA(module.c_str());
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(MessageOf<EFCreateError>([&] { TFileStream(module, fmCreate); }),
            "Cannot create file " + module);
  EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream(module, fmOpenReadWrite); }),
            "Cannot open file " + module);
  { TFileStream reader(module, fmOpenRead | fmShareDenyWrite); }
  EXPECT_EQ(ReadText(module), image);
  FreeLibrary(loaded);
  { TFileStream(module, fmCreate); }
  EXPECT_EQ(std::filesystem::file_size(module), 0u);
#endif
}

}  // namespace
