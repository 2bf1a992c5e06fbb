// The input half of a module's record: what QVSetInputMode, QVSetInputName and QVSetInCB set.
// Both modules keep it in the same shape; a module with file input only keeps the mode at
// imFile and never calls the callbacks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/PluginInterface.h"

struct InputSettings {
  int32_t inputMode = imFile;
  // None until a name is set; a null name removes it.
  std::optional<std::string> inputName;
  QVInputOpenProc openCallback = nullptr;
  QVInputCloseProc closeCallback = nullptr;
  QVInputGetSizeProc getSizeCallback = nullptr;
  QVInputSeekProc seekCallback = nullptr;
  QVInputReadProc readCallback = nullptr;
  QVUserValue inputUser = 0;
};
