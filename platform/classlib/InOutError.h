// Input/output errors of the class library's file routines, carrying the platform's error
// code; the message is the text of that code.
#pragma once

#include <string>

#include "platform/classlib/Exception.h"

class EInOutError : public Exception {
 public:
  explicit EInOutError(int Code);
  EInOutError(int Code, std::string Message) : Exception(std::move(Message)), ErrorCode(Code) {}

  // The text of a code: 2 "File not found", 3 "Invalid filename", 4 "Too many open files",
  // 5 "File access denied", 100 "Read beyond end of file", 101 "Disk full", 106 "Invalid
  // numeric input", any other "I/O error %d".
  static std::string MessageOf(int Code);

  int ErrorCode;
};
