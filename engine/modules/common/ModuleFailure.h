// Inside a module a failing step raises a ModuleFailure with the error code it sets; the
// operation behind the export catches it, stores the code as the module's error code and
// the export returns false (or -1). No failure leaves a module through its exports.
#pragma once

#include <cstdint>

struct ModuleFailure {
  int32_t Code;  // 0: the step sets no code and the module's code stays as it was
};

[[noreturn]] inline void RaiseModuleFailure(int32_t code) { throw ModuleFailure{code}; }
