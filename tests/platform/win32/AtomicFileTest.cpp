#include "platform/win32/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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

}  // namespace
