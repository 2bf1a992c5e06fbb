#include "platform/win32/Machine.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace win32 {
namespace {

// The working folder when the program started, or when the root was first asked for if that
// came earlier (a static initialiser elsewhere): a relative root is taken from there, so that
// a later change of the working folder (a file dialog makes one) moves nothing.
const std::string& StartFolder() {
  static const std::string folder = [] {
    std::error_code failed;
    std::string path = std::filesystem::current_path(failed).string();
    return failed ? std::string() : path;
  }();
  return folder;
}

[[maybe_unused]] const std::string& startFolderAtLoad = StartFolder();

// A relative path taken from the start folder; one that cannot be (no start folder) stays.
std::string FromStartFolder(const std::string& path) {
  if (path.empty() || path[0] == '/' || StartFolder().empty()) return path;
  return std::filesystem::path(StartFolder() + "/" + path).lexically_normal().string();
}

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
    return FromStartFolder(home);
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
    return entry->pw_dir;
  return "/";
}

std::string EnvironmentOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::string(value) : fallback;
}

// mkdir -p; failures show later, when the directory is used.
void MakeDirectories(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    std::string part = path.substr(0, slash);
    if (!part.empty() && mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return;
    if (slash == std::string::npos) return;
  }
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string WindowsDirectory() {
  std::string path = MachineRoot() + "/Windows";
  MakeDirectories(path);
  return path;
}

}  // namespace

std::string MachineRoot() {
  std::string root = EnvironmentOr(PLATFORM_ROOT_VARIABLE, "");
  if (root.empty())
    root =
        WithoutTrailingSlashes(EnvironmentOr("XDG_DATA_HOME", HomeDirectory() + "/.local/share")) +
        "/" PLATFORM_ROOT_FOLDER;
  root = WithoutTrailingSlashes(FromStartFolder(root));
  // The root stands for the system drive, which always has its programs folder.
  MakeDirectories(root + "/Program Files");
  return root;
}

std::string UserHivePath() { return MachineRoot() + "/user.hive"; }

std::string MachineHivePath() { return MachineRoot() + "/machine.hive"; }

std::string UserDesktopFolder() {
  const std::string home = HomeDirectory();
  const std::string config = EnvironmentOr("XDG_CONFIG_HOME", home + "/.config");
  std::ifstream dirs(config + "/user-dirs.dirs");
  std::string line;
  const std::string prefix = "XDG_DESKTOP_DIR=\"";
  while (std::getline(dirs, line)) {
    if (line.compare(0, prefix.size(), prefix) != 0) continue;
    size_t end = line.rfind('"');
    if (end < prefix.size()) continue;
    std::string value = line.substr(prefix.size(), end - prefix.size());
    if (value.compare(0, 5, "$HOME") == 0) value = home + value.substr(5);
    if (IsShellFolderPath(value)) return WithoutTrailingSlashes(value);
  }
  return WithoutTrailingSlashes(home) + "/Desktop";
}

std::vector<std::pair<std::string, std::string>> DefaultShellFolders() {
  // Handed out only once they exist, as a Windows profile always has them.
  std::string desktop = UserDesktopFolder();
  MakeDirectories(desktop);
  std::string programs = MachineRoot() + "/Programs";
  MakeDirectories(programs);
  return {{"Desktop", desktop}, {"Programs", programs}};
}

bool IsShellFolderPath(const std::string& folder) {
  if (folder.empty() || folder[0] != '/') return false;
  // How deep the path leads below the root, name by name, ".." climbing back.
  size_t depth = 0;
  for (size_t start = 1; start <= folder.size();) {
    size_t end = folder.find('/', start);
    if (end == std::string::npos) end = folder.size();
    const std::string_view name(folder.data() + start, end - start);
    if (name == "..")
      depth -= depth > 0 ? 1 : 0;
    else if (!name.empty() && name != ".")
      ++depth;
    start = end + 1;
  }
  return depth > 0;
}

void MakeShellFolder(const std::string& folder) {
  if (!folder.empty() && folder[0] == '/') MakeDirectories(folder);
}

}  // namespace win32

UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  const std::string path = win32::WindowsDirectory();
  const UINT length = static_cast<UINT>(path.size());
  if (buffer == nullptr || size <= length) return length + 1;
  std::memcpy(buffer, path.c_str(), length + 1);
  return length;
}
