#include "engine/YzPlayer.h"

#include <algorithm>
#include <filesystem>

#include "platform/win32/Threads.h"
#include "tests/engine/PlayerFixture.h"
#include "tests/support/TempFolder.h"

namespace {

using PlayerTest = PlayerFixture;

struct NamedAction {
  const char* name;
  std::function<void(TYzPlayer*)> action;
};

const std::vector<NamedAction>& OperationsNeedingAModule() {
  static const std::vector<NamedAction> operations = {
      {"Open", [](TYzPlayer* p) { p->Open(); }},
      {"InitStream", [](TYzPlayer* p) { p->InitStream(); }},
      {"Play", [](TYzPlayer* p) { p->Play(); }},
      {"Stop", [](TYzPlayer* p) { p->Stop(); }},
      {"Close", [](TYzPlayer* p) { p->Close(); }},
      {"GetPlayerMode", [](TYzPlayer* p) { p->GetPlayerMode(); }},
      {"GetPos", [](TYzPlayer* p) { p->GetPos(); }},
      {"GetSize", [](TYzPlayer* p) { p->GetSize(); }},
      {"GetVolume", [](TYzPlayer* p) { p->GetVolume(); }},
      {"CanSetVolume",
       [](TYzPlayer* p) {
         bool s = false;
         p->CanSetVolume(s);
       }},
      {"HasEqualizer", [](TYzPlayer* p) { p->HasEqualizer(); }},
  };
  return operations;
}

TEST_F(PlayerTest, WithoutAModuleOperationsRaiseCode11AndSettersOnlyStore) {
  auto calls = CallsDuring([&] {
    for (int round = 0; round < 2; ++round) {
      for (const NamedAction& operation : OperationsNeedingAModule()) {
        std::string message;
        EXPECT_EQ(RaisedCode([&] { operation.action(Player); }, &message), 11) << operation.name;
        EXPECT_EQ(message, "Module not initialized");
      }
      // After an explicit DeInitModule the same holds.
      Player->InitModule();
      Player->DeInitModule();
    }
  });
  EXPECT_EQ(calls, (Calls{"QVInitModule", "QVSetOutCB user", "QVSetInCB user", "QVDeInitModule",
                          "QVInitModule", "QVSetOutCB user", "QVSetInCB user", "QVDeInitModule"}));

  calls = CallsDuring([&] {
    Player->SetInputMode(imCallback);
    Player->SetInputName("in.mp3");
    Player->SetOutputMode(omFile);
    Player->SetOutputName("out.wav");
    Player->SetStartPos(10);
    Player->SetEndPos(20);
    Player->SetBuffersCount(12);
    Player->SetBufferSize(4096);
    Player->SetOutputDevNum(2);
    Player->SetUseEqualizer(true);
    Player->SetPriority(5);
    EXPECT_EQ(Player->ModuleName(), "(Module not initialized)");
    EXPECT_EQ(Player->About(), "(Module not initialized)");
    EXPECT_EQ(Player->Extensions(), "");
    EXPECT_EQ(Player->Version(), -1);
  });
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(Player->InputMode(), imCallback);
  EXPECT_EQ(Player->InputName(), "in.mp3");
  EXPECT_EQ(Player->OutputMode(), omFile);
  EXPECT_EQ(Player->OutputName(), "out.wav");
  EXPECT_EQ(Player->StartPos(), 10);
  EXPECT_EQ(Player->EndPos(), 20);
  EXPECT_EQ(Player->BuffersCount(), 12);
  EXPECT_EQ(Player->BufferSize(), 4096);
  EXPECT_EQ(Player->OutputDevNum(), 2);
  EXPECT_TRUE(Player->UseEqualizer());
  EXPECT_EQ(Player->Priority(), 5);
}

TEST_F(PlayerTest, NewPlayerStartsWithTheConstructorsValues) {
  EXPECT_EQ(Player->InputMode(), imFile);
  EXPECT_EQ(Player->OutputMode(), omMMSystem);
  EXPECT_EQ(Player->BuffersCount(), 8);
  EXPECT_EQ(Player->BufferSize(), 16384);
  EXPECT_EQ(Player->StartPos(), 0);
  EXPECT_EQ(Player->EndPos(), 0);
  EXPECT_EQ(Player->Priority(), 0);
  EXPECT_FALSE(Player->Initialized());
  EXPECT_FALSE(Player->UseEqualizer());
  EXPECT_TRUE(IsWindow(Player->WindowHandle()));
}

TEST_F(PlayerTest, InitModuleInstallsTheCallbacksWithThePlayerAndSendsNoSetting) {
  Player->SetBuffersCount(12);
  Player->SetInputName("kept.mp3");
  EXPECT_EQ(CallsDuring([&] { Player->InitModule(); }),
            (Calls{"QVInitModule", "QVSetOutCB user", "QVSetInCB user"}));
  EXPECT_TRUE(Player->Initialized());
  TestCallbackTable callbacks = Module.Callbacks();
  EXPECT_EQ(callbacks.outputUser, reinterpret_cast<QVUserValue>(Player));
  EXPECT_EQ(callbacks.inputUser, reinterpret_cast<QVUserValue>(Player));
  EXPECT_NE(callbacks.output, nullptr);
  EXPECT_NE(callbacks.inputRead, nullptr);
}

TEST_F(PlayerTest, LoadingFailuresRaiseCode10AndLeaveInitializedUnchanged) {
  for (std::string path :
       {std::string(), std::string("/nonexistent/teskdec.dll"), std::string(WITHOUT_QVEQ_MODULE)}) {
    Player->SetPathToDLL(path);
    EXPECT_EQ(RaisedCode([&] { Player->InitModule(); }), 10) << path;
    EXPECT_FALSE(Player->Initialized());
  }
  // A failure after a successful InitModule: what was held was released first.
  Player->SetPathToDLL(Path);
  Player->InitModule();
  Player->SetPathToDLL("/nonexistent/teskdec.dll");
  EXPECT_EQ(RaisedCode([&] { Player->InitModule(); }), 10);
  EXPECT_FALSE(Player->Initialized());
  EXPECT_EQ(RaisedCode([&] { Player->Open(); }), 11);
}

TEST_F(PlayerTest, ModuleWithoutAHandleRaisesCode11) {
  Player->SetPathToDLL(INIT_FAILS_MODULE);
  std::string message;
  EXPECT_EQ(RaisedCode([&] { Player->InitModule(); }, &message), 11);
  EXPECT_EQ(message, "Module not initialized");
  EXPECT_FALSE(Player->Initialized());
  EXPECT_EQ(RaisedCode([&] { Player->GetPlayerMode(); }), 11);
}

// A loaded module keeps one player's state: a second player of the same module file, by any
// path, makes no call into it and holds nothing of it; a copy of the file is another module.
TEST_F(PlayerTest, ASecondPlayerOfAModuleAnotherHoldsIsRefused) {
  TempFolder dir;
  const std::string copy = dir.File("copy.dll");
  const std::string link = dir.File("link.dll");
  std::filesystem::copy_file(Path, copy);
  std::filesystem::create_symlink(copy, link);
  Player->SetPathToDLL(copy);
  Player->InitModule();
  auto* other = static_cast<TYzPlayer*>(Man.Players()->Add());
  for (const std::string& path : {copy, link}) {
    SCOPED_TRACE(path);
    other->SetPathToDLL(path);
    std::string message;
    EXPECT_EQ(
        CallsDuring([&] { EXPECT_EQ(RaisedCode([&] { other->InitModule(); }, &message), 10); }),
        Calls{});
    EXPECT_EQ(message, "Failed to load or initialize decoder module");
    EXPECT_FALSE(other->Initialized());
  }
  Player->DeInitModule();
  EXPECT_FALSE(IsFileLoadedAsLibrary(copy.c_str()));

  other->SetPathToDLL(copy);
  other->InitModule();
  Player->SetPathToDLL(Path);
  EXPECT_EQ(CallsDuring([&] { Player->InitModule(); }),
            (Calls{"QVInitModule", "QVSetOutCB user", "QVSetInCB user"}));
  other->DeInitModule();
  EXPECT_TRUE(DeleteFileA(copy.c_str()));
}

TEST_F(PlayerTest, LibraryIsHeldWhileBoundAndReleasedByDeInitOrDestruction) {
  TempFolder dir;
  std::string copy = dir.File("teskdec.dll");
  std::string broken = dir.File("broken.dll");
  std::filesystem::copy_file(Path, copy);
  std::filesystem::copy_file(WITHOUT_QVEQ_MODULE, broken);

  Player->SetPathToDLL(copy);
  Player->InitModule();
  EXPECT_TRUE(IsFileLoadedAsLibrary(copy.c_str()));
  EXPECT_FALSE(DeleteFileA(copy.c_str()));
  Player->DeInitModule();
  Player->DeInitModule();
  EXPECT_FALSE(IsFileLoadedAsLibrary(copy.c_str()));

  // A second InitModule releases the first module before loading the next.
  Player->InitModule();
  Player->SetPathToDLL(Path);
  Player->InitModule();
  EXPECT_FALSE(IsFileLoadedAsLibrary(copy.c_str()));
  Player->DeInitModule();

  // A library whose binding failed stays loaded until it is released, also by destruction.
  auto* other = static_cast<TYzPlayer*>(Man.Players()->Add());
  other->SetPathToDLL(broken);
  EXPECT_EQ(RaisedCode([&] { other->InitModule(); }), 10);
  EXPECT_TRUE(IsFileLoadedAsLibrary(broken.c_str()));
  delete other;
  EXPECT_FALSE(IsFileLoadedAsLibrary(broken.c_str()));

  other = static_cast<TYzPlayer*>(Man.Players()->Add());
  other->SetPathToDLL(copy);
  other->InitModule();
  Man.Players()->Clear();
  EXPECT_FALSE(IsFileLoadedAsLibrary(copy.c_str()));
  EXPECT_TRUE(DeleteFileA(copy.c_str()));
}

TEST_F(PlayerTest, DeInitModuleAndDestructionReleaseTheHandleOnce) {
  Player->InitModule();
  EXPECT_EQ(CallsDuring([&] {
              Player->DeInitModule();
              Player->DeInitModule();
            }),
            (Calls{"QVDeInitModule"}));
  EXPECT_FALSE(Player->Initialized());

  Player->InitModule();
  EXPECT_EQ(CallsDuring([&] { delete Player; }), (Calls{"QVDeInitModule"}));
  EXPECT_EQ(Man.Players()->Count(), 0);
}

TEST_F(PlayerTest, SecondInitModuleReleasesWhatTheFirstHeld) {
  Player->InitModule();
  EXPECT_EQ(CallsDuring([&] { Player->InitModule(); }),
            (Calls{"QVDeInitModule", "QVInitModule", "QVSetOutCB user", "QVSetInCB user"}));
  EXPECT_TRUE(Player->Initialized());
}

TEST_F(PlayerTest, InitializedPropertyLoadsAndReleasesOnce) {
  auto calls = CallsDuring([&] {
    Player->SetInitialized(true);
    Player->SetInitialized(true);
  });
  EXPECT_EQ(calls, (Calls{"QVInitModule", "QVSetOutCB user", "QVSetInCB user"}));
  EXPECT_EQ(CallsDuring([&] {
              Player->SetInitialized(false);
              Player->SetInitialized(false);
            }),
            (Calls{"QVDeInitModule"}));
}

TEST_F(PlayerTest, OpenInitStreamAndPlaySendTheStoredSettingsInOrder) {
  Player->SetInputMode(imCallback);
  Player->SetInputName("in.mp3");
  Player->SetOutputMode(omFile);
  Player->SetOutputName("out.wav");
  Player->SetOutputDevNum(3);
  Player->SetStartPos(1000);
  Player->SetEndPos(5000);
  Player->SetPriority(3);
  Player->InitModule();

  EXPECT_EQ(CallsDuring([&] { Player->Open(); }),
            (Calls{"QVSetInputMode 1", "QVSetInputName \"in.mp3\"", "QVSetOutputMode 1",
                   "QVSetOutputName \"out.wav\"", "QVSetPriority 0", "QVOpen"}));
  EXPECT_EQ(CallsDuring([&] { Player->InitStream(); }), (Calls{"QVSetDevNum 3", "QVInitStream"}));
  // Output mode file: the volume cannot be set, and no code is asked for.
  EXPECT_EQ(CallsDuring([&] { Player->Play(); }),
            (Calls{"QVSetLimits 1000 5000", "QVSetLimits 1000 5000", "QVSetWindow window",
                   "QVUseOutCB 0", "QVPlay", "QVCanSetVolume 0"}));
  EXPECT_EQ(CallsDuring([&] { Player->Stop(); }), (Calls{"QVStop"}));
  EXPECT_EQ(CallsDuring([&] { Player->Close(); }), (Calls{"QVClose"}));
  for (const std::string& call : Module.Log()) EXPECT_NE(call.rfind("QVSetExtras", 0), 0u);
}

TEST_F(PlayerTest, EmptyTextsReachTheModuleAsEmptyStrings) {
  Player->InitModule();
  auto calls = CallsDuring([&] { Player->Open(); });
  EXPECT_EQ(calls[1], "QVSetInputName \"\"");
  EXPECT_EQ(calls[3], "QVSetOutputName \"\"");
}

TEST_F(PlayerTest, PriorityMapsZeroToSixOntoThreadPriorities) {
  const std::pair<int32_t, int32_t> cases[] = {
      {0, THREAD_PRIORITY_IDLE},          {1, THREAD_PRIORITY_LOWEST},
      {2, THREAD_PRIORITY_BELOW_NORMAL},  {3, THREAD_PRIORITY_NORMAL},
      {4, THREAD_PRIORITY_ABOVE_NORMAL},  {5, THREAD_PRIORITY_HIGHEST},
      {6, THREAD_PRIORITY_TIME_CRITICAL}, {-4, THREAD_PRIORITY_IDLE},
      {99, THREAD_PRIORITY_TIME_CRITICAL}};
  Player->InitModule();
  for (auto [priority, level] : cases) {
    Player->SetPriority(priority);
    EXPECT_EQ(Player->Priority(), priority);
    auto calls = CallsDuring([&] { Player->Open(); });
    EXPECT_EQ(calls.at(4), "QVSetPriority " + std::to_string(level)) << priority;
  }
}

TEST_F(PlayerTest, RefusedPriorityIsSwallowedAndItsCodeTaken) {
  Player->InitModule();
  Module.SetResult("QVSetPriority", FALSE);
  Module.SetError(1);
  EXPECT_EQ(RaisedCode([&] { Player->Open(); }), -1);
  EXPECT_EQ(Player->LastError(), 1);
  // The code is not left for the next failure to report.
  Module.SetResult("QVInitStream", FALSE);
  EXPECT_EQ(RaisedCode([&] { Player->InitStream(); }), -1);
}

TEST_F(PlayerTest, PriorityWrittenWhileAModuleIsHeldReachesItAtOnce) {
  Player->InitModule();
  EXPECT_EQ(CallsDuring([&] { Player->SetPriority(2); }),
            (Calls{"QVSetPriority " + std::to_string(THREAD_PRIORITY_BELOW_NORMAL)}));
  EXPECT_EQ(Player->Priority(), 2);
  // Refused (the Windows Media Audio module has no thread of its own): kept, nothing raised,
  // and the code does not wait for the next failure.
  Module.SetResult("QVSetPriority", FALSE);
  Module.SetError(1);
  EXPECT_EQ(RaisedCode([&] { Player->SetPriority(5); }), -1);
  EXPECT_EQ(Player->Priority(), 5);
  EXPECT_EQ(Player->LastError(), 1);
  Module.SetResult("QVInitStream", FALSE);
  EXPECT_EQ(RaisedCode([&] { Player->InitStream(); }), -1);
}

TEST_F(PlayerTest, RunFailureRaisesTheCodeTheRunLeft) {
  EXPECT_EQ(RaisedCode([&] { Player->RaiseRunFailure(); }), 11);
  Player->InitModule();
  EXPECT_EQ(RaisedCode([&] { Player->RaiseRunFailure(); }), -1);
  Module.SetError(6);
  std::string message;
  EXPECT_EQ(RaisedCode([&] { Player->RaiseRunFailure(); }, &message), 6);
  EXPECT_EQ(message, "Output device failure");
  EXPECT_EQ(Player->LastError(), 6);
  // Asked once: the module holds it no longer.
  EXPECT_EQ(RaisedCode([&] { Player->RaiseRunFailure(); }), -1);
}

TEST_F(PlayerTest, UseOutCBIsTrueOnlyWithAllThreeOutputEvents) {
  Player->SetOutputMode(omFile);
  Player->InitModule();
  auto useOutCB = [&] {
    for (const std::string& call : CallsDuring([&] { Player->Play(); }))
      if (call.rfind("QVUseOutCB", 0) == 0) return call;
    return std::string();
  };
  EXPECT_EQ(useOutCB(), "QVUseOutCB 0");
  Player->OnOutputInit = [](TObject*, bool& s) { s = true; };
  Player->OnOutputDone = [](TObject*, bool& s) { s = true; };
  EXPECT_EQ(useOutCB(), "QVUseOutCB 0");
  Player->OnOutput = [](TObject*, void*, int32_t, int32_t, int32_t, int32_t, bool& s) { s = true; };
  EXPECT_EQ(useOutCB(), "QVUseOutCB 1");
  Player->OnOutputDone = nullptr;
  EXPECT_EQ(useOutCB(), "QVUseOutCB 0");
}

// Operations raise the module's code only when it is above 0, with its low 8 bits.
TEST_F(PlayerTest, FailedOperationsRaiseOnlyCodesAboveZero) {
  struct Case {
    const char* function;
    int32_t failure;
    std::function<void(TYzPlayer*)> action;
  };
  const Case cases[] = {
      {"QVOpen", FALSE, [](TYzPlayer* p) { p->Open(); }},
      {"QVInitStream", FALSE, [](TYzPlayer* p) { p->InitStream(); }},
      {"QVPlay", FALSE, [](TYzPlayer* p) { p->Play(); }},
      {"QVStop", FALSE, [](TYzPlayer* p) { p->Stop(); }},
      {"QVClose", FALSE, [](TYzPlayer* p) { p->Close(); }},
      {"QVGetPos", -1, [](TYzPlayer* p) { EXPECT_EQ(p->GetPos(), -1); }},
      {"QVGetSize", -1, [](TYzPlayer* p) { EXPECT_EQ(p->GetSize(), -1); }},
  };
  Player->InitModule();
  for (const Case& c : cases) {
    Module.SetResult(c.function, c.failure);
    for (auto [code, raised] : {std::pair{0, -1}, {-1, -1}, {2, 2}, {5, 5}, {0x105, 5}}) {
      Module.SetError(code);
      std::string message;
      EXPECT_EQ(RaisedCode([&] { c.action(Player); }, &message), raised) << c.function << code;
      EXPECT_EQ(Player->LastError(), code);
      if (raised == 2) {
        EXPECT_EQ(message, "Incorrect decoder mode");
      }
    }
    Module.SetResult(c.function, c.function[2] == 'G' ? 1234 : TRUE);
  }
  Module.SetResult("QVGetPos", 1234);
  EXPECT_EQ(Player->GetPos(), 1234);
}

TEST_F(PlayerTest, PlayStopsAtAFailedPlay) {
  Player->InitModule();
  Module.SetResult("QVPlay", FALSE);
  Module.SetError(6);
  auto calls = CallsDuring([&] { EXPECT_EQ(RaisedCode([&] { Player->Play(); }), 6); });
  EXPECT_EQ(calls.back(), "QVLastError");
  EXPECT_EQ(calls.at(calls.size() - 2), "QVPlay");
}

// Every send-or-store setter, refused: raises the module's code whatever it is, keeps its value.
TEST_F(PlayerTest, RefusedSettersRaiseAnyCodeAndKeepTheOldValue) {
  struct Case {
    const char* function;
    std::function<void(TYzPlayer*)> write;
    std::function<bool(TYzPlayer*)> unchanged;
    const char* sent;
  };
  const Case cases[] = {
      {"QVSetInputMode", [](TYzPlayer* p) { p->SetInputMode(imCallback); },
       [](TYzPlayer* p) { return p->InputMode() == imFile; }, "QVSetInputMode 1"},
      {"QVSetInputName", [](TYzPlayer* p) { p->SetInputName("new.mp3"); },
       [](TYzPlayer* p) { return p->InputName() == "old.mp3"; }, "QVSetInputName \"new.mp3\""},
      {"QVSetOutputMode", [](TYzPlayer* p) { p->SetOutputMode(omCallback); },
       [](TYzPlayer* p) { return p->OutputMode() == omFile; }, "QVSetOutputMode 3"},
      {"QVSetOutputName", [](TYzPlayer* p) { p->SetOutputName("new.wav"); },
       [](TYzPlayer* p) { return p->OutputName() == "old.wav"; }, "QVSetOutputName \"new.wav\""},
      {"QVSetLimits", [](TYzPlayer* p) { p->SetStartPos(700); },
       [](TYzPlayer* p) { return p->StartPos() == 100; }, "QVSetLimits 700 200"},
      {"QVSetLimits", [](TYzPlayer* p) { p->SetEndPos(900); },
       [](TYzPlayer* p) { return p->EndPos() == 200; }, "QVSetLimits 100 900"},
      {"QVSetBuffers", [](TYzPlayer* p) { p->SetBuffersCount(12); },
       [](TYzPlayer* p) { return p->BuffersCount() == 8; }, "QVSetBuffers 12 16384"},
      {"QVSetBuffers", [](TYzPlayer* p) { p->SetBufferSize(4096); },
       [](TYzPlayer* p) { return p->BufferSize() == 16384; }, "QVSetBuffers 8 4096"},
      {"QVSetDevNum", [](TYzPlayer* p) { p->SetOutputDevNum(4); },
       [](TYzPlayer* p) { return p->OutputDevNum() == 1; }, "QVSetDevNum 4"},
      {"QVUseEQ", [](TYzPlayer* p) { p->SetUseEqualizer(true); },
       [](TYzPlayer* p) { return !p->UseEqualizer(); }, "QVUseEQ 1"},
  };
  Player->SetInputName("old.mp3");
  Player->SetOutputMode(omFile);
  Player->SetOutputName("old.wav");
  Player->SetStartPos(100);
  Player->SetEndPos(200);
  Player->SetOutputDevNum(1);
  Player->InitModule();
  for (const Case& c : cases) {
    Module.SetResult(c.function, FALSE);
    for (int code : {0, 3}) {
      Module.SetError(code);
      std::string message;
      auto calls = CallsDuring(
          [&] { EXPECT_EQ(RaisedCode([&] { c.write(Player); }, &message), code) << c.sent; });
      EXPECT_EQ(calls.back(), "QVLastError");
      EXPECT_EQ(calls.at(calls.size() - 2), c.sent);
      EXPECT_TRUE(c.unchanged(Player)) << c.sent;
      if (code == 0) {
        EXPECT_EQ(message, "No error");
      }
    }
    Module.SetResult(c.function, TRUE);
  }
}

TEST_F(PlayerTest, AcceptedSettersSendTheOtherStoredValueAlong) {
  Player->SetStartPos(100);
  Player->SetEndPos(200);
  Player->InitModule();
  EXPECT_EQ(CallsDuring([&] {
              Player->SetStartPos(300);
              Player->SetEndPos(400);
              Player->SetBuffersCount(12);
              Player->SetBufferSize(4096);
            }),
            (Calls{"QVSetLimits 300 200", "QVSetLimits 300 400", "QVSetBuffers 12 16384",
                   "QVSetBuffers 12 4096"}));
  EXPECT_EQ(Player->StartPos(), 300);
  EXPECT_EQ(Player->BufferSize(), 4096);
}

TEST_F(PlayerTest, RefusingModuleWithCodeZero) {
  ModuleControls refusing(REFUSING_MODULE);
  refusing.Reset();
  Player->SetPathToDLL(REFUSING_MODULE);
  Player->SetOutputMode(omFile);
  Player->InitModule();  // results of the callback installation are not looked at
  EXPECT_TRUE(Player->Initialized());
  // Open's first setter raises "No error"; the operations return quietly.
  std::string message;
  EXPECT_EQ(RaisedCode([&] { Player->Open(); }, &message), 0);
  EXPECT_EQ(message, "No error");
  EXPECT_EQ(Player->OutputMode(), omFile);
  EXPECT_EQ(RaisedCode([&] { Player->Stop(); }), -1);
  EXPECT_EQ(RaisedCode([&] { Player->Close(); }), -1);
  EXPECT_EQ(Player->GetPos(), -1);
  EXPECT_EQ(Player->GetSize(), -1);
  EXPECT_EQ(Player->GetPlayerMode(), -1);
  EXPECT_EQ(Player->ModuleName(), "Unknown module");
  EXPECT_EQ(Player->About(), "Unknown module ... ");
  EXPECT_EQ(Player->Extensions(), "");
  EXPECT_EQ(RaisedCode([&] { Player->InitStream(); }), 0);  // its setter refuses
  EXPECT_EQ(RaisedCode([&] { Player->Play(); }), 0);
}

TEST_F(PlayerTest, VolumeStepsOfPlay) {
  Player->InitModule();
  // A wave device with separate volumes: the value just read goes back unchanged.
  Module.SetResult("QVCanSetVolume", TRUE);
  Module.SetVolume(0x1234ABCD, 1);
  auto calls = CallsDuring([&] { Player->Play(); });
  Calls tail(calls.end() - 3, calls.end());
  EXPECT_EQ(tail, (Calls{"QVCanSetVolume 0", "QVGetVolume",
                         "QVSetVolume " + std::to_string(0x1234ABCDu)}));
  // Volume without separate channels: nothing more after the question.
  Module.SetVolume(0x1234ABCD, 0);
  EXPECT_EQ(CallsDuring([&] { Player->Play(); }).back(), "QVCanSetVolume 0");

  // A real failure of the volume read on a wave device raises, while the module plays.
  Module.SetVolume(0x1234ABCD, 1);
  Module.SetResult("QVGetVolume", FALSE);
  Module.SetError(0);
  calls = CallsDuring([&] { EXPECT_EQ(RaisedCode([&] { Player->Play(); }), 0); });
  EXPECT_NE(std::find(calls.begin(), calls.end(), "QVPlay"), calls.end());
}

TEST_F(PlayerTest, AnswerThatVolumeCannotBeSetRaisesNothingAndLeavesThePendingCode) {
  Player->SetOutputMode(omFile);
  Player->InitModule();
  Module.SetError(5);  // left over from an earlier run's failure
  auto calls = CallsDuring([&] { EXPECT_EQ(RaisedCode([&] { Player->Play(); }), -1); });
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "QVLastError"), 0);
}

TEST_F(PlayerTest, GetVolumeReportsFailuresOnlyForTheWaveDevice) {
  Player->InitModule();
  Module.SetVolume(0x00020001, 0);
  EXPECT_EQ(Player->GetVolume(), 1);
  Module.SetResult("QVGetVolume", FALSE);
  for (int code : {0, 6}) {
    Module.SetError(code);
    EXPECT_EQ(RaisedCode([&] { Player->GetVolume(); }), code);
  }
  Player->SetOutputMode(omFile);
  Module.SetError(6);
  auto calls = CallsDuring([&] { EXPECT_EQ(Player->GetVolume(), 0); });
  EXPECT_EQ(calls, (Calls{"QVGetVolume"}));
}

TEST_F(PlayerTest, CanSetVolumeKeepsSeparateUnlessTheModuleWritesIt) {
  Player->InitModule();
  bool separate = true;
  EXPECT_FALSE(Player->CanSetVolume(separate));
  EXPECT_TRUE(separate);
  Module.SetResult("QVCanSetVolume", TRUE);
  Module.SetVolume(0, 0);
  EXPECT_TRUE(Player->CanSetVolume(separate));
  EXPECT_FALSE(separate);
}

TEST_F(PlayerTest, TextPropertiesAskTheModule) {
  Player->InitModule();
  auto calls = CallsDuring([&] { EXPECT_EQ(Player->ModuleName(), "Test Module"); });
  EXPECT_EQ(calls, (Calls{"QVGetName (null)", "QVGetName 12"}));
  EXPECT_EQ(Player->About(), "Test module for the player");
  EXPECT_EQ(Player->Extensions(), "*.tst");
  EXPECT_EQ(Player->Version(), 77);

  Module.SetTexts(nullptr, nullptr, nullptr);
  EXPECT_EQ(Player->ModuleName(), "Unknown module");
  EXPECT_EQ(Player->About(), "Unknown module ... ");
  EXPECT_EQ(Player->Extensions(), "");
  Module.SetTexts("", "", "");
  EXPECT_EQ(Player->ModuleName(), "");

  Player->SetModuleName("(Module not initialized)");
  Player->SetAbout("changed");
  Player->SetVersion(5);
  Player->SetExtensions("*.x");
  Module.SetTexts("Audio Test", "About", "*.a");
  EXPECT_EQ(Player->ModuleName(), "Audio Test");
  EXPECT_EQ(Player->About(), "About");
  EXPECT_EQ(Player->Version(), 77);
  EXPECT_EQ(Player->Extensions(), "*.a");
}

TEST_F(PlayerTest, UseEqualizerOnlyWithAModuleThatHasOne) {
  Player->InitModule();
  EXPECT_TRUE(Player->HasEqualizer());
  EXPECT_EQ(CallsDuring([&] { Player->SetUseEqualizer(true); }), (Calls{"QVHasEQ 0", "QVUseEQ 1"}));
  EXPECT_TRUE(Player->UseEqualizer());

  Module.SetHasEQ(0);
  EXPECT_EQ(CallsDuring([&] { Player->SetUseEqualizer(false); }), (Calls{"QVHasEQ 0"}));
  EXPECT_TRUE(Player->UseEqualizer());
}

TEST_F(PlayerTest, HiddenWindowAgreesToEndTheSession) {
  EXPECT_EQ(SendMessageA(Player->WindowHandle(), WM_QUERYENDSESSION, 0, 0), 1);
  EXPECT_EQ(SendMessageA(Player->WindowHandle(), WM_USER, 0, 0), 0);
  HWND window = Player->WindowHandle();
  delete Player;
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(PlayerTest, GetPlayerModeAsksTheModuleEveryTime) {
  Player->InitModule();
  Module.SetResult("QVGetPlayerMode", pmFinished);
  auto calls = CallsDuring([&] {
    EXPECT_EQ(Player->GetPlayerMode(), pmFinished);
    EXPECT_EQ(Player->GetPlayerMode(), pmFinished);
  });
  EXPECT_EQ(calls, (Calls{"QVGetPlayerMode", "QVGetPlayerMode"}));
}

}  // namespace
