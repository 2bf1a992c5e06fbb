// The input half of a module's record: what QVSetInputMode, QVSetInputName and QVSetInCB set.
// Both modules keep it in the same shape; a module with file input only keeps the mode at
// imFile and never calls the callbacks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/PluginInterface.h"

struct InputSettings {
  int32_t InputMode = imFile;
  // None until a name is set; a null name removes it.
  std::optional<std::string> InputName;
  QVInputOpenProc OpenCallback = nullptr;
  QVInputCloseProc CloseCallback = nullptr;
  QVInputGetSizeProc GetSizeCallback = nullptr;
  QVInputSeekProc SeekCallback = nullptr;
  QVInputReadProc ReadCallback = nullptr;
  QVUserValue InputUser = 0;
};
