// A fresh platform root for one test: BRASSEL_ROOT points into a new temporary directory,
// and so do HOME and the XDG folders (the runtime folder too), so nothing of the real user's
// machine is read or changed. The previous environment comes back at the end.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

class PlatformRoot {
 public:
  PlatformRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "win32-root-XXXXXX").string();
    FBase = mkdtemp(pattern.data()) != nullptr ? pattern : "";
    Set("BRASSEL_ROOT", FBase + "/root");
    Set("HOME", FBase + "/home");
    Set("XDG_CONFIG_HOME", FBase + "/home/.config");
    Set("XDG_DATA_HOME", FBase + "/home/.local/share");
    std::filesystem::create_directories(FBase + "/home/.config");
    // The session's folder for runtime files, only the user's, as a login makes it.
    Set("XDG_RUNTIME_DIR", FBase + "/run");
    std::filesystem::create_directories(FBase + "/run");
    std::filesystem::permissions(FBase + "/run", std::filesystem::perms::owner_all);
  }
  ~PlatformRoot() {
    for (auto& [name, value] : FSaved) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
    std::error_code ignored;
    std::filesystem::permissions(FBase, std::filesystem::perms::all, ignored);
    for (auto& entry : std::filesystem::recursive_directory_iterator(FBase, ignored))
      std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(FBase, ignored);
  }
  PlatformRoot(const PlatformRoot&) = delete;
  PlatformRoot& operator=(const PlatformRoot&) = delete;

  // The platform root (BRASSEL_ROOT), the temporary home, and a scratch folder beside them.
  std::string Root() const { return FBase + "/root"; }
  std::string Home() const { return FBase + "/home"; }
  std::string Scratch() const {
    std::filesystem::create_directories(FBase + "/scratch");
    return FBase + "/scratch";
  }

  void Set(const std::string& name, const std::string& value) {
    if (FSaved.find(name) == FSaved.end()) {
      const char* old = getenv(name.c_str());
      FSaved[name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
    }
    setenv(name.c_str(), value.c_str(), 1);
  }

 private:
  std::string FBase;
  std::map<std::string, std::optional<std::string>> FSaved;
};
