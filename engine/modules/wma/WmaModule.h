// The Windows Media Audio module: the frame's operations on its own player handle (the SDK's
// callback object) where the modules differ. Each checks the player mode, sets the module's
// error code on failure and gives the export's result. Only file input exists; there is no
// thread priority and no equaliser (the frame's default forms).
#pragma once

#include <cstdint>

#include "engine/PluginInterface.h"
#include "engine/modules/wma/ModuleState.h"

namespace wma {

struct PlayerHandle;

class WmaModule final : public ModuleState {
 public:
  // The one module of this program.
  static WmaModule& Instance();

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

 private:
  WmaModule();

  int32_t DurationMs(ModulePlayer& player) override;
  int32_t PositionMs(ModulePlayer& player) override;
  const char* InfoText(ModulePlayer& player) override;
  StreamInfo InfoRecord(ModulePlayer& player) override;
  void MoveInput(ModulePlayer& player, uint32_t position) override;
  bool SeekSendsRunBack(ModulePlayer& player, std::unique_lock<std::mutex>& held) override;
};

}  // namespace wma
