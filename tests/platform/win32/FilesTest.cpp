#include "platform/win32/Files.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "tests/support/TempFolder.h"
#include "tests/support/Files.h"

namespace {

TEST(FilesTest, WritesReadsAndPositions) {
  TempFolder dir;
  std::string path = dir.File("data.bin");
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, "abcdefgh", 8, &written, nullptr));
  EXPECT_EQ(written, 8u);
  CloseHandle(file);
  EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);

  file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(file, nullptr), 8u);
  EXPECT_EQ(SetFilePointer(file, -3, nullptr, FILE_END), 5u);
  char buffer[8] = {};
  DWORD read = 0;
  EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(std::string(buffer, read), "fgh");
  EXPECT_EQ(SetFilePointer(file, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  CloseHandle(file);

  file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  WriteFile(file, "xy", 2, &written, nullptr);
  CloseHandle(file);
  EXPECT_EQ(ReadText(path), "xy");
}

TEST(FilesTest, OpeningFailuresGiveThePlatformCodes) {
  TempFolder dir;
  EXPECT_EQ(
      CreateFileA(dir.File("absent").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
      INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(CreateFileA(dir.path().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

// Only a regular file opens for reading; a FIFO without a writer is refused at once instead of
// holding the caller, and the descriptor reads plainly and stays out of child processes.
TEST(FilesTest, OnlyARegularFileOpensForReading) {
  TempFolder dir;
  const std::string regular = dir.File("data.bin");
  std::ofstream(regular) << "abc";
  const std::string fifo = dir.File("pipe.mp3");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& refused :
       {fifo, dir.path().string(), std::string("/dev/null"), dir.File("missing.mp3")}) {
    SCOPED_TRACE(refused);
    EXPECT_EQ(OpenRegularFileForReading(refused.c_str()), -1);
  }
  const int file = OpenRegularFileForReading(regular.c_str());
  ASSERT_GE(file, 0);
  EXPECT_EQ(::fcntl(file, F_GETFL) & O_NONBLOCK, 0);
  EXPECT_NE(::fcntl(file, F_GETFD) & FD_CLOEXEC, 0);
  char buffer[4] = {};
  EXPECT_EQ(::read(file, buffer, sizeof buffer), 3);
  EXPECT_EQ(std::string(buffer, 3), "abc");
  ::close(file);
}

TEST(FilesTest, DeleteAttributesAndDirectories) {
  TempFolder dir;
  std::string sub = dir.File("sub");
  EXPECT_EQ(GetFileAttributesA(sub.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
  EXPECT_FALSE(CreateDirectoryA(sub.c_str(), nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(CreateDirectoryA(dir.File("no/such").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_TRUE(GetFileAttributesA(sub.c_str()) & FILE_ATTRIBUTE_DIRECTORY);

  std::string file = sub + "/a.wav";
  std::ofstream(file) << "x";
  EXPECT_EQ(GetFileAttributesA(file.c_str()), FILE_ATTRIBUTE_NORMAL);
  EXPECT_FALSE(DeleteFileA(sub.c_str()));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(DeleteFileA(file.c_str()));
  EXPECT_FALSE(DeleteFileA(file.c_str()));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

// A rename takes the place of the entry at the new name: a link is replaced itself, the file
// it pointed to stays as it was; a directory there is refused, as is an existing name without
// the flag to replace it.
TEST(FilesTest, MoveReplacesTheEntryAtTheNewName) {
  TempFolder dir;
  const std::string elsewhere = dir.File("elsewhere.txt");
  const std::string linked = dir.File("linked.exe");
  std::ofstream(elsewhere) << "keep";
  ASSERT_EQ(symlink(elsewhere.c_str(), linked.c_str()), 0);
  const std::string fresh = dir.File("fresh");
  std::ofstream(fresh) << "new";
  EXPECT_FALSE(MoveFileExA(fresh.c_str(), linked.c_str(), 0));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(MoveFileExA(fresh.c_str(), linked.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  struct stat info {};
  ASSERT_EQ(lstat(linked.c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(ReadText(linked), "new");
  EXPECT_EQ(ReadText(elsewhere), "keep");
  EXPECT_FALSE(std::filesystem::exists(fresh));

  const std::string folder = dir.File("folder");
  std::filesystem::create_directory(folder);
  EXPECT_FALSE(MoveFileExA(linked.c_str(), folder.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_EQ(ReadText(linked), "new");
  EXPECT_FALSE(MoveFileExA(dir.File("absent").c_str(), dir.File("other").c_str(), 0));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

// Programs and libraries are run by their names, so they are created executable; the umask
// still decides for whom.
TEST(FilesTest, ProgramsAndLibrariesAreCreatedExecutable) {
  TempFolder dir;
  const mode_t oldMask = umask(027);
  struct Case {
    const char* name;
    mode_t mode;
  };
  for (const Case& c : {Case{"Brassel.exe", 0750}, Case{"teskwma.dll", 0750},
                        Case{"SETUP.EXE", 0750}, Case{"Module.Dll", 0750}, Case{"setup.log", 0640},
                        Case{"song.wav", 0640}, Case{"exe", 0640}, Case{"notes.exe.txt", 0640}}) {
    const std::string path = dir.File(c.name);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << c.name;
    CloseHandle(file);
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, c.mode) << c.name;
  }
  // A program written over an older file that was not executable becomes runnable by whoever
  // may read it; a file opened without being replaced keeps its mode.
  const std::string old = dir.File("Uninstall.exe");
  std::ofstream(old) << "old";
  ASSERT_EQ(chmod(old.c_str(), 0604), 0);
  HANDLE file = CreateFileA(old.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  struct stat info {};
  ASSERT_EQ(stat(old.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0604u);
  file = CreateFileA(old.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  ASSERT_EQ(stat(old.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0705u);
  umask(oldMask);
}

TEST(FilesTest, ModuleFileNameOfTheProgramIsCutToTheBuffer) {
  char full[4096];
  DWORD length = GetModuleFileNameA(nullptr, full, sizeof full);
  ASSERT_GT(length, 5u);
  EXPECT_EQ(std::filesystem::path(std::string(full, length)).filename(), "win32_files_test");
  char small[5];
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 5u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::string(small), std::string(full, 4));
}

}  // namespace
