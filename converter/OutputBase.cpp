#include "converter/OutputBase.h"

#include "converter/PathParts.h"

std::string OutputBaseOf(const std::string& Entry) {
  const std::string name = Entry.substr(FolderPart(Entry).size());
  return name.substr(0, name.size() - FileExtension(name).size());
}

std::string OutputFileOf(const std::string& Directory, const std::string& Base) {
  const bool endsInSlash = !Directory.empty() && Directory.back() == '/';
  return Directory + (endsInSlash ? "" : "/") + Base + ".wav";
}
