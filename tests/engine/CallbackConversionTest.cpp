// The MPEG module reading its input through the player's input events and handing its samples
// to the output events, on the module's own threads.
#include <cstdio>
#include <mutex>

#include "tests/engine/ConversionFixture.h"
#include "tests/support/WavFile.h"

namespace {

class CallbackConversionTest : public ConversionFixture {
 protected:
  // The converter's input handlers: a file of InputName behind the stream value.
  void ServeInputFile() {
    Player->OnInputOpen = [this](TObject* sender, QVStream& userData, bool&, bool& success) {
      std::FILE* file = std::fopen(static_cast<TYzPlayer*>(sender)->InputName().c_str(), "rb");
      userData = reinterpret_cast<QVStream>(file);
      success = file != nullptr;
      std::lock_guard guard(Lock);
      ++Opens;
    };
    Player->OnInputClose = [this](TObject*, QVStream userData, bool& success) {
      std::fclose(reinterpret_cast<std::FILE*>(userData));
      success = true;
      std::lock_guard guard(Lock);
      ++Closes;
    };
    Player->OnInputGetSize = [](TObject*, QVStream userData, int32_t& size, bool& success) {
      std::FILE* file = reinterpret_cast<std::FILE*>(userData);
      long here = std::ftell(file);
      std::fseek(file, 0, SEEK_END);
      size = static_cast<int32_t>(std::ftell(file));
      std::fseek(file, here, SEEK_SET);
      success = true;
    };
    Player->OnInputSeek = [](TObject*, QVStream userData, int32_t& newPos, int32_t mode,
                             bool& success) {
      std::FILE* file = reinterpret_cast<std::FILE*>(userData);
      int whence = mode == 0 ? SEEK_SET : mode == 1 ? SEEK_CUR : SEEK_END;
      success = std::fseek(file, newPos, whence) == 0;
      newPos = static_cast<int32_t>(std::ftell(file));
    };
    Player->OnInputRead = [](TObject*, QVStream userData, void* buffer, int32_t toRead,
                             int32_t& bytesRead, bool& success) {
      bytesRead = static_cast<int32_t>(std::fread(buffer, 1, static_cast<size_t>(toRead),
                                                  reinterpret_cast<std::FILE*>(userData)));
      success = true;
    };
  }

  void CollectOutput() {
    Player->OnOutputInit = [this](TObject*, bool& success) {
      std::lock_guard guard(Lock);
      ++Inits;
      success = true;
    };
    Player->OnOutputDone = [this](TObject*, bool& success) {
      std::lock_guard guard(Lock);
      ++Dones;
      success = true;
    };
    Player->OnOutput = [this](TObject*, void* data, int32_t bits, int32_t channels, int32_t rate,
                              int32_t size, bool& success) {
      std::lock_guard guard(Lock);
      Samples.append(static_cast<const char*>(data), static_cast<size_t>(size));
      Format = {bits, channels, rate};
      success = true;
    };
  }

  std::string Convert(TYzSInputMode input, TYzSOutputMode output, const std::string& wav) {
    Player->SetInputMode(input);
    Player->SetInputName(Vector("l2-fl10.bit"));
    Player->Open();
    Player->InitStream();
    Player->SetOutputMode(output);
    Player->SetOutputName(wav);
    Player->Play();
    EXPECT_TRUE(WaitUntilFinished());
    Player->Close();
    return output == omFile ? ReadWavFile(wav).data : Samples;
  }

  std::mutex Lock;
  int Opens = 0, Closes = 0, Inits = 0, Dones = 0;
  std::string Samples;
  std::tuple<int32_t, int32_t, int32_t> Format{};
};

TEST_F(CallbackConversionTest, InputAndOutputEventsCarryTheWholeStream) {
  std::string reference = Convert(imFile, omFile, Dir.File("file.wav"));
  ASSERT_GT(reference.size(), 0u);

  ServeInputFile();
  std::string throughInput = Convert(imCallback, omFile, Dir.File("input.wav"));
  EXPECT_EQ(throughInput, reference);
  {
    std::lock_guard guard(Lock);
    EXPECT_EQ(Opens, 1);
    EXPECT_EQ(Closes, 1);
  }

  CollectOutput();
  std::string throughBoth = Convert(imCallback, omCallback, Dir.File("unused.wav"));
  std::lock_guard guard(Lock);
  EXPECT_EQ(throughBoth, reference);
  EXPECT_EQ(Format, std::make_tuple(16, 2, 32000));
  EXPECT_EQ(Inits, 1);
  EXPECT_EQ(Dones, 1);
  EXPECT_EQ(Opens, 2);
  EXPECT_EQ(Closes, 2);
}

TEST_F(CallbackConversionTest, OutputWithoutHandlersFailsThePlay) {
  Player->SetInputName(Vector("l2-fl10.bit"));
  Player->Open();
  Player->InitStream();
  Player->SetOutputMode(omCallback);
  // The module has the output callbacks; the player answers false without handlers.
  int code = -1;
  try {
    Player->Play();
  } catch (const TYzSException& error) {
    code = error.ErrorCode;
  }
  EXPECT_EQ(code, 6);
}

}  // namespace
