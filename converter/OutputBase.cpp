#include "converter/OutputBase.h"

#include "converter/PathParts.h"

std::string OutputBaseOf(const std::string& Entry) {
  const long folder = static_cast<long>(FolderPart(Entry).size());
  const long total = static_cast<long>(Entry.size());
  // One-based start at the folder's last character (its "/"), length total - folder - 3.
  long start = folder < 1 ? 1 : folder;
  long count = total - folder - 3;
  if (count <= 0 || start > total) return std::string();
  return Entry.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count));
}
