#include "platform/classlib/InOutError.h"

#include "platform/classlib/Format.h"

EInOutError::EInOutError(int Code) : Exception(MessageOf(Code)), ErrorCode(Code) {}

std::string EInOutError::MessageOf(int Code) {
  switch (Code) {
    case 2: return "File not found";
    case 3: return "Invalid filename";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case 100: return "Read beyond end of file";
    case 101: return "Disk full";
    case 106: return "Invalid numeric input";
    default: return Format("I/O error %d", Code);
  }
}
