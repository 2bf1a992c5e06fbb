// Runs an installed program as a process of its own that cannot reach the build tree: the
// process gets a private mount namespace in which an empty file system lies over the build
// and source folders, so any path into them that the program still holds fails there as it
// would on a machine without them. The superuser gets the namespace directly, anyone else
// inside a user namespace of their own.
#pragma once

#include <string>
#include <vector>

namespace install_test {

struct ProcessResult {
  int Status = -1;     // the exit status, 128 + the signal, or -1 when it could not run
  std::string Output;  // standard output and error together
};

// Runs Program with Arguments in Folder with exactly the given environment ("NAME=value"),
// waits for it at most TimeoutSeconds (then kills it) and returns how it ended.
ProcessResult RunWithoutBuildTree(const std::string& Program,
                                  const std::vector<std::string>& Arguments,
                                  const std::vector<std::string>& Environment,
                                  const std::string& Folder, int TimeoutSeconds);

// Empty when such a process can be made here, otherwise why not.
std::string WhyNoIsolatedProcess();

}  // namespace install_test
