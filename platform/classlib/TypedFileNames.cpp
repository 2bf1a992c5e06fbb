#include "platform/classlib/TypedFileNames.h"

std::vector<std::string> TypedFileNames(const std::string& Text, const std::string& Folder) {
  const std::string joint = Folder.empty() || Folder.back() == '/' ? "" : "/";
  std::vector<std::string> names;
  // Every second piece between the quotes is a name; the pieces around them only part them.
  // An unclosed last quote runs to the end.
  for (size_t open = Text.find('"'); open != std::string::npos;) {
    const size_t close = Text.find('"', open + 1);
    const std::string name =
        Text.substr(open + 1, close == std::string::npos ? close : close - open - 1);
    if (!name.empty()) names.push_back(name.front() == '/' ? name : Folder + joint + name);
    open = close == std::string::npos ? close : Text.find('"', close + 1);
  }
  return names;
}
