#include "platform/classlib/IniFile.h"

#include "platform/classlib/Format.h"
#include "platform/classlib/StrToInt.h"
#include "platform/win32/Profile.h"

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) const {
  char buffer[2048];
  DWORD length = GetPrivateProfileStringA(Section.c_str(), Ident.c_str(), Default.c_str(), buffer,
                                          sizeof buffer, FFileName.c_str());
  return std::string(buffer, length);
}

int32_t TIniFile::ReadInteger(const std::string& Section, const std::string& Ident,
                              int32_t Default) const {
  std::string text = ReadString(Section, Ident, "");
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    text = "$" + text.substr(2);
  return StrToIntDef(text, Default);
}

bool TIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) const {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident,
                           const std::string& Value) {
  if (!WritePrivateProfileStringA(Section.c_str(), Ident.c_str(), Value.c_str(), FFileName.c_str()))
    throw EIniFileException(Format("Unable to write to %s", FFileName.c_str()));
}

void TIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int32_t Value) {
  WriteString(Section, Ident, std::to_string(Value));
}

void TIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}
