#include "platform/classlib/StrToInt.h"

bool TryStrToInt(const std::string& S, int32_t& Value) {
  size_t i = 0;
  while (i < S.size() && S[i] == ' ') ++i;
  bool negative = false;
  if (i < S.size() && (S[i] == '-' || S[i] == '+')) negative = S[i++] == '-';
  uint64_t result = 0;
  bool digits = false;
  const bool hex =
      i < S.size() && (S[i] == '$' || S[i] == 'x' || S[i] == 'X' ||
                       (S[i] == '0' && i + 1 < S.size() && (S[i + 1] == 'x' || S[i + 1] == 'X')));
  if (hex) {
    i += S[i] == '0' ? 2 : 1;
    for (; i < S.size(); ++i, digits = true) {
      char c = S[i];
      int digit = c >= '0' && c <= '9'   ? c - '0'
                  : c >= 'a' && c <= 'f' ? c - 'a' + 10
                  : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                         : -1;
      if (digit < 0) break;
      result = result * 16 + static_cast<uint64_t>(digit);
      if (result > 0xFFFFFFFFu) return false;
    }
  } else {
    for (; i < S.size() && S[i] >= '0' && S[i] <= '9'; ++i, digits = true) {
      result = result * 10 + static_cast<uint64_t>(S[i] - '0');
      if (result > (negative ? 0x80000000u : 0x7FFFFFFFu)) return false;
    }
  }
  if (!digits || i != S.size()) return false;
  uint32_t bits = static_cast<uint32_t>(result);
  if (negative) bits = 0u - bits;
  Value = static_cast<int32_t>(bits);
  return true;
}

int32_t StrToIntDef(const std::string& S, int32_t Default) {
  int32_t value = 0;
  return TryStrToInt(S, value) ? value : Default;
}
