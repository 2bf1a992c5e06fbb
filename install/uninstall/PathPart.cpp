#include "install/uninstall/PathPart.h"

std::string GetPathPart(const std::string& Path) {
  // Paths here are split at "/" only: "\" is an ordinary character of a file name.
  const size_t last = Path.find_last_of('/');
  if (last == std::string::npos) return "Error";
  return Path.substr(0, last + 1);
}
