// The operations behind the MPEG module's exports. Each checks the player mode, sets the
// module's error code on failure and gives the export's result.
#pragma once

#include <cstdint>

#include "engine/PluginInterface.h"

struct PlayerHandle;

namespace MpegModule {

inline constexpr const char* Name = "Audio MPEG";
inline constexpr const char* Extensions = "*.mp1;*.mp2;*.mp3";
inline constexpr const char* About = "Brassel MPEG audio decoder (Layers I, II, III) by Ormund.";
inline constexpr int32_t Version = 120;

#include "engine/modules/common/SharedOperations.inc"

// Every call takes the handle here; the module has an input mode, a thread priority and an
// equaliser.
bool DeInitModule(PlayerHandle& handle);
bool SetInputMode(PlayerHandle& handle, int32_t mode);
bool SetPriority(PlayerHandle& handle, int32_t priority);
int32_t LastError(PlayerHandle& handle);
bool UseEQ(PlayerHandle& handle, bool use);
bool EQ(PlayerHandle& handle, double** gains, int32_t* channels, int32_t* bands);

}  // namespace MpegModule
