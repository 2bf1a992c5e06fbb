// One player: the host-side object through which a program drives one decoder module. It
// loads the module named by PathToDLL, binds its functions, holds the module's player handle
// and a hidden window, hands the settings to the module at fixed points and reports every
// failure as a TYzSException.
//
// A setting reaches the module by one rule: without a module its setter only stores; with one
// it first calls the module, stores only what the module accepted, and raises the module's
// code (0 included) when it refuses. Open re-sends the input and output mode and name (and
// hands the priority on), InitStream the device number, Play the limits.
//
// A run that ends by itself leaves no code in the module; one that failed leaves its code,
// which RaiseRunFailure reports once the run is over.
#pragma once

#include <cstdint>
#include <string>

#include "engine/PluginInterface.h"
#include "engine/YzPlayerEvents.h"
#include "engine/YzPlayerFunctions.h"
#include "platform/classlib/CollectionItem.h"
#include "platform/classlib/HiddenWindow.h"

class TYzPlayer : public TCollectionItem {
 public:
  explicit TYzPlayer(TCollection* Collection);
  ~TYzPlayer() override;

  // Operations. Each raises code 11 when no module is initialised; see the rule above.
  void InitModule();
  void DeInitModule();
  void Open();
  void InitStream();
  void Play();
  void Stop();
  void Close();
  int32_t GetPlayerMode();
  int32_t GetPos();
  int32_t GetSize();
  uint16_t GetVolume();
  bool CanSetVolume(bool& Separate);
  bool HasEqualizer();
  // After the module's run has ended: raises the code it left when above 0 (a failed read,
  // decoding or output), so a failed run is not taken for a finished one.
  void RaiseRunFailure();

  // The hidden window's procedure.
  virtual void WndProc(TMessage& Message);

  // Event dispatchers: run the assigned handler, or answer Success false.
  virtual void DoOutputInit(bool& Success);
  virtual void DoOutputDone(bool& Success);
  virtual void DoOutput(void* SampleData, int32_t SBits, int32_t Channels, int32_t SampleRate,
                        int32_t Size, bool& Success);
  virtual void DoInputOpen(QVStream& UserData, bool& CanSetPos, bool& Success);
  virtual void DoInputClose(QVStream UserData, bool& Success);
  virtual void DoInputGetSize(QVStream UserData, int32_t& Size, bool& Success);
  virtual void DoInputSeek(QVStream UserData, int32_t& NewPos, int32_t SeekMode, bool& Success);
  virtual void DoInputRead(QVStream UserData, void* Buffer, int32_t BytesToRead, int32_t& BytesRead,
                           bool& Success);

  // Published properties.
  TYzSInputMode InputMode() const { return FInputMode; }
  void SetInputMode(TYzSInputMode Value);
  const std::string& InputName() const { return FInputName; }
  void SetInputName(const std::string& Value);
  TYzSOutputMode OutputMode() const { return FOutputMode; }
  void SetOutputMode(TYzSOutputMode Value);
  const std::string& OutputName() const { return FOutputName; }
  void SetOutputName(const std::string& Value);
  const std::string& PathToDLL() const { return FPathToDLL; }
  void SetPathToDLL(const std::string& Value) { FPathToDLL = Value; }
  // Reading asks the module; writing keeps a text that nothing reads.
  std::string ModuleName();
  void SetModuleName(const std::string& Value) { FModuleName = Value; }
  std::string About();
  void SetAbout(const std::string&) {}
  int32_t Version();
  void SetVersion(int32_t) {}
  int32_t StartPos() const { return FStartPos; }
  void SetStartPos(int32_t Value);
  int32_t EndPos() const { return FEndPos; }
  void SetEndPos(int32_t Value);
  // 0 to 6, idle to time-critical (3 normal): kept here, handed to the module at once while
  // one is held and again by Open, so the value written before a run is in force from its
  // start. A module that refuses it (one without a decode thread of its own) is no reason to
  // stop.
  int32_t Priority() const { return FPriority; }
  void SetPriority(int32_t Value);
  int32_t BuffersCount() const { return FBuffersCount; }
  void SetBuffersCount(int32_t Value);
  int32_t BufferSize() const { return FBufferSize; }
  void SetBufferSize(int32_t Value);
  std::string Extensions();
  void SetExtensions(const std::string&) {}
  int32_t OutputDevNum() const { return FOutputDevNum; }
  void SetOutputDevNum(int32_t Value);
  bool Initialized() const { return FInitialized; }
  void SetInitialized(bool Value);
  bool UseEqualizer() const { return FUseEqualizer; }
  void SetUseEqualizer(bool Value);

  TYzSOutputActionEvent OnOutputInit;
  TYzSOutputActionEvent OnOutputDone;
  TYzSOutputEvent OnOutput;
  TInputOpenEvent OnInputOpen;
  TInputCloseEvent OnInputClose;
  TInputGetSizeEvent OnInputGetSize;
  TInputSeekEvent OnInputSeek;
  TInputReadEvent OnInputRead;

  // The hidden window, whose handle Play gives to the module.
  HWND WindowHandle() const { return FWindowHandle; }
  // The last code QVLastError answered.
  int32_t LastError() const { return FLastError; }

  // The module's thread priority for a player priority 0 to 6 (values outside are clamped).
  static int32_t ThreadPriorityOf(int32_t Priority);

 private:
  void RequireHandle() const;
  // After a refused setting: ask the module's code and raise it, whatever it is.
  [[noreturn]] void RaiseSetterFailure();
  // After a failed operation: ask the module's code and raise it only when it is above 0.
  void RaiseOperationFailure();
  // Hands the stored priority to the module; a refusal's code is taken so that it cannot
  // surface with a later failure.
  void SendPriority();
  using TextProc = QVBool(WINAPI*)(char* buffer, int32_t* length);
  std::string ModuleText(TextProc Proc, const char* NoModule, const char* Failed);

  std::string FModuleName;
  uint16_t FVolumeLeft = 0;
  uint16_t FVolumeRight = 0;
  int32_t FOutputDevNum = 0;
  std::string FPathToDLL;
  int32_t FLastError = 0;
  HMODULE FModule = nullptr;
  QVHandle FHandle = 0;
  HWND FWindowHandle = nullptr;
  TYzPlayerFunctions F;
  int32_t FStartPos = 0;
  int32_t FEndPos = 0;
  int32_t FPriority = 0;
  int32_t FBufferSize = 16384;
  TYzSInputMode FInputMode = imFile;
  std::string FInputName;
  TYzSOutputMode FOutputMode = omMMSystem;
  std::string FOutputName;
  int32_t FBuffersCount = 8;
  bool FInitialized = false;
  bool FUseEqualizer = false;
};
