#include "platform/win32/Library.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/support/TempFolder.h"

namespace {

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Dir.path().empty());
    std::filesystem::copy_file(TEST_LIBRARY, Copy);
  }
  TempFolder Dir;
  std::string Copy = Dir.File("teskdec.dll");
};

TEST_F(LibraryTest, LoadsBindsAndFrees) {
  HMODULE module = LoadLibraryA(Copy.c_str());
  ASSERT_NE(module, nullptr);
  auto answer =
      reinterpret_cast<int (*)()>(reinterpret_cast<void*>(GetProcAddress(module, "TestAnswer")));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(GetProcAddress(module, "QVEQ"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);

  char name[4096];
  DWORD length = GetModuleFileNameA(module, name, sizeof name);
  EXPECT_EQ(std::string(name, length), Copy);

  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_FALSE(FreeLibrary(module));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(LibraryTest, RelativeNameIsTakenFromTheCurrentDirectory) {
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(Dir.path().c_str()), 0);
  HMODULE module = LoadLibraryA("teskdec.dll");
  ASSERT_EQ(chdir(previous), 0);
  ASSERT_NE(module, nullptr);
  char name[4096];
  DWORD length = GetModuleFileNameA(module, name, sizeof name);
  EXPECT_EQ(std::string(name, length), Copy);
  EXPECT_TRUE(IsFileLoadedAsLibrary(Copy.c_str()));
  FreeLibrary(module);
  EXPECT_FALSE(IsFileLoadedAsLibrary(Copy.c_str()));
}

TEST_F(LibraryTest, MissingOrBrokenFilesDoNotLoad) {
  EXPECT_EQ(LoadLibraryA(Dir.File("absent.dll").c_str()), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(LoadLibraryA(""), nullptr);
  std::ofstream(Dir.File("text.dll")) << "not a library";
  EXPECT_EQ(LoadLibraryA(Dir.File("text.dll").c_str()), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_BAD_EXE_FORMAT);
  // A failed load leaves no lock behind.
  EXPECT_FALSE(IsFileLoadedAsLibrary(Dir.File("text.dll").c_str()));
  EXPECT_TRUE(DeleteFileA(Dir.File("text.dll").c_str()));
}

TEST_F(LibraryTest, LoadedFileCannotBeWrittenOrDeletedUntilTheLastFree) {
  HMODULE first = LoadLibraryA(Copy.c_str());
  HMODULE second = LoadLibraryA(Copy.c_str());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_TRUE(IsFileLoadedAsLibrary(Copy.c_str()));

  EXPECT_FALSE(DeleteFileA(Copy.c_str()));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(CreateFileA(Copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  // Reading stays allowed.
  HANDLE reader = CreateFileA(Copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  CloseHandle(reader);

  FreeLibrary(first);
  EXPECT_TRUE(IsFileLoadedAsLibrary(Copy.c_str()));
  FreeLibrary(second);
  EXPECT_FALSE(IsFileLoadedAsLibrary(Copy.c_str()));
  EXPECT_TRUE(DeleteFileA(Copy.c_str()));
}

// A child process loads the library; this process may then neither write nor delete it.
TEST_F(LibraryTest, LibraryLoadedByAnotherProcessIsProtected) {
  int toChild[2];
  int fromChild[2];
  ASSERT_EQ(pipe2(toChild, O_CLOEXEC), 0);
  ASSERT_EQ(pipe2(fromChild, O_CLOEXEC), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(toChild[0], STDIN_FILENO);
    dup2(fromChild[1], STDOUT_FILENO);
    execl(LIBRARY_HOLDER, LIBRARY_HOLDER, Copy.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(toChild[0]);
  close(fromChild[1]);
  char ready = 0;
  ASSERT_EQ(read(fromChild[0], &ready, 1), 1);
  EXPECT_EQ(ready, 'R');

  EXPECT_TRUE(IsFileLoadedAsLibrary(Copy.c_str()));
  EXPECT_FALSE(DeleteFileA(Copy.c_str()));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(CreateFileA(Copy.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                        nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_TRUE(std::filesystem::exists(Copy));

  close(toChild[1]);  // the child frees the library and ends
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  close(fromChild[0]);
  EXPECT_TRUE(DeleteFileA(Copy.c_str()));
}

}  // namespace
