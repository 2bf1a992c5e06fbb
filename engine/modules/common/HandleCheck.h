// The handle check every export that takes a handle makes first: a handle is valid when its
// magic field holds HandleMagic. A null handle is refused as well.
#pragma once

#include "engine/PluginInterface.h"

template <class Handle>
Handle* CheckHandle(QVHandle handle) {
  if (handle == 0) return nullptr;
  auto* object = reinterpret_cast<Handle*>(handle);
  return object->magic == HandleMagic ? object : nullptr;
}
