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

// The operations both modules have.
PlayerHandle* InitModule();

bool Open(PlayerHandle& handle);
bool InitStream(PlayerHandle& handle);
bool Play(PlayerHandle& handle);
bool Pause(PlayerHandle& handle);
bool Resume(PlayerHandle& handle);
bool Stop(PlayerHandle& handle);
bool Close(PlayerHandle& handle);
bool SetPos(PlayerHandle& handle, uint32_t position);

bool SetInputName(PlayerHandle& handle, const char* name);
bool SetOutputMode(PlayerHandle& handle, int32_t mode);
bool SetOutputName(PlayerHandle& handle, const char* name);
bool SetOutputDev(PlayerHandle& handle, int32_t device);
bool SetDevNum(PlayerHandle& handle, int32_t device);
bool SetBuffers(PlayerHandle& handle, int32_t count, int32_t size);
bool SetLimits(PlayerHandle& handle, uint32_t start, uint32_t end);
bool SetWindow(PlayerHandle& handle, HWND window);
bool UseOutCB(PlayerHandle& handle, bool use);
bool SetOutCB(PlayerHandle& handle, QVOutputProc data, QVOutputActionProc action, QVUserValue user);
bool SetInCB(PlayerHandle& handle, QVInputOpenProc open, QVInputCloseProc close,
             QVInputGetSizeProc getSize, QVInputSeekProc seek, QVInputReadProc read,
             QVUserValue user);

int32_t GetPlayerMode(PlayerHandle& handle);
int32_t GetPos(PlayerHandle& handle);
int32_t GetSize(PlayerHandle& handle);
bool CanSetPos(PlayerHandle& handle);
bool GetInfo1(PlayerHandle& handle, StreamInfo* info, uint32_t* size);
bool GetInfo2(PlayerHandle& handle, const char** text);

bool GetVolume(PlayerHandle& handle, uint32_t* volume);
bool SetVolume(PlayerHandle& handle, uint32_t volume);
bool CanSetVolume(PlayerHandle& handle, QVByteBool* separate);

// Every call takes the handle here; the module has an input mode, a thread priority and an
// equaliser.
bool DeInitModule(PlayerHandle& handle);
bool SetInputMode(PlayerHandle& handle, int32_t mode);
bool SetPriority(PlayerHandle& handle, int32_t priority);
int32_t LastError(PlayerHandle& handle);
bool UseEQ(PlayerHandle& handle, bool use);
bool EQ(PlayerHandle& handle, double** gains, int32_t* channels, int32_t* bands);

}  // namespace MpegModule
