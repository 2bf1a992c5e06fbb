#include "engine/modules/common/ModuleText.h"

#include <cstring>

bool CopyModuleText(const char* text, char* buffer, int32_t* length) {
  if (length == nullptr) return false;
  const auto textLength = static_cast<int32_t>(std::strlen(text));
  const bool fits = buffer != nullptr && *length > textLength;
  if (fits) std::memcpy(buffer, text, static_cast<size_t>(textLength) + 1);
  *length = textLength;
  return fits;
}
