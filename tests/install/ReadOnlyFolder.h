// A folder that this process may not change, the superuser included, for as long as the
// object lives. The superuser ignores file modes: the folder is then bind-mounted read-only
// in a private mount namespace of this process (a test's own child); anyone else loses the
// folder's write bits.
#pragma once

#include <sys/types.h>

#include <string>

namespace install_test {

class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(std::string Folder);
  ~ReadOnlyFolder();
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

  // Empty when the folder is read-only now, otherwise why not.
  const std::string& Failure() const { return FFailure; }

 private:
  std::string FFolder;
  std::string FFailure;
  bool FMounted = false;
  mode_t FMode = 0;
};

}  // namespace install_test
