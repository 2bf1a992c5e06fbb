#include "platform/win32/Resources.h"

#include <cstdint>
#include <string_view>

#include "platform/win32/AsciiCase.h"

// One entry per resource, in the section that every resource object adds to (see
// ResourceEntry.s.in); the linker marks the section's bounds. Without any resource the
// section does not exist and the weak bounds stay null.
struct ResourceEntry {
  const char* type;
  const char* name;
  const unsigned char* begin;
  const unsigned char* end;
};

extern "C" {
extern const ResourceEntry __start_win32_resource_table[]
    __attribute__((weak, visibility("hidden")));
extern const ResourceEntry __stop_win32_resource_table[]
    __attribute__((weak, visibility("hidden")));
}

namespace {

// Numeric identifiers (MAKEINTRESOURCE) are pointers below 0x10000; none are linked here.
bool IsNamed(LPCSTR text) { return reinterpret_cast<uintptr_t>(text) >= 0x10000; }

}  // namespace

HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  if (module != nullptr || !IsNamed(name) || !IsNamed(type)) return nullptr;
  if (__start_win32_resource_table == nullptr) return nullptr;
  for (const ResourceEntry* entry = __start_win32_resource_table;
       entry != __stop_win32_resource_table; ++entry) {
    if (win32::EqualsIgnoringAsciiCase(entry->type, type) &&
        win32::EqualsIgnoringAsciiCase(entry->name, name)) {
      return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(entry));
    }
  }
  return nullptr;
}

HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource) {
  if (module != nullptr) return nullptr;
  return resource;
}

DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource) {
  if (module != nullptr || resource == nullptr) return 0;
  const auto* entry = reinterpret_cast<const ResourceEntry*>(resource);
  return static_cast<DWORD>(entry->end - entry->begin);
}

LPVOID WINAPI LockResource(HGLOBAL data) {
  if (data == nullptr) return nullptr;
  return const_cast<unsigned char*>(reinterpret_cast<const ResourceEntry*>(data)->begin);
}
