// The module frame: the base of both decoder modules. It holds the module record (the fields
// both modules share, the error code, the COM bookkeeping, the output writer and the player the
// module works for), the shared setters and queries with their mode rules, the volume calls and
// the default forms of the calls only some modules implement. Each module derives from it and
// implements what differs. The exports (ModuleExports.cpp) check the handle and call these; a
// bad handle gives false (or -1) and sets no error code. Each operation checks the player mode
// and sets the module's error code itself.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "engine/PluginInterface.h"
#include "engine/modules/common/InputSettings.h"
#include "engine/modules/common/ModuleCom.h"
#include "engine/modules/common/ModuleErrorCode.h"
#include "engine/modules/common/ModuleOperation.h"
#include "engine/modules/common/ModulePlayer.h"
#include "engine/modules/common/OutputSettings.h"
#include "engine/modules/common/OutputWriter.h"

// The texts and the version a module reports without a handle.
struct ModuleTexts {
  const char* Name;
  const char* Extensions;
  const char* About;
  int32_t Version;
};

class DecoderModule {
 public:
  static constexpr uint32_t NoEnd = 0xFFFFFFFF;

  DecoderModule(const DecoderModule&) = delete;
  DecoderModule& operator=(const DecoderModule&) = delete;

  const ModuleTexts& Texts() const { return texts_; }

  // A new player handle (QVInitModule), or null.
  virtual ModulePlayer* InitModule() = 0;
  // The player behind a host's handle value; null for a bad handle (see HandleCheck.h).
  virtual ModulePlayer* Checked(QVHandle h) = 0;
  // The host's handle value of a player.
  virtual QVHandle HandleOf(ModulePlayer& player) = 0;
  // Whether the module works for this player: a later QVInitModule takes the module over and
  // ends what the earlier player held, which then stays closed.
  bool Serves(const ModulePlayer& player) const { return Current == &player; }
  // The player behind a host's handle for a call that acts on the module: null for a bad
  // handle (no code), and for a handle the module no longer serves, which gets "Incorrect
  // decoder mode" (it stays closed, and the module's state is another player's).
  ModulePlayer* Served(QVHandle h);
  // Frees the player; one that the module no longer serves leaves the module as it is.
  virtual bool DeInitModule(ModulePlayer& player) = 0;

  // What each module does its own way.
  virtual bool Open(ModulePlayer& player) = 0;
  virtual bool InitStream(ModulePlayer& player) = 0;
  virtual bool Play(ModulePlayer& player) = 0;
  virtual bool Stop(ModulePlayer& player) = 0;
  virtual bool Close(ModulePlayer& player) = 0;
  virtual bool SetLimits(ModulePlayer& player, uint32_t start, uint32_t end) = 0;

  // The pause and resume of a run (playing or paused): the request first, then the mode, so
  // that a mode that says paused always has the request standing. A run that is ending takes
  // no pause: it would end paused (the run looks at the request after it has marked its end).
  bool Pause(ModulePlayer& player);
  bool Resume(ModulePlayer& player);
  // A seek of a run: what the output holds plays out first (not on DirectSound), the blocks
  // written meanwhile dropped; then the module moves its input (MoveInput).
  bool SetPos(ModulePlayer& player, uint32_t position);
  // The stream's record. A call that gives no record to fill, no size or a size below the
  // record's is a size query, answered in any mode: the size (where given) becomes the
  // record's, the error code 0, and the result false.
  bool GetInfo1(ModulePlayer& player, StreamInfo* info, uint32_t* size);

  // The end of a run that ended by itself, on the run's thread once its last samples are
  // written: what the output holds plays out. A pause holds the end until the run is resumed;
  // a seek that the module takes meanwhile sends the run back to its input: true then. A stop
  // cuts it short. False when the run ends, marked Ending, which refuses pauses and seeks
  // from then on.
  bool GoesOnAfterPlayOut(ModulePlayer& player);

  // The input settings: only while closed.
  bool SetInputName(ModulePlayer& player, const char* name);
  bool SetInCB(ModulePlayer& player, QVInputOpenProc open, QVInputCloseProc close,
               QVInputGetSizeProc getSize, QVInputSeekProc seek, QVInputReadProc read,
               QVUserValue user);
  // The output settings: not while a run goes on; the device of QVSetOutputDev only while
  // closed.
  bool SetOutputMode(ModulePlayer& player, int32_t mode);
  bool SetOutputName(ModulePlayer& player, const char* name);
  bool SetOutputDev(ModulePlayer& player, int32_t device);
  bool SetDevNum(ModulePlayer& player, int32_t device);
  // A count or size of 0 keeps the one set.
  bool SetBuffers(ModulePlayer& player, int32_t count, int32_t size);
  bool SetWindow(ModulePlayer& player, HWND window);
  bool UseOutCB(ModulePlayer& player, bool use);
  bool SetOutCB(ModulePlayer& player, QVOutputProc data, QVOutputActionProc action,
                QVUserValue user);

  // pmFinished is reported once; the same call turns it into pmOpen.
  int32_t GetPlayerMode(ModulePlayer& player);
  // Milliseconds: the position of a run, the duration once it has finished.
  int32_t GetPos(ModulePlayer& player);
  int32_t GetSize(ModulePlayer& player);
  bool CanSetPos(ModulePlayer& player);
  bool GetInfo2(ModulePlayer& player, const char** text);
  // The module-wide code, which is reset to 0.
  int32_t LastError(ModulePlayer& player);

  // By the current output mode; they never raise.
  bool GetVolume(ModulePlayer& player, uint32_t* volume);
  bool SetVolume(ModulePlayer& player, uint32_t volume);
  bool CanSetVolume(ModulePlayer& player, QVByteBool* separate);

  // The calls only some modules implement, on the host's handle. Their default forms check no
  // handle: file input only, no priority and no equaliser ("Not implemented").
  virtual bool SetInputMode(QVHandle h, int32_t mode);
  virtual bool SetPriority(QVHandle h, int32_t priority);
  virtual bool HasEQ(QVHandle h, QVByteBool* has);
  virtual bool UseEQ(QVHandle h, bool use);
  virtual bool EQ(QVHandle h, double** gains, int32_t* channels, int32_t* bands);

  // The shared record fields. A run's thread reads the limits while the host's thread may
  // change them.
  std::atomic<uint32_t> StartLimit{0};
  std::atomic<uint32_t> EndLimit{0};
  QVByteBool CanSetPosition = 1;
  // Input mode, name and the input callbacks.
  InputSettings Input;
  // Output mode, name, device, buffers, the output format and the output callbacks.
  OutputSettings Output;

  // Module-wide values besides the record.
  ModuleErrorCode Errors;
  ModuleCom Com;
  OutputWriter Writer;
  // The player handle made last; the module works for it.
  ModulePlayer* Current = nullptr;

 protected:
  DecoderModule(const ModuleTexts& texts, const WaveDeviceRules& waveDevice);
  ~DecoderModule() = default;

  // The initial values of the shared fields of a new player's record (QVInitModule): no limits,
  // seekable, file input without a name, 44100 Hz two-channel 16-bit output, and no error
  // code.
  void ResetSharedRecord();

  // Runs an operation's body: a failure becomes the module's code and false.
  template <class Body>
  bool Operation(Body&& body) {
    return RunModuleOperation(Errors, false, [&]() -> bool { return body(); });
  }

  // An output setting: refused while a run goes on.
  template <class Change>
  bool SetWhileNotRunning(const ModulePlayer& player, Change&& change) {
    return Operation([&] {
      RequireMode(!player.Running());
      change();
      return true;
    });
  }

  // The answers behind the shared queries: the stream's duration and the run's position in
  // milliseconds, and the text of QVGetInfo2.
  virtual int32_t DurationMs(ModulePlayer& player) = 0;
  virtual int32_t PositionMs(ModulePlayer& player) = 0;
  virtual const char* InfoText(ModulePlayer& player) = 0;
  // The record of QVGetInfo1 for a stream that is set up.
  virtual StreamInfo InfoRecord(ModulePlayer& player) = 0;
  // The second half of a seek, once the output has played out: the input moves to the
  // position in milliseconds.
  virtual void MoveInput(ModulePlayer& player, uint32_t position) = 0;
  // Where the modules take a seek at the end of a run differently. While the output plays
  // out: whether a seek is on its way or has landed. Once the play out has stopped: whether a
  // seek sends the run back to its input; `held` then takes the lock under which a seek moves
  // the input, so that the end is marked before a seek or after it, never while one moves it.
  virtual bool SeekComing(const ModulePlayer& player) const { return player.SeekPending.load(); }
  virtual bool SeekSendsRunBack(ModulePlayer& player, std::unique_lock<std::mutex>& held) = 0;
  // The buffer size kept for a size the host asks for.
  virtual int32_t UsableBufferSize(int32_t size) const { return size; }

 private:
  const ModuleTexts texts_;
};

// The module this shared object carries; each module's shared object defines it once.
DecoderModule& ThisModule();
