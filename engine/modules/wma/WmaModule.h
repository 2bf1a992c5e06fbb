// The operations behind the Windows Media Audio module's exports. Each checks the player mode,
// sets the module's error code on failure and gives the export's result.
#pragma once

#include <cstdint>

#include "engine/PluginInterface.h"

struct PlayerHandle;

namespace WmaModule {

inline constexpr const char* Name = "Windows Media Audio";
inline constexpr const char* Extensions = "*.wma";
inline constexpr const char* About = "Windows Media Audio decoder for Brassel, by Ormund 2026";
inline constexpr int32_t Version = 210;

#include "engine/modules/common/SharedOperations.inc"

bool DeInitModule(PlayerHandle* handle);

// Only file input exists; these check no handle.
bool SetInputMode(int32_t mode);
bool NotImplemented();

// The error code is module-wide.
int32_t LastError();

}  // namespace WmaModule
