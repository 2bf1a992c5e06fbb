// An INI file accessor on the private-profile functions: a read gives the default when the
// file, section or key is missing; every write goes to the file at once.
#pragma once

#include <cstdint>
#include <string>

#include "platform/classlib/Exception.h"
#include "platform/classlib/Object.h"

// "Unable to write to %s"
class EIniFileException : public Exception {
 public:
  using Exception::Exception;
};

class TIniFile : public TObject {
 public:
  explicit TIniFile(const std::string& FileName) : FFileName(FileName) {}

  const std::string& FileName() const { return FFileName; }

  // At most 2047 characters of the value.
  std::string ReadString(const std::string& Section, const std::string& Ident,
                         const std::string& Default) const;
  // Decimal, or hexadecimal after "$" or, when the text is longer than two characters, "0x"
  // (see StrToIntDef); anything else gives the default.
  int32_t ReadInteger(const std::string& Section, const std::string& Ident, int32_t Default) const;
  // An integer other than 0 is true: "1" is true, "0" false, while "true", "yes" and any
  // other text that is no integer give the default.
  bool ReadBool(const std::string& Section, const std::string& Ident, bool Default) const;

  // Raise EIniFileException "Unable to write to %s" with the file name when the write fails.
  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value);
  void WriteInteger(const std::string& Section, const std::string& Ident, int32_t Value);
  // Writes "1" or "0".
  void WriteBool(const std::string& Section, const std::string& Ident, bool Value);

 private:
  std::string FFileName;
};
