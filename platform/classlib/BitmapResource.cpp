#include "platform/classlib/Bitmap.h"
#include "platform/classlib/Format.h"
#include "platform/classlib/ResourceStream.h"
#include "platform/win32/Resources.h"

// Bitmap resources are the BMP files themselves, linked under the type "BITMAP".
void TBitmap::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
  HRSRC resource = FindResourceA(instance, name.c_str(), "BITMAP");
  HGLOBAL data = resource ? LoadResource(instance, resource) : nullptr;
  const void* bytes = data ? LockResource(data) : nullptr;
  if (!bytes) throw EResNotFound(Format("Resource %s not found", name.c_str()));
  LoadFromMemory(bytes, SizeofResource(instance, resource));
}
