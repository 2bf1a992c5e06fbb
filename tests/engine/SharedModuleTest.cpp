// Two players of one manager and the two real modules. A loaded module keeps the state of one
// player at a time, and a module file loaded twice is loaded once: a player whose InitModule
// would take a module over that another player holds raises code 10 and holds nothing, so that
// no player's events reach another, also while the players switch modules.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <barrier>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "engine/YzPlayerMan.h"
#include "engine/YzSException.h"
#include "tests/support/Files.h"
#include "tests/support/SoundDevices.h"
#include "tests/support/Wait.h"

namespace {

const std::string Mpeg = TESKDEC_MODULE;
const std::string Wma = TESKWMA_MODULE;
const std::string MpegInput = FixturePath("conformance/l2-fl10.bit").string();
const std::string WmaInput = FixturePath("wma/v2-8k-mono.wma").string();

// The code of the TYzSException that Action raises, or -1 when it raises none.
template <class Action>
int RaisedCode(Action action, std::string* message = nullptr) {
  try {
    action();
  } catch (const TYzSException& error) {
    if (message != nullptr) *message = error.Message();
    return error.ErrorCode;
  }
  return -1;
}

// A player's output events: the samples that reached this player.
struct Received {
  std::mutex lock;
  std::string samples;
  int starts = 0;
  int ends = 0;

  void Attach(TYzPlayer* player) {
    player->OnOutputInit = [this](TObject*, bool& success) {
      std::lock_guard guard(lock);
      ++starts;
      success = true;
    };
    player->OnOutputDone = [this](TObject*, bool& success) {
      std::lock_guard guard(lock);
      ++ends;
      success = true;
    };
    player->OnOutput = [this](TObject*, void* data, int32_t, int32_t, int32_t, int32_t size,
                              bool& success) {
      std::lock_guard guard(lock);
      samples.append(static_cast<const char*>(data), static_cast<size_t>(size));
      success = true;
    };
  }
  void Clear() {
    std::lock_guard guard(lock);
    samples.clear();
    starts = ends = 0;
  }
  std::string Samples() {
    std::lock_guard guard(lock);
    return samples;
  }
  bool StartedAndEndedOnce() {
    std::lock_guard guard(lock);
    return starts == 1 && ends == 1;
  }
  bool Untouched() {
    std::lock_guard guard(lock);
    return samples.empty() && starts == 0 && ends == 0;
  }
};

class SharedModule : public ::testing::Test {
 protected:
  void SetUp() override {
    // FFmpeg's libraries, which the WMA module loads, keep allocations of their start-up in
    // their static data: the module stays mapped after the players release it, so that the
    // leak checker still sees them.
    static void* const keptMapped = dlopen(Wma.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    ASSERT_NE(keptMapped, nullptr);
    for (int i = 0; i < 2; ++i) {
      players[i] = static_cast<TYzPlayer*>(Man.Players()->Add());
      players[i]->SetOutputMode(omCallback);
      received[i].Attach(players[i]);
    }
  }

  // Loads the module into the player; the code InitModule raised, -1 for none.
  int Load(int player, const std::string& module, std::string* message = nullptr) {
    players[player]->SetPathToDLL(module);
    return RaisedCode([&] { players[player]->InitModule(); }, message);
  }
  void Start(int player, const std::string& input) {
    received[player].Clear();
    TYzPlayer* p = players[player];
    p->SetInputName(input);
    p->Open();
    p->InitStream();
    p->Play();
  }
  void Finish(int player) {
    EXPECT_TRUE(WaitFor([&] { return players[player]->GetPlayerMode() == pmFinished; }));
    players[player]->Close();
  }
  std::string Convert(int player, const std::string& input) {
    Start(player, input);
    Finish(player);
    return received[player].Samples();
  }

  TYzPlayerMan Man{nullptr};
  TYzPlayer* players[2] = {};
  Received received[2];
};

TEST_F(SharedModule, ASecondPlayerOfAHeldModuleIsRefusedAndTheFirstKeepsItsEvents) {
  for (const auto& [module, input] : {std::pair{Mpeg, MpegInput}, std::pair{Wma, WmaInput}}) {
    SCOPED_TRACE(module);
    for (Received& events : received) events.Clear();
    ASSERT_EQ(Load(0, module), -1);
    std::string message;
    EXPECT_EQ(Load(1, module, &message), qvLoadFailed);
    EXPECT_EQ(message, "Failed to load or initialize decoder module");
    EXPECT_FALSE(players[1]->Initialized());
    EXPECT_EQ(RaisedCode([&] { players[1]->GetPlayerMode(); }), qvNotInitialized);

    const std::string samples = Convert(0, input);
    EXPECT_GT(samples.size(), 0u);
    EXPECT_TRUE(received[0].StartedAndEndedOnce());
    EXPECT_TRUE(received[1].Untouched());

    // Once the first has let it go, the second takes the module.
    players[0]->DeInitModule();
    received[0].Clear();
    ASSERT_EQ(Load(1, module), -1);
    EXPECT_EQ(Convert(1, input), samples);
    EXPECT_TRUE(received[0].Untouched());
    players[1]->DeInitModule();
  }
}

TEST_F(SharedModule, PlayersSwitchingModulesNeverShareOne) {
  ASSERT_EQ(Load(0, Mpeg), -1);
  ASSERT_EQ(Load(1, Wma), -1);
  const std::string mpegSamples = Convert(0, MpegInput);
  const std::string wmaSamples = Convert(1, WmaInput);
  ASSERT_GT(mpegSamples.size(), 0u);
  ASSERT_GT(wmaSamples.size(), 0u);

  // Both at once, each on its own module, each into its own events.
  Start(0, MpegInput);
  Start(1, WmaInput);
  Finish(0);
  Finish(1);
  EXPECT_EQ(received[0].Samples(), mpegSamples);
  EXPECT_EQ(received[1].Samples(), wmaSamples);

  // The first switches to the module the second holds: refused, and it has let its own go.
  EXPECT_EQ(Load(0, Wma), qvLoadFailed);
  EXPECT_FALSE(players[0]->Initialized());
  EXPECT_EQ(RaisedCode([&] { players[0]->Play(); }), qvNotInitialized);
  EXPECT_EQ(Convert(1, WmaInput), wmaSamples);

  // The two trade modules.
  ASSERT_EQ(Load(1, Mpeg), -1);
  ASSERT_EQ(Load(0, Wma), -1);
  Start(1, MpegInput);
  Start(0, WmaInput);
  Finish(1);
  Finish(0);
  EXPECT_EQ(received[1].Samples(), mpegSamples);
  EXPECT_EQ(received[0].Samples(), wmaSamples);

  // Loading the held module again into the player that holds it is no sharing.
  EXPECT_EQ(Load(1, Mpeg), -1);
  EXPECT_EQ(Convert(1, MpegInput), mpegSamples);
}

// Two players initialise the same module on two threads at the same moment: every time
// exactly one holds it and the other raises code 10 and holds nothing.
TEST_F(SharedModule, OfTwoPlayersInitialisingOneModuleAtOnceExactlyOneHoldsIt) {
  constexpr int Tries = 150;
  for (const std::string& module : {Mpeg, Wma}) {
    SCOPED_TRACE(module);
    for (TYzPlayer* player : players) player->SetPathToDLL(module);
    int bothHeld = 0;
    int noneHeld = 0;
    int otherCodes = 0;
    for (int i = 0; i < Tries; ++i) {
      int codes[2] = {-1, -1};
      // Both threads leave the barrier together and go straight into InitModule.
      std::barrier start(2);
      auto init = [&](int p) {
        start.arrive_and_wait();
        codes[p] = RaisedCode([&] { players[p]->InitModule(); });
      };
      std::thread other(init, 1);
      init(0);
      other.join();
      const int held = (codes[0] == -1) + (codes[1] == -1);
      if (held == 2) ++bothHeld;
      if (held == 0) ++noneHeld;
      for (int p = 0; p < 2; ++p)
        if (codes[p] != -1 && codes[p] != qvLoadFailed) ++otherCodes;
      for (int p = 0; p < 2; ++p) EXPECT_EQ(players[p]->Initialized(), codes[p] == -1);
      for (TYzPlayer* player : players) player->DeInitModule();
    }
    EXPECT_EQ(bothHeld, 0) << "of " << Tries << " tries";
    EXPECT_EQ(noneHeld, 0) << "of " << Tries << " tries";
    EXPECT_EQ(otherCodes, 0);
  }
  // The module is free again afterwards: a player converts with it as before.
  ASSERT_EQ(Load(0, Mpeg), -1);
  EXPECT_GT(Convert(0, MpegInput).size(), 0u);
}

// On DirectSound, once the decoder has reached the end and the device still plays what it
// holds, the player's Stop and its destruction return at once instead of waiting for the sound.
TEST_F(SharedModule, APlayersStopAndDestructionOnDirectSoundDoNotWaitForTheSound) {
  using Clock = std::chrono::steady_clock;
  // Well below the sound the device holds of these streams (about a second), with room for a
  // loaded machine.
  constexpr auto Bound = std::chrono::milliseconds(600);
  SoundDeviceChoice device("virtual");
  struct Case {
    std::string module;
    std::string input;
    size_t bytesPerSecond;
  } const cases[] = {{Mpeg, MpegInput, 32000 * 4}, {Wma, WmaInput, 8000 * 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.module);
    ASSERT_EQ(Load(0, c.module), -1);
    // The length of the decode, which the position reaches once the decoder is done.
    const auto endMs = static_cast<int32_t>(Convert(0, c.input).size() * 1000 / c.bytesPerSecond);
    ASSERT_GT(endMs, 0);
    TYzPlayer* player = players[0];
    player->SetOutputMode(omDirectSound);
    player->Open();
    // Until the decoder has read the whole stream while the run still plays it.
    auto playToTheDecodersEnd = [&] {
      player->InitStream();
      player->Play();
      ASSERT_TRUE(WaitFor([&] { return player->GetPos() + 50 >= endMs; }));
      ASSERT_EQ(player->GetPlayerMode(), pmPlaying);
    };
    playToTheDecodersEnd();
    Clock::time_point called = Clock::now();
    player->Stop();
    EXPECT_LT(Clock::now() - called, Bound);
    EXPECT_EQ(player->GetPlayerMode(), pmOpen);

    playToTheDecodersEnd();
    called = Clock::now();
    delete player;
    EXPECT_LT(Clock::now() - called, Bound);
    players[0] = static_cast<TYzPlayer*>(Man.Players()->Add());
    players[0]->SetOutputMode(omCallback);
    received[0].Attach(players[0]);
  }
}

}  // namespace
