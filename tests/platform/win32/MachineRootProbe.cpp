// A program that tells where its machine lies: the Windows directory, the two hive paths and
// the user's desktop, one a line, before and after it changes its working folder to argv[2]. With
// argv[1] "ask-first" it asks before the change too; otherwise its first question comes after it.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/win32/Machine.h"

namespace {

void Tell() {
  char windows[4096];
  const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
  std::printf("%.*s\n%s\n%s\n%s\n", static_cast<int>(length < sizeof windows ? length : 0), windows,
              win32::UserHivePath().c_str(), win32::MachineHivePath().c_str(),
              win32::UserDesktopFolder().c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  if (std::string(argv[1]) == "ask-first") Tell();
  if (chdir(argv[2]) != 0) return 3;
  Tell();
  return 0;
}
