// A read-only stream over one of the executable's resources.
#pragma once

#include <string>

#include "platform/classlib/CustomMemoryStream.h"
#include "platform/win32/Types.h"

// "Resource %s not found"
class EResNotFound : public Exception {
 public:
  using Exception::Exception;
};

class TResourceStream : public TCustomMemoryStream {
 public:
  // Instance is the module whose resources are meant: null for the executable, the only one
  // that has any. Raises EResNotFound with the resource's name.
  TResourceStream(HINSTANCE Instance, const std::string& ResName, const char* ResType);

  // Raises EStreamError: a resource cannot be changed.
  int32_t Write(const void* Buffer, int32_t Count) override;
};
