// The code of the ModuleFailure a step raises, for tests of the outputs and readers inside the
// modules.
#pragma once

#include <cstdint>

#include "engine/modules/common/ModuleFailure.h"

// `none` when the step raises nothing.
template <class Step>
int32_t FailureCode(Step&& step, int32_t none = 0) {
  try {
    step();
  } catch (const ModuleFailure& failure) {
    return failure.Code;
  }
  return none;
}
