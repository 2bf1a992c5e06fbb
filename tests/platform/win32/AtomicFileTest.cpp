#include "platform/win32/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/PlatformRoot.h"

namespace {

TEST(AtomicFileTest, WhoMayWrite) {
  PlatformRoot root;
  const std::string dir = root.Scratch();
  std::ofstream(dir + "/writable") << "x";
  std::ofstream(dir + "/readonly") << "x";
  chmod((dir + "/readonly").c_str(), 0444);
  std::filesystem::create_directory(dir + "/locked");
  std::ofstream(dir + "/locked/inside") << "x";
  chmod((dir + "/locked").c_str(), 0555);
  std::filesystem::create_directory(dir + "/folder");

  struct Case {
    std::string Path;
    bool MayWrite;
  };
  const Case cases[] = {
      {dir + "/writable", true},     {dir + "/readonly", false},      {dir + "/new", true},
      {dir + "/locked/new", false},  {dir + "/locked/inside", false}, {dir + "/folder", false},
      {dir + "/missing/new", false},
  };
  for (const Case& c : cases) EXPECT_EQ(win32::MayWriteFile(c.Path), c.MayWrite) << c.Path;
}

TEST(AtomicFileTest, ReplaceAndReadBack) {
  PlatformRoot root;
  const std::string file = root.Scratch() + "/data";
  const std::string bytes("line\r\n\0\xFF", 8);
  ASSERT_EQ(win32::ReplaceFileContents(file, bytes), ERROR_SUCCESS);
  std::string read;
  DWORD error = 0;
  ASSERT_TRUE(win32::ReadWholeFile(file, read, error));
  EXPECT_EQ(read, bytes);

  EXPECT_FALSE(win32::ReadWholeFile(root.Scratch() + "/absent", read, error));
  EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(win32::ReadWholeFile(root.Scratch() + "/no/absent", read, error));
  EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(win32::ReplaceFileContents(root.Scratch() + "/no/file", "x"), ERROR_PATH_NOT_FOUND);
  chmod(file.c_str(), 0444);
  EXPECT_EQ(win32::ReplaceFileContents(file, "other"), ERROR_ACCESS_DENIED);
  ASSERT_TRUE(win32::ReadWholeFile(file, read, error));
  EXPECT_EQ(read, bytes);
}

// Only a regular file is read, without waiting for anything, and no more of it than asked.
TEST(AtomicFileTest, ReadsOnlyRegularFilesUpToTheLimit) {
  PlatformRoot root;
  const std::string dir = root.Scratch();
  std::ofstream(dir + "/ten") << "0123456789";
  ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0666), 0);
  std::filesystem::create_directory(dir + "/folder");
  std::ofstream(dir + "/sparse") << "x";
  ASSERT_EQ(truncate((dir + "/sparse").c_str(), off_t{4} << 30), 0);
  const struct {
    std::string Path;
    size_t Limit;
    win32::FileRead Outcome;
    DWORD Error;
  } cases[] = {
      {dir + "/ten", 10, win32::FileRead::Read, ERROR_SUCCESS},
      {dir + "/ten", 9, win32::FileRead::TooLarge, ERROR_NOT_ENOUGH_MEMORY},
      {dir + "/sparse", 1 << 20, win32::FileRead::TooLarge, ERROR_NOT_ENOUGH_MEMORY},
      {dir + "/absent", 10, win32::FileRead::Missing, ERROR_FILE_NOT_FOUND},
      {dir + "/fifo", 10, win32::FileRead::NotAFile, ERROR_ACCESS_DENIED},
      {dir + "/folder", 10, win32::FileRead::NotAFile, ERROR_ACCESS_DENIED},
  };
  for (const auto& c : cases) {
    std::string read = "left over";
    DWORD error = 0xFFFF;
    EXPECT_EQ(win32::ReadFileUpTo(c.Path, c.Limit, read, error), c.Outcome) << c.Path;
    EXPECT_EQ(error, c.Error) << c.Path;
    EXPECT_EQ(read, c.Outcome == win32::FileRead::Read ? "0123456789" : "") << c.Path;
  }
  // Private profiles read the same way: a FIFO is no file to wait for.
  std::string read;
  DWORD error = 0;
  EXPECT_FALSE(win32::ReadWholeFile(dir + "/fifo", read, error));
  EXPECT_EQ(error, ERROR_ACCESS_DENIED);
}

}  // namespace
