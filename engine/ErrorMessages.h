// The texts of the player error codes 0 to 11, indexed by the code.
#pragma once

#include <cstdint>
#include <string>

inline constexpr int ErrorMessageCount = 12;
extern const char* const ErrorMessages[ErrorMessageCount];

// The text of a code; a code outside the table gets a text that names the code.
std::string ErrorMessageOf(uint8_t Code);
