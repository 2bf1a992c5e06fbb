// Two handles of one loaded module: the module keeps the state of one player at a time, so a
// second QVInitModule ends what the first handle held (its run and its input) and the first
// handle then stays closed: what would act on the module fails with code 2, QVClose and
// QVDeInitModule touch nothing of the second's. No order of calls on the two handles reaches
// freed memory (the sanitizer builds run these) or changes what the second handle converts.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/PluginInterface.h"
#include "tests/engine/modules/common/BothModules.h"
#include "tests/support/Files.h"
#include "tests/support/LoadedModule.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"
#include "tests/support/WavFile.h"

namespace {

struct ModuleCase {
  const char* name;
  const char* module;
  const char* input;
};

// Streams long enough that a run is still going while the other handle acts.
const ModuleCase Modules[] = {
    {"teskdec", TESKDEC_PATH, "conformance/l3-he_44khz.bit"},
    {"teskwma", TESKWMA_PATH, "wma/v2-44k-stereo.wma"},
};

// What the test does, in the order a row of the table gives.
enum class Step {
  FirstOpens,         // the first handle opens and prepares the input
  FirstPlays,         // ... and plays it into first.wav, until samples have reached it
  SecondTakesOver,    // a second QVInitModule
  SecondPlays,        // the second handle converts into second.wav
  FirstIsRefused,     // every call of the first handle that would act on the module
  FirstCloses,        // QVClose of the first handle
  FirstDeInits,       // QVDeInitModule of the first handle
  SecondFinishes,     // the second run ends by itself with the whole stream
  SecondPlaysAgain,   // ... and a run over the same input with the same names does too
  SecondDeInits,      // QVDeInitModule of the second handle
  ANewHandleConverts  // a third handle converts the whole stream
};

struct Order {
  const char* what;
  std::vector<Step> steps;
};

using enum Step;
const Order Orders[] = {
    {"the first closes while the second plays",
     {FirstPlays, SecondTakesOver, FirstIsRefused, SecondPlays, FirstCloses, FirstDeInits,
      SecondFinishes, SecondDeInits}},
    {"the first is refused while the second plays",
     {FirstOpens, SecondTakesOver, SecondPlays, FirstIsRefused, FirstCloses, SecondFinishes,
      FirstDeInits, SecondPlaysAgain, SecondDeInits}},
    {"the first is freed while the second plays",
     {FirstPlays, SecondTakesOver, SecondPlays, FirstDeInits, SecondFinishes, SecondPlaysAgain,
      SecondDeInits, ANewHandleConverts}},
    {"the second goes before the first",
     {FirstPlays, SecondTakesOver, SecondDeInits, FirstIsRefused, FirstCloses, FirstDeInits,
      ANewHandleConverts}},
    {"the second takes over a handle that did nothing",
     {SecondTakesOver, SecondPlays, FirstIsRefused, FirstDeInits, SecondFinishes,
      ANewHandleConverts, SecondDeInits}},
};

class TwoHandles : public testing::TestWithParam<ModuleCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.Loaded());
    ASSERT_FALSE(folder.path().empty());
    input = FixturePath(GetParam().input).string();
  }

  void OpenReady(QVHandle h) {
    ASSERT_TRUE(qv->QVSetInputName(h, input.c_str()));
    ASSERT_TRUE(qv->QVOpen(h));
    ASSERT_TRUE(qv->QVInitStream(h));
  }
  void StartPlaying(QVHandle h, const std::string& wav) {
    ASSERT_TRUE(qv->QVSetOutputMode(h, omFile));
    ASSERT_TRUE(qv->QVSetOutputName(h, wav.c_str()));
    ASSERT_TRUE(qv->QVPlay(h));
  }
  // The samples of a run that ended by itself.
  std::string Finished(QVHandle h, const std::string& wav) {
    EXPECT_TRUE(WaitFor([&] { return qv->QVGetPlayerMode(h) == pmFinished; }));
    EXPECT_EQ(qv->QVLastError(h), 0);
    return ReadWavFile(wav).data;
  }
  std::string ConvertAlone(const std::string& wav) {
    const QVHandle h = qv->QVInitModule();
    EXPECT_NE(h, 0u);
    OpenReady(h);
    StartPlaying(h, wav);
    const std::string samples = Finished(h, wav);
    EXPECT_TRUE(qv->QVDeInitModule(h));
    return samples;
  }

  void ExpectRefused(QVHandle h) {
    const std::string other = folder.File("refused.wav");
    struct Call {
      const char* name;
      std::function<bool()> acts;
    } const calls[] = {
        {"QVSetInputName", [&] { return QVTrue(qv->QVSetInputName(h, input.c_str())); }},
        {"QVOpen", [&] { return QVTrue(qv->QVOpen(h)); }},
        {"QVInitStream", [&] { return QVTrue(qv->QVInitStream(h)); }},
        {"QVSetOutputName", [&] { return QVTrue(qv->QVSetOutputName(h, other.c_str())); }},
        {"QVPlay", [&] { return QVTrue(qv->QVPlay(h)); }},
        {"QVPause", [&] { return QVTrue(qv->QVPause(h)); }},
        {"QVStop", [&] { return QVTrue(qv->QVStop(h)); }},
        {"QVSetPos", [&] { return QVTrue(qv->QVSetPos(h, 1000)); }},
        {"QVSetLimits", [&] { return QVTrue(qv->QVSetLimits(h, 0, 0)); }},
        {"QVSetBuffers", [&] { return QVTrue(qv->QVSetBuffers(h, 4, 4096)); }},
        {"QVSetOutCB", [&] { return QVTrue(qv->QVSetOutCB(h, nullptr, nullptr, 0)); }},
        {"QVGetPos", [&] { return qv->QVGetPos(h) != -1; }},
        {"QVGetSize", [&] { return qv->QVGetSize(h) != -1; }},
    };
    for (const Call& call : calls) {
      EXPECT_FALSE(call.acts()) << call.name;
      EXPECT_EQ(qv->QVLastError(h), qvIncorrectMode) << call.name;
    }
    EXPECT_EQ(qv->QVGetPlayerMode(h), pmClosed);
    EXPECT_FALSE(std::filesystem::exists(other));
  }

  LoadedModule module_{GetParam().module, ModuleLoadFlags};
  const QVExports* qv = &*module_;
  TempFolder folder;
  std::string input;
};

TEST_P(TwoHandles, NoOrderOfCallsCrossesTheHandles) {
  const std::string reference = ConvertAlone(folder.File("reference.wav"));
  ASSERT_GT(reference.size(), 0u);

  for (const Order& order : Orders) {
    SCOPED_TRACE(order.what);
    const std::string firstWav = folder.File("first.wav");
    const std::string secondWav = folder.File("second.wav");
    std::filesystem::remove(firstWav);
    std::filesystem::remove(secondWav);
    QVHandle first = qv->QVInitModule();
    ASSERT_NE(first, 0u);
    QVHandle second = 0;
    bool firstPlayed = false;
    for (const Step step : order.steps) {
      switch (step) {
        case FirstOpens: OpenReady(first); break;
        case FirstPlays:
          OpenReady(first);
          StartPlaying(first, firstWav);
          ASSERT_TRUE(WaitFor([&] { return ReadWavFile(firstWav).data.size() > 0; }));
          firstPlayed = true;
          break;
        case SecondTakesOver: {
          second = qv->QVInitModule();
          ASSERT_NE(second, 0u);
          EXPECT_NE(second, first);
          // The first run ended here: its file holds the beginning of the stream and no more
          // comes to it.
          EXPECT_EQ(qv->QVGetPlayerMode(first), pmClosed);
          if (firstPlayed) {
            const std::string part = ReadWavFile(firstWav).data;
            EXPECT_GT(part.size(), 0u);
            EXPECT_LT(part.size(), reference.size());
            EXPECT_EQ(part, reference.substr(0, part.size()));
          }
          break;
        }
        case SecondPlays:
          OpenReady(second);
          StartPlaying(second, secondWav);
          break;
        case FirstIsRefused: ExpectRefused(first); break;
        case FirstCloses: EXPECT_TRUE(qv->QVClose(first)); break;
        case FirstDeInits:
          EXPECT_TRUE(qv->QVDeInitModule(first));
          first = 0;
          break;
        case SecondFinishes: EXPECT_EQ(Finished(second, secondWav), reference); break;
        case SecondPlaysAgain:
          ASSERT_TRUE(qv->QVInitStream(second));
          ASSERT_TRUE(qv->QVPlay(second));
          EXPECT_EQ(Finished(second, secondWav), reference);
          break;
        case SecondDeInits:
          EXPECT_TRUE(qv->QVDeInitModule(second));
          second = 0;
          break;
        case ANewHandleConverts:
          EXPECT_EQ(ConvertAlone(folder.File("third.wav")), reference);
          break;
      }
    }
    if (firstPlayed && std::filesystem::exists(firstWav)) {
      const std::string part = ReadWavFile(firstWav).data;
      EXPECT_EQ(part, reference.substr(0, part.size())) << "the first file changed later";
    }
    if (first != 0) {
      EXPECT_TRUE(qv->QVDeInitModule(first));
    }
    if (second != 0) {
      EXPECT_TRUE(qv->QVDeInitModule(second));
    }
  }
}

void PrintTo(const ModuleCase& c, std::ostream* out) { *out << c.name; }

INSTANTIATE_TEST_SUITE_P(BothModules, TwoHandles, testing::ValuesIn(Modules),
                         ModuleCaseName<ModuleCase>);

}  // namespace
