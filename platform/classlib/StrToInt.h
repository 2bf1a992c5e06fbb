// Text to 32-bit integer as the class library reads numbers: leading blanks, an optional
// sign, then decimal digits, or hexadecimal digits after "$", "x" or "0x" (either case);
// nothing may follow. Decimal values must fit the signed range; hexadecimal ones may use all
// 32 bits (so $FFFFFFFF is -1).
#pragma once

#include <cstdint>
#include <string>

bool TryStrToInt(const std::string& S, int32_t& Value);
int32_t StrToIntDef(const std::string& S, int32_t Default);
