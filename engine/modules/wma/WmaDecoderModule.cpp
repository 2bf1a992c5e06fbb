#include "engine/modules/common/DecoderModule.h"
#include "engine/modules/common/HandleCheck.h"
#include "engine/modules/wma/ModuleState.h"
#include "engine/modules/wma/WmaModule.h"
#include "engine/modules/wma/PlayerHandle.h"

namespace {

// The Windows Media Audio module behind the frame's exports: its operations, on its own
// player handle (the SDK's callback object). Its error code is module-wide.
class WmaDecoderModule final : public DecoderModule {
 public:
  const ModuleTexts& Texts() const override { return texts_; }

  ModulePlayer* InitModule() override { return WmaModule::InitModule(); }
  ModulePlayer* Checked(QVHandle h) override { return CheckHandle<PlayerHandle>(h); }
  QVHandle HandleOf(ModulePlayer& player) override {
    return reinterpret_cast<QVHandle>(&Handle(player));
  }
  bool Serves(ModulePlayer& player) override {
    return Handle(player).state.current == &Handle(player);
  }
  bool DeInitModule(ModulePlayer& player) override {
    return WmaModule::DeInitModule(Handle(player));
  }

  bool Open(ModulePlayer& player) override { return WmaModule::Open(Handle(player)); }
  bool InitStream(ModulePlayer& player) override { return WmaModule::InitStream(Handle(player)); }
  bool Play(ModulePlayer& player) override { return WmaModule::Play(Handle(player)); }
  bool Pause(ModulePlayer& player) override { return WmaModule::Pause(Handle(player)); }
  bool Resume(ModulePlayer& player) override { return WmaModule::Resume(Handle(player)); }
  bool Stop(ModulePlayer& player) override { return WmaModule::Stop(Handle(player)); }
  bool Close(ModulePlayer& player) override { return WmaModule::Close(Handle(player)); }
  bool SetPos(ModulePlayer& player, uint32_t position) override {
    return WmaModule::SetPos(Handle(player), position);
  }

  bool SetInputName(ModulePlayer& player, const char* name) override {
    return WmaModule::SetInputName(Handle(player), name);
  }
  bool SetOutputMode(ModulePlayer& player, int32_t mode) override {
    return WmaModule::SetOutputMode(Handle(player), mode);
  }
  bool SetOutputName(ModulePlayer& player, const char* name) override {
    return WmaModule::SetOutputName(Handle(player), name);
  }
  bool SetOutputDev(ModulePlayer& player, int32_t device) override {
    return WmaModule::SetOutputDev(Handle(player), device);
  }
  bool SetDevNum(ModulePlayer& player, int32_t device) override {
    return WmaModule::SetDevNum(Handle(player), device);
  }
  bool SetBuffers(ModulePlayer& player, int32_t count, int32_t size) override {
    return WmaModule::SetBuffers(Handle(player), count, size);
  }
  bool SetLimits(ModulePlayer& player, uint32_t start, uint32_t end) override {
    return WmaModule::SetLimits(Handle(player), start, end);
  }
  bool SetWindow(ModulePlayer& player, HWND window) override {
    return WmaModule::SetWindow(Handle(player), window);
  }
  bool UseOutCB(ModulePlayer& player, bool use) override {
    return WmaModule::UseOutCB(Handle(player), use);
  }
  bool SetOutCB(ModulePlayer& player, QVOutputProc data, QVOutputActionProc action,
                QVUserValue user) override {
    return WmaModule::SetOutCB(Handle(player), data, action, user);
  }
  bool SetInCB(ModulePlayer& player, QVInputOpenProc open, QVInputCloseProc close,
               QVInputGetSizeProc getSize, QVInputSeekProc seek, QVInputReadProc read,
               QVUserValue user) override {
    return WmaModule::SetInCB(Handle(player), open, close, getSize, seek, read, user);
  }

  int32_t GetPlayerMode(ModulePlayer& player) override {
    return WmaModule::GetPlayerMode(Handle(player));
  }
  int32_t GetPos(ModulePlayer& player) override { return WmaModule::GetPos(Handle(player)); }
  int32_t GetSize(ModulePlayer& player) override { return WmaModule::GetSize(Handle(player)); }
  bool CanSetPos(ModulePlayer& player) override { return WmaModule::CanSetPos(Handle(player)); }
  bool GetInfo1(ModulePlayer& player, StreamInfo* info, uint32_t* size) override {
    return WmaModule::GetInfo1(Handle(player), info, size);
  }
  bool GetInfo2(ModulePlayer& player, const char** text) override {
    return WmaModule::GetInfo2(Handle(player), text);
  }
  int32_t LastError(ModulePlayer&) override { return WmaModule::LastError(); }

  void SetErrorCode(int32_t code) override { ModuleState::Instance().errors.Set(code); }

  bool GetVolume(ModulePlayer& player, uint32_t* volume) override {
    return WmaModule::GetVolume(Handle(player), volume);
  }
  bool SetVolume(ModulePlayer& player, uint32_t volume) override {
    return WmaModule::SetVolume(Handle(player), volume);
  }
  bool CanSetVolume(ModulePlayer& player, QVByteBool* separate) override {
    return WmaModule::CanSetVolume(Handle(player), separate);
  }

 private:
  static PlayerHandle& Handle(ModulePlayer& player) { return static_cast<PlayerHandle&>(player); }

  const ModuleTexts texts_{WmaModule::Name, WmaModule::Extensions, WmaModule::About,
                           WmaModule::Version};
};

}  // namespace

DecoderModule& ThisModule() {
  static WmaDecoderModule module;
  return module;
}
