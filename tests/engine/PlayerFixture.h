// The player tests' fixture: a manager with one player bound to a test module, and the
// module's controls reached through the loader.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/YzPlayerMan.h"
#include "engine/YzSException.h"
#include "platform/win32/Library.h"
#include "tests/engine/TestModule.h"

template <class Proc>
Proc ProcOf(HMODULE module, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

class ModuleControls {
 public:
  explicit ModuleControls(const char* path) : FModule(LoadLibraryA(path)) {
    Reset = ProcOf<TestResetProc>(FModule, "TestReset");
    SetResult = ProcOf<TestSetResultProc>(FModule, "TestSetResult");
    SetError = ProcOf<TestSetErrorProc>(FModule, "TestSetError");
    SetVolume = ProcOf<TestSetVolumeProc>(FModule, "TestSetVolume");
    SetHasEQ = ProcOf<TestSetHasEQProc>(FModule, "TestSetHasEQ");
    SetTexts = ProcOf<TestSetTextsProc>(FModule, "TestSetTexts");
    FLog = ProcOf<TestLogProc>(FModule, "TestLog");
    FCallbacks = ProcOf<TestCallbacksProc>(FModule, "TestCallbacks");
  }
  ~ModuleControls() {
    if (FModule) FreeLibrary(FModule);
  }
  bool Loaded() const { return FModule && Reset && FLog; }

  std::vector<std::string> Log() const {
    std::vector<std::string> lines;
    std::istringstream in(FLog());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  TestCallbackTable Callbacks() const {
    TestCallbackTable table{};
    FCallbacks(&table);
    return table;
  }

  TestResetProc Reset = nullptr;
  TestSetResultProc SetResult = nullptr;
  TestSetErrorProc SetError = nullptr;
  TestSetVolumeProc SetVolume = nullptr;
  TestSetHasEQProc SetHasEQ = nullptr;
  TestSetTextsProc SetTexts = nullptr;

 private:
  HMODULE FModule;
  TestLogProc FLog = nullptr;
  TestCallbacksProc FCallbacks = nullptr;
};

// The code of the TYzSException that Action raises, or -1 when it raises none.
inline int RaisedCode(const std::function<void()>& Action, std::string* Message = nullptr) {
  try {
    Action();
  } catch (const TYzSException& error) {
    if (Message) *Message = error.Message();
    return error.ErrorCode;
  }
  return -1;
}

class PlayerFixture : public ::testing::Test {
 protected:
  explicit PlayerFixture(const char* modulePath = RECORDING_MODULE)
      : Path(modulePath), Module(modulePath) {}

  void SetUp() override {
    ASSERT_TRUE(Module.Loaded()) << Path;
    Module.Reset();
    Player->SetPathToDLL(Path);
  }

  // The module calls that Action makes.
  std::vector<std::string> CallsDuring(const std::function<void()>& Action) {
    size_t before = Module.Log().size();
    Action();
    std::vector<std::string> log = Module.Log();
    return std::vector<std::string>(log.begin() + static_cast<long>(before), log.end());
  }

  std::string Path;
  TYzPlayerMan Man{nullptr};
  TYzPlayer* Player = static_cast<TYzPlayer*>(Man.Players()->Add());
  ModuleControls Module;
};

using Calls = std::vector<std::string>;
