// What every module frame shares: the text protocol, the operation guard, the handle
// check and the module's COM initialisation.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "engine/modules/common/HandleCheck.h"
#include "engine/modules/common/ModuleCom.h"
#include "engine/modules/common/ModuleOperation.h"
#include "engine/modules/common/ModuleText.h"
#include "platform/win32/Com.h"

namespace {

TEST(ModuleText, CopiesOnlyWhenTheLengthAllowsTheZero) {
  struct Case {
    bool withBuffer;
    int32_t length;
    bool copied;
  };
  const Case cases[] = {{false, 100, false}, {true, 11, true},  {true, 10, false},
                        {true, 0, false},    {true, -1, false}, {true, 200, true}};
  for (const auto& c : cases) {
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    int32_t length = c.length;
    EXPECT_EQ(CopyModuleText("Audio MPEG", c.withBuffer ? buffer : nullptr, &length), c.copied)
        << c.length;
    EXPECT_EQ(length, 10);
    if (c.copied)
      EXPECT_STREQ(buffer, "Audio MPEG");
    else
      EXPECT_EQ(buffer[0], '#');
  }
  EXPECT_FALSE(CopyModuleText("x", nullptr, nullptr));
}

TEST(ModuleOperation, FailuresBecomeTheCodeAndTheFailureValue) {
  ModuleErrorCode errors;
  EXPECT_EQ(RunModuleOperation(errors, -1, [] { return 5; }), 5);
  EXPECT_EQ(errors.Get(), 0);
  EXPECT_FALSE(RunModuleOperation(errors, false, []() -> bool { RaiseModuleFailure(6); }));
  EXPECT_EQ(errors.Get(), 6);
  // A failure without a code leaves the code as it was.
  EXPECT_EQ(RunModuleOperation(errors, -1, []() -> int { RaiseModuleFailure(0); }), -1);
  EXPECT_EQ(errors.Take(), 6);
  EXPECT_EQ(errors.Take(), 0);
  EXPECT_FALSE(RunModuleOperation(errors, false, []() -> bool { throw std::bad_alloc(); }));
  EXPECT_EQ(errors.Take(), qvNoMemory);
}

TEST(ModuleOperation, AModeNotAllowedIsIncorrectMode) {
  ModuleErrorCode errors;
  for (bool allowed : {true, false}) {
    bool ranOn = false;
    const bool result = RunModuleOperation(errors, false, [&] {
      RequireMode(allowed);
      ranOn = true;
      return true;
    });
    EXPECT_EQ(result, allowed);
    EXPECT_EQ(ranOn, allowed);
    EXPECT_EQ(errors.Take(), allowed ? 0 : qvIncorrectMode);
  }
}

struct FakeHandle {
  uint32_t Magic;
};

TEST(HandleCheck, OnlyTheMagicValuePasses) {
  FakeHandle good{HandleMagic}, bad{HandleMagic + 1};
  EXPECT_EQ(CheckHandle<FakeHandle>(reinterpret_cast<QVHandle>(&good)), &good);
  EXPECT_EQ(CheckHandle<FakeHandle>(reinterpret_cast<QVHandle>(&bad)), nullptr);
  EXPECT_EQ(CheckHandle<FakeHandle>(0), nullptr);
}

TEST(ModuleCom, EntersTheMultithreadedApartmentAndLeavesOnlyWhatItEntered) {
  std::thread([] {
    ModuleCom com;
    ASSERT_TRUE(com.Initialise());
    EXPECT_TRUE(com.Usable());
    // The thread is in the multithreaded apartment now.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), RPC_E_CHANGED_MODE);
    ASSERT_TRUE(com.Initialise());  // once per module
    com.Release();
    EXPECT_FALSE(com.Usable());
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    CoUninitialize();
  }).join();
}

TEST(ModuleCom, ThreadInTheSingleThreadedApartmentIsAccepted) {
  std::thread([] {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    ModuleCom com;
    ASSERT_TRUE(com.Initialise());
    EXPECT_TRUE(com.Usable());
    com.Release();
    EXPECT_FALSE(com.Usable());
    // The module did not leave the host's apartment.
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    CoUninitialize();
  }).join();
}

TEST(ModuleCom, AlreadyInTheMultithreadedApartmentCountsAsOwnEntry) {
  std::thread([] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    ModuleCom com;
    ASSERT_TRUE(com.Initialise());  // S_FALSE
    com.Release();
    // The host's own entry remains.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), RPC_E_CHANGED_MODE);
    CoUninitialize();
  }).join();
}

}  // namespace
