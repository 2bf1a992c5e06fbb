// The MPEG module: the frame's operations on its own player handle where the modules differ.
// Each checks the player mode, sets the module's error code on failure and gives the export's
// result. The operations work on the module's state as the module itself, which it is; the
// player handle and its decode thread reach it through the handle. Every call takes the handle
// here; the module has an input mode, a thread priority and an equaliser.
#pragma once

#include <cstdint>

#include "engine/PluginInterface.h"
#include "engine/modules/mpeg/ModuleState.h"

namespace mpeg {

struct PlayerHandle;

class MpegModule final : public ModuleState {
 public:
  // The one module of this program.
  static MpegModule& Instance();

  ModulePlayer* InitModule() override;
  ModulePlayer* Checked(QVHandle h) override;
  QVHandle HandleOf(ModulePlayer& player) override;
  bool DeInitModule(ModulePlayer& player) override;

  bool Open(ModulePlayer& player) override;
  bool InitStream(ModulePlayer& player) override;
  bool Play(ModulePlayer& player) override;
  bool Stop(ModulePlayer& player) override;
  bool Close(ModulePlayer& player) override;
  bool SetLimits(ModulePlayer& player, uint32_t start, uint32_t end) override;

  bool SetInputMode(QVHandle h, int32_t mode) override;
  bool SetPriority(QVHandle h, int32_t priority) override;
  bool HasEQ(QVHandle h, QVByteBool* has) override;
  bool UseEQ(QVHandle h, bool use) override;
  bool EQ(QVHandle h, double** gains, int32_t* channels, int32_t* bands) override;

 private:
  MpegModule();

  int32_t DurationMs(ModulePlayer& player) override;
  int32_t PositionMs(ModulePlayer& player) override;
  const char* InfoText(ModulePlayer& player) override;
  StreamInfo InfoRecord(ModulePlayer& player) override;
  void MoveInput(ModulePlayer& player, uint32_t position) override;
  bool SeekComing(const ModulePlayer& player) const override;
  bool SeekSendsRunBack(ModulePlayer& player, std::unique_lock<std::mutex>& held) override;
  int32_t UsableBufferSize(int32_t size) const override;
};

}  // namespace mpeg
