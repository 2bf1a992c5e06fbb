#include "platform/classlib/ResourceStream.h"

#include "platform/classlib/Format.h"
#include "platform/win32/Resources.h"

TResourceStream::TResourceStream(HINSTANCE Instance, const std::string& ResName,
                                 const char* ResType) {
  HRSRC info = FindResourceA(Instance, ResName.c_str(), ResType);
  HGLOBAL data = info != nullptr ? LoadResource(Instance, info) : nullptr;
  if (data == nullptr) throw EResNotFound(Format("Resource %s not found", ResName.c_str()));
  SetPointer(LockResource(data), SizeofResource(Instance, info));
}

int32_t TResourceStream::Write(const void*, int32_t) {
  throw EStreamError("Can't write to a read-only resource stream");
}
