#include "platform/classlib/RegIniFile.h"

TRegIniFile::TRegIniFile(const std::string& FileName, REGSAM AAccess)
    : TRegistry(AAccess), FFileName(FileName) {
  OpenKey(FileName, true);
}

void TRegIniFile::InSection(HKEY Key, const std::function<void()>& Action) {
  HKEY old = CurrentKey();
  SetCurrentKey(Key);
  try {
    Action();
  } catch (...) {
    SetCurrentKey(old);
    RegCloseKey(Key);
    throw;
  }
  SetCurrentKey(old);
  RegCloseKey(Key);
}

std::string TRegIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                    const std::string& Default) {
  std::string result = Default;
  if (HKEY key = GetKey(Section); key != nullptr)
    InSection(key, [&] {
      if (ValueExists(Ident)) result = TRegistry::ReadString(Ident);
    });
  return result;
}

void TRegIniFile::WriteString(const std::string& Section, const std::string& Ident,
                              const std::string& Value) {
  CreateKey(Section);
  if (HKEY key = GetKey(Section); key != nullptr)
    InSection(key, [&] { TRegistry::WriteString(Ident, Value); });
}

void TRegIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  if (HKEY key = GetKey(Section); key != nullptr) InSection(key, [&] { DeleteValue(Ident); });
}
