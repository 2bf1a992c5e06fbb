// The operation behind an export: runs the body, turns an internal failure into the module's
// error code and the export's failure value. No exception leaves a module through its exports.
#pragma once

#include <new>

#include "engine/PluginInterface.h"
#include "engine/modules/common/ModuleErrorCode.h"
#include "engine/modules/common/ModuleFailure.h"

// The mode rule of every operation: outside the modes it allows, it fails with "Incorrect
// decoder mode".
inline void RequireMode(bool allowed) {
  if (!allowed) RaiseModuleFailure(qvIncorrectMode);
}

template <class Result, class Body>
Result RunModuleOperation(ModuleErrorCode& errors, Result failure, Body&& body) {
  try {
    return body();
  } catch (const ModuleFailure& raised) {
    if (raised.Code != 0) errors.Set(raised.Code);
  } catch (const std::bad_alloc&) {
    errors.Set(qvNoMemory);
  } catch (...) {
    errors.Set(qvInternalError);
  }
  return failure;
}
