#include "engine/modules/common/DecoderModule.h"
#include "engine/modules/common/HandleCheck.h"
#include "engine/modules/mpeg/ModuleState.h"
#include "engine/modules/mpeg/MpegModule.h"
#include "engine/modules/mpeg/PlayerHandle.h"

namespace {

// The MPEG module behind the frame's exports: its operations, on its own player handle.
class MpegDecoderModule final : public DecoderModule {
 public:
  const ModuleTexts& Texts() const override { return texts_; }

  ModulePlayer* InitModule() override { return MpegModule::InitModule(); }
  ModulePlayer* Checked(QVHandle h) override { return CheckHandle<PlayerHandle>(h); }
  QVHandle HandleOf(ModulePlayer& player) override {
    return reinterpret_cast<QVHandle>(&Handle(player));
  }
  bool Serves(ModulePlayer& player) override {
    return Handle(player).state.current == &Handle(player);
  }
  bool DeInitModule(ModulePlayer& player) override {
    return MpegModule::DeInitModule(Handle(player));
  }

  bool Open(ModulePlayer& player) override { return MpegModule::Open(Handle(player)); }
  bool InitStream(ModulePlayer& player) override { return MpegModule::InitStream(Handle(player)); }
  bool Play(ModulePlayer& player) override { return MpegModule::Play(Handle(player)); }
  bool Pause(ModulePlayer& player) override { return MpegModule::Pause(Handle(player)); }
  bool Resume(ModulePlayer& player) override { return MpegModule::Resume(Handle(player)); }
  bool Stop(ModulePlayer& player) override { return MpegModule::Stop(Handle(player)); }
  bool Close(ModulePlayer& player) override { return MpegModule::Close(Handle(player)); }
  bool SetPos(ModulePlayer& player, uint32_t position) override {
    return MpegModule::SetPos(Handle(player), position);
  }

  bool SetInputName(ModulePlayer& player, const char* name) override {
    return MpegModule::SetInputName(Handle(player), name);
  }
  bool SetOutputMode(ModulePlayer& player, int32_t mode) override {
    return MpegModule::SetOutputMode(Handle(player), mode);
  }
  bool SetOutputName(ModulePlayer& player, const char* name) override {
    return MpegModule::SetOutputName(Handle(player), name);
  }
  bool SetOutputDev(ModulePlayer& player, int32_t device) override {
    return MpegModule::SetOutputDev(Handle(player), device);
  }
  bool SetDevNum(ModulePlayer& player, int32_t device) override {
    return MpegModule::SetDevNum(Handle(player), device);
  }
  bool SetBuffers(ModulePlayer& player, int32_t count, int32_t size) override {
    return MpegModule::SetBuffers(Handle(player), count, size);
  }
  bool SetLimits(ModulePlayer& player, uint32_t start, uint32_t end) override {
    return MpegModule::SetLimits(Handle(player), start, end);
  }
  bool SetWindow(ModulePlayer& player, HWND window) override {
    return MpegModule::SetWindow(Handle(player), window);
  }
  bool UseOutCB(ModulePlayer& player, bool use) override {
    return MpegModule::UseOutCB(Handle(player), use);
  }
  bool SetOutCB(ModulePlayer& player, QVOutputProc data, QVOutputActionProc action,
                QVUserValue user) override {
    return MpegModule::SetOutCB(Handle(player), data, action, user);
  }
  bool SetInCB(ModulePlayer& player, QVInputOpenProc open, QVInputCloseProc close,
               QVInputGetSizeProc getSize, QVInputSeekProc seek, QVInputReadProc read,
               QVUserValue user) override {
    return MpegModule::SetInCB(Handle(player), open, close, getSize, seek, read, user);
  }

  int32_t GetPlayerMode(ModulePlayer& player) override {
    return MpegModule::GetPlayerMode(Handle(player));
  }
  int32_t GetPos(ModulePlayer& player) override { return MpegModule::GetPos(Handle(player)); }
  int32_t GetSize(ModulePlayer& player) override { return MpegModule::GetSize(Handle(player)); }
  bool CanSetPos(ModulePlayer& player) override { return MpegModule::CanSetPos(Handle(player)); }
  bool GetInfo1(ModulePlayer& player, StreamInfo* info, uint32_t* size) override {
    return MpegModule::GetInfo1(Handle(player), info, size);
  }
  bool GetInfo2(ModulePlayer& player, const char** text) override {
    return MpegModule::GetInfo2(Handle(player), text);
  }
  int32_t LastError(ModulePlayer& player) override { return MpegModule::LastError(Handle(player)); }

  void SetErrorCode(int32_t code) override { ModuleState::Instance().errors.Set(code); }

  bool GetVolume(ModulePlayer& player, uint32_t* volume) override {
    return MpegModule::GetVolume(Handle(player), volume);
  }
  bool SetVolume(ModulePlayer& player, uint32_t volume) override {
    return MpegModule::SetVolume(Handle(player), volume);
  }
  bool CanSetVolume(ModulePlayer& player, QVByteBool* separate) override {
    return MpegModule::CanSetVolume(Handle(player), separate);
  }

 private:
  static PlayerHandle& Handle(ModulePlayer& player) { return static_cast<PlayerHandle&>(player); }

  const ModuleTexts texts_{MpegModule::Name, MpegModule::Extensions, MpegModule::About,
                           MpegModule::Version};
};

}  // namespace

DecoderModule& ThisModule() {
  static MpegDecoderModule module;
  return module;
}
