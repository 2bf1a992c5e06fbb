// The module frame's view of a decoder module: what each module implements so that the frame's
// exports (ModuleExports.cpp, linked into every module) can serve it. The frame checks the
// handle, calls the operation and turns its result into the export's; a bad handle gives false
// (or -1) and sets no error code. Each operation checks the player mode and sets the module's
// error code itself (RequireMode, RunModuleOperation).
#pragma once

#include <cstdint>

#include "engine/PluginInterface.h"

// A player handle as the frame sees it; each module's handle derives from it.
struct ModulePlayer {};

// The texts and the version a module reports without a handle.
struct ModuleTexts {
  const char* Name;
  const char* Extensions;
  const char* About;
  int32_t Version;
};

class DecoderModule {
 public:
  virtual const ModuleTexts& Texts() const = 0;

  // A new player handle (QVInitModule), or null.
  virtual ModulePlayer* InitModule() = 0;
  // The player behind a host's handle value; null for a bad handle (see HandleCheck.h).
  virtual ModulePlayer* Checked(QVHandle h) = 0;
  // The host's handle value of a player.
  virtual QVHandle HandleOf(ModulePlayer& player) = 0;
  // Whether the module works for this player: a later QVInitModule takes the module over and
  // ends what the earlier player held, which then stays closed (see ServedPlayer).
  virtual bool Serves(ModulePlayer& player) = 0;
  // Frees the player; one that the module no longer serves leaves the module as it is.
  virtual bool DeInitModule(ModulePlayer& player) = 0;

  virtual bool Open(ModulePlayer& player) = 0;
  virtual bool InitStream(ModulePlayer& player) = 0;
  virtual bool Play(ModulePlayer& player) = 0;
  virtual bool Pause(ModulePlayer& player) = 0;
  virtual bool Resume(ModulePlayer& player) = 0;
  virtual bool Stop(ModulePlayer& player) = 0;
  virtual bool Close(ModulePlayer& player) = 0;
  virtual bool SetPos(ModulePlayer& player, uint32_t position) = 0;

  virtual bool SetInputName(ModulePlayer& player, const char* name) = 0;
  virtual bool SetOutputMode(ModulePlayer& player, int32_t mode) = 0;
  virtual bool SetOutputName(ModulePlayer& player, const char* name) = 0;
  virtual bool SetOutputDev(ModulePlayer& player, int32_t device) = 0;
  virtual bool SetDevNum(ModulePlayer& player, int32_t device) = 0;
  virtual bool SetBuffers(ModulePlayer& player, int32_t count, int32_t size) = 0;
  virtual bool SetLimits(ModulePlayer& player, uint32_t start, uint32_t end) = 0;
  virtual bool SetWindow(ModulePlayer& player, HWND window) = 0;
  virtual bool UseOutCB(ModulePlayer& player, bool use) = 0;
  virtual bool SetOutCB(ModulePlayer& player, QVOutputProc data, QVOutputActionProc action,
                        QVUserValue user) = 0;
  virtual bool SetInCB(ModulePlayer& player, QVInputOpenProc open, QVInputCloseProc close,
                       QVInputGetSizeProc getSize, QVInputSeekProc seek, QVInputReadProc read,
                       QVUserValue user) = 0;

  virtual int32_t GetPlayerMode(ModulePlayer& player) = 0;
  virtual int32_t GetPos(ModulePlayer& player) = 0;
  virtual int32_t GetSize(ModulePlayer& player) = 0;
  virtual bool CanSetPos(ModulePlayer& player) = 0;
  virtual bool GetInfo1(ModulePlayer& player, StreamInfo* info, uint32_t* size) = 0;
  virtual bool GetInfo2(ModulePlayer& player, const char** text) = 0;
  virtual int32_t LastError(ModulePlayer& player) = 0;

  virtual void SetErrorCode(int32_t code) = 0;

  virtual bool GetVolume(ModulePlayer& player, uint32_t* volume) = 0;
  virtual bool SetVolume(ModulePlayer& player, uint32_t volume) = 0;
  virtual bool CanSetVolume(ModulePlayer& player, QVByteBool* separate) = 0;

 protected:
  ~DecoderModule() = default;
};

// The module this shared object carries; each module defines it once.
DecoderModule& ThisModule();

// The player behind a host's handle for an export that acts on the module: null for a bad
// handle (no code), and for a handle the module no longer serves, which gets "Incorrect
// decoder mode" (it stays closed, and the module's state is another player's).
ModulePlayer* ServedPlayer(QVHandle h);
