// The one error code a module keeps for all its handles. The host's thread reads and resets it
// while a decode thread may set it, so it is atomic.
#pragma once

#include <atomic>
#include <cstdint>

class ModuleErrorCode {
 public:
  void Set(int32_t code) { code_.store(code); }
  int32_t Get() const { return code_.load(); }
  // What QVLastError gives: the code, which is reset to 0.
  int32_t Take() { return code_.exchange(0); }
  void Clear() { code_.store(0); }

 private:
  std::atomic<int32_t> code_{0};
};
