#include "converter/PathParts.h"

std::string FolderPart(const std::string& Path) {
  const auto slash = Path.rfind('/');
  return slash == std::string::npos ? std::string() : Path.substr(0, slash + 1);
}

std::string FileExtension(const std::string& Path) {
  const auto dot = Path.rfind('.');
  if (dot == std::string::npos || dot < FolderPart(Path).size()) return std::string();
  return Path.substr(dot);
}

bool IsMpegExtension(const std::string& Extension) {
  return Extension == ".mpg" || Extension == ".mp2" || Extension == ".mp3";
}
