#include "controls/ShellFolders.h"

#include <vector>

#include "platform/classlib/Registry.h"
#include "platform/win32/Machine.h"

namespace {

constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string ShellFolder(const char* name) {
  TRegistry registry;
  registry.SetRootKey(HKEY_CURRENT_USER);
  // When the key can be neither opened nor created, the value is looked for at the root,
  // where it is normally missing.
  registry.OpenKey(kShellFolders, true);
  return registry.ReadString(name) + "/";
}

}  // namespace

std::string TShellFolders::GetWindowsDir() {
  std::vector<char> buffer(255);
  UINT length = GetWindowsDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
  // A path that does not fit gives the size it needs: ask again with that much room rather
  // than return part of a buffer.
  if (length >= buffer.size()) {
    buffer.resize(length);
    length = GetWindowsDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length >= buffer.size()) length = 0;
  }
  return std::string(buffer.data(), length) + "/";
}

std::string TShellFolders::GetDesktop() { return ShellFolder("Desktop"); }

std::string TShellFolders::GetPrograms() { return ShellFolder("Programs"); }
