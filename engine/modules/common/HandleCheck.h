// The handle check every export that takes a handle makes first: a handle is valid when its
// magic field holds HandleMagic. A null handle is refused as well.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/PluginInterface.h"

// The host may pass anything, and a handle may be a polymorphic object (its function table
// first), so the field is read as bytes at its place rather than through a Handle that may not
// be one. The copy compiles to one load.
template <class Handle>
Handle* CheckHandle(QVHandle handle) {
  if (handle == 0) return nullptr;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
  constexpr size_t magicOffset = offsetof(Handle, Magic);
#pragma GCC diagnostic pop
  uint32_t magic;
  std::memcpy(&magic, reinterpret_cast<const unsigned char*>(handle) + magicOffset, sizeof magic);
  return magic == HandleMagic ? reinterpret_cast<Handle*>(handle) : nullptr;
}
