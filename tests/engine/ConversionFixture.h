// The converter's set-up for the conversion tests: a manager with one player holding the
// values the converter's main window streams in, bound to the MPEG module.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "engine/YzPlayerMan.h"
#include "engine/YzSException.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"

inline std::string Vector(const char* name) { return VectorPath(name).string(); }

class ConversionFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Dir.path().empty());
    Player = static_cast<TYzPlayer*>(Man.Players()->Add());
    Player->SetInputMode(imFile);
    Player->SetOutputMode(omFile);
    Player->SetModuleName("(Module not initialized)");
    Player->SetStartPos(0);
    Player->SetEndPos(0);
    Player->SetPriority(0);
    Player->SetBuffersCount(12);
    Player->SetBufferSize(16384);
    Player->SetOutputDevNum(0);
    Player->SetUseEqualizer(false);
    Player->SetPathToDLL(TESKDEC_MODULE);
    Player->InitModule();
  }

  // Polls the module's mode until the run ends by itself, reading the position while it plays
  // as the converter's timer does. False when the deadline passes first.
  bool WaitUntilFinished(std::chrono::seconds deadline = std::chrono::seconds(120)) {
    int32_t mode = pmPlaying;
    const bool ended = WaitFor(
        [&] {
          mode = Player->GetPlayerMode();
          if (mode != pmPlaying && mode != pmPaused) return true;
          EXPECT_GE(Player->GetPos(), 0);
          return false;
        },
        deadline, std::chrono::milliseconds(5));
    if (ended && mode != pmFinished) ADD_FAILURE() << "mode " << mode << " while converting";
    return ended && mode == pmFinished;
  }

  TempFolder Dir;
  TYzPlayerMan Man{nullptr};
  TYzPlayer* Player = nullptr;
};
