#include "converter/ConfigFile.h"

#include "converter/PathParts.h"
#include "platform/win32/Files.h"

std::string ProgramFolder() {
  char path[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return FolderPart(std::string(path, length < sizeof path ? length : 0));
}

std::string ConfigFileName() { return ProgramFolder() + "config.ini"; }
