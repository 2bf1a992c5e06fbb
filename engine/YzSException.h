// The player's one exception: a player error code 0 to 11 and the text of that code.
#pragma once

#include <cstdint>

#include "platform/classlib/Exception.h"

class TYzSException : public Exception {
 public:
  explicit TYzSException(uint8_t Code);

  uint8_t ErrorCode;
};
