#include "engine/modules/wma/CodePage.h"

#include <algorithm>
#include <climits>

#include "platform/win32/CodePage.h"

namespace wma {

namespace {

// A room as the platform counts it; no text here comes near its limit.
int Room(size_t room) { return static_cast<int>(std::min<size_t>(room, INT_MAX)); }

}  // namespace

bool AnsiToWide(const char* text, char16_t* out, size_t room) {
  // A room of 0 would ask the platform for the length instead.
  return room > 0 && MultiByteToWideChar(CP_ACP, 0, text, -1, out, Room(room)) != 0;
}

bool WideToAnsi(const char16_t* text, size_t length, char* out, size_t room) {
  if (room == 0 || length > INT_MAX) return false;
  int written = 0;
  // The platform refuses an empty text; every unit takes at least one byte.
  if (length > 0) {
    if (room == 1) return false;
    written = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), out, Room(room - 1),
                                  nullptr, nullptr);
    if (written == 0) return false;
  }
  out[written] = '\0';
  return true;
}

}  // namespace wma
