#include "engine/YzPlayerCallbacks.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "tests/engine/PlayerFixture.h"

namespace {

class PlayerCallbacksTest : public PlayerFixture {
 protected:
  void SetUp() override {
    PlayerFixture::SetUp();
    Player->InitModule();
    CB = Module.Callbacks();
  }
  TestCallbackTable CB{};
};

TEST_F(PlayerCallbacksTest, WithoutHandlersEveryCallbackFailsAndLeavesTheModulesValues) {
  QVStream stream = 77;
  QVByteBool canSetPos = 1;
  int32_t size = 5, position = 6, bytesRead = 7;
  char buffer[4] = {};
  EXPECT_FALSE(CB.output(buffer, 16, 2, 44100, 4, CB.outputUser));
  EXPECT_FALSE(CB.outputAction(1, CB.outputUser));
  EXPECT_FALSE(CB.outputAction(0, CB.outputUser));
  EXPECT_FALSE(CB.inputOpen(CB.inputUser, &stream, &canSetPos));
  EXPECT_FALSE(CB.inputClose(CB.inputUser, stream));
  EXPECT_FALSE(CB.inputGetSize(CB.inputUser, stream, &size));
  EXPECT_FALSE(CB.inputSeek(CB.inputUser, stream, &position, 0));
  EXPECT_FALSE(CB.inputRead(CB.inputUser, stream, buffer, 4, &bytesRead));
  EXPECT_EQ(stream, 77);
  EXPECT_EQ(canSetPos, 1);
  EXPECT_EQ(size, 5);
  EXPECT_EQ(position, 6);
  EXPECT_EQ(bytesRead, 7);
}

TEST_F(PlayerCallbacksTest, OutputActionChoosesInitOrDoneByItsByte) {
  std::vector<std::string> fired;
  Player->OnOutputInit = [&](TObject* sender, bool& success) {
    EXPECT_EQ(sender, Player);
    fired.push_back("init");
    success = true;
  };
  Player->OnOutputDone = [&](TObject*, bool& success) {
    fired.push_back("done");
    success = false;
  };
  EXPECT_TRUE(CB.outputAction(1, CB.outputUser));
  EXPECT_TRUE(CB.outputAction(0x80, CB.outputUser));
  EXPECT_FALSE(CB.outputAction(0, CB.outputUser));
  EXPECT_EQ(fired, (std::vector<std::string>{"init", "init", "done"}));
}

TEST_F(PlayerCallbacksTest, OutputHandsTheSamplesOver) {
  int16_t samples[4] = {1, -1, 2, -2};
  Player->OnOutput = [&](TObject* sender, void* data, int32_t bits, int32_t channels, int32_t rate,
                         int32_t size, bool& success) {
    EXPECT_EQ(sender, Player);
    EXPECT_EQ(data, samples);
    EXPECT_EQ(bits, 16);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(rate, 22050);
    EXPECT_EQ(size, 8);
    success = true;
  };
  EXPECT_TRUE(CB.output(samples, 16, 2, 22050, 8, CB.outputUser));
}

// An input served from memory: the stream value chosen at open comes back with every call,
// and what the handlers write is what the module reads.
TEST_F(PlayerCallbacksTest, InputEventsShareTheirStreamAndVarParameters) {
  struct Source {
    std::string data = "ID3 and frames";
    int32_t position = 0;
    bool closed = false;
  } source;
  QVStream expected = reinterpret_cast<QVStream>(&source);
  Player->OnInputOpen = [&](TObject*, QVStream& userData, bool& canSetPos, bool& success) {
    EXPECT_TRUE(canSetPos);
    userData = expected;
    canSetPos = false;
    success = true;
  };
  Player->OnInputGetSize = [&](TObject*, QVStream userData, int32_t& size, bool& success) {
    EXPECT_EQ(userData, expected);
    size = static_cast<int32_t>(reinterpret_cast<Source*>(userData)->data.size());
    success = true;
  };
  Player->OnInputSeek = [&](TObject*, QVStream userData, int32_t& newPos, int32_t mode,
                            bool& success) {
    Source* s = reinterpret_cast<Source*>(userData);
    int32_t base = mode == 0 ? 0 : mode == 1 ? s->position : static_cast<int32_t>(s->data.size());
    s->position = base + newPos;
    newPos = s->position;
    success = true;
  };
  Player->OnInputRead = [&](TObject*, QVStream userData, void* buffer, int32_t toRead,
                            int32_t& bytesRead, bool& success) {
    Source* s = reinterpret_cast<Source*>(userData);
    bytesRead = std::min<int32_t>(toRead, static_cast<int32_t>(s->data.size()) - s->position);
    std::memcpy(buffer, s->data.data() + s->position, static_cast<size_t>(bytesRead));
    s->position += bytesRead;
    success = true;
  };
  Player->OnInputClose = [&](TObject*, QVStream userData, bool& success) {
    reinterpret_cast<Source*>(userData)->closed = true;
    success = true;
  };

  QVStream stream = 0;
  QVByteBool canSetPos = 1;
  ASSERT_TRUE(CB.inputOpen(CB.inputUser, &stream, &canSetPos));
  EXPECT_EQ(stream, expected);
  EXPECT_EQ(canSetPos, 0);
  int32_t size = 0;
  ASSERT_TRUE(CB.inputGetSize(CB.inputUser, stream, &size));
  EXPECT_EQ(size, 14);
  const std::pair<int32_t, int32_t> seeks[] = {{4, 0}, {2, 1}, {-3, 2}};
  const int32_t results[] = {4, 6, 11};
  for (int i = 0; i < 3; ++i) {
    int32_t position = seeks[i].first;
    ASSERT_TRUE(CB.inputSeek(CB.inputUser, stream, &position, seeks[i].second));
    EXPECT_EQ(position, results[i]);
  }
  char buffer[8] = {};
  int32_t bytesRead = -1;
  ASSERT_TRUE(CB.inputRead(CB.inputUser, stream, buffer, 8, &bytesRead));
  EXPECT_EQ(std::string(buffer, static_cast<size_t>(bytesRead)), "mes");
  ASSERT_TRUE(CB.inputClose(CB.inputUser, stream));
  EXPECT_TRUE(source.closed);
}

TEST_F(PlayerCallbacksTest, AnEscapingExceptionIsAFailedCallback) {
  Player->OnInputRead = [](TObject*, QVStream, void*, int32_t, int32_t& bytesRead, bool& success) {
    success = true;
    bytesRead = 3;
    throw std::runtime_error("disk gone");
  };
  Player->OnOutputInit = [](TObject*, bool& success) {
    success = true;
    throw TYzSException(6);
  };
  char buffer[4];
  int32_t bytesRead = 0;
  EXPECT_FALSE(CB.inputRead(CB.inputUser, 1, buffer, 4, &bytesRead));
  EXPECT_FALSE(CB.outputAction(1, CB.outputUser));
}

// A subclass takes an event over through its dispatcher, without a handler.
class TReadingPlayer : public TYzPlayer {
 public:
  using TYzPlayer::TYzPlayer;
  void DoInputRead(QVStream, void*, int32_t toRead, int32_t& bytesRead, bool& success) override {
    bytesRead = toRead / 2;
    success = true;
  }
};

TEST_F(PlayerCallbacksTest, DispatchersAreVirtual) {
  TReadingPlayer reader(Man.Players());
  int32_t bytesRead = 0;
  char buffer[10];
  EXPECT_TRUE(InputReadCB(reinterpret_cast<QVUserValue>(&reader), 0, buffer, 10, &bytesRead));
  EXPECT_EQ(bytesRead, 5);
}

}  // namespace
