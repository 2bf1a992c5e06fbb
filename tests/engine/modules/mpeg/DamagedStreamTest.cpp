// Damaged Layer III streams through teskdec.dll, as a host converts them: every undamaged frame
// in place, silence of the right length for the damaged part, and the code the host reads
// afterwards (tests/fixtures/damaged/make-fixtures.sh makes the streams).
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "tests/engine/modules/mpeg/ModuleHost.h"

namespace {

namespace fs = std::filesystem;

struct Damage {
  const char* Name;
  const char* Clean;
  int Frame;    // the damaged frame, -1 none
  int Granule;  // the damaged granule of that frame, -1 the whole frame
  int Code;     // QVLastError after the run
};

constexpr Damage kDamages[] = {
    {"m1_first_bitrate", "m1_clean", 0, -1, 0},
    {"m2_first_bitrate", "m2_clean", 0, -1, 0},
    {"m1_crc_switch", "m1_clean", -1, -1, 0},
    {"m2_crc_switch", "m2_clean", -1, -1, 0},
    {"m1_block_type_0", "m1_clean", 10, 0, 0},
    {"m2_block_type_0", "m2_clean", 10, 0, 0},
    {"m1_overrun", "m1_clean", 15, 0, 0},
    {"m2_overrun", "m2_clean", 46, 0, 0},
    // A header with bit-rate index 15 is no header: its frame is lost like any damage.
    {"m1_bitrate15", "m1_clean", 12, -1, 0},
    {"m2_bitrate15", "m2_clean", 12, -1, 0},
    {"m1_free_format", "m1_clean", 12, -1, qvInputFailure},
};

fs::path DamagedPath(const std::string& name) { return FixturePath("damaged/" + name + ".mp3"); }

class DamagedStreams : public PlayerTest<ModuleLibrary>,
                       public testing::WithParamInterface<Damage> {
 protected:
  // The whole run with callback output, as interleaved samples; the mode it ended in and the
  // code left afterwards.
  std::vector<int16_t> Convert(const fs::path& input, int32_t* code) {
    BlockRecorder recorder;
    recorder.Install(*qv_, h_);
    EXPECT_TRUE(qv_->QVSetInputName(h_, input.string().c_str()));
    EXPECT_TRUE(qv_->QVOpen(h_));
    EXPECT_TRUE(qv_->QVInitStream(h_)) << input;
    EXPECT_TRUE(qv_->QVPlay(h_));
    EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
    EXPECT_EQ(recorder.actions, (std::vector<int>{1, 0}));
    *code = qv_->QVLastError(h_);
    EXPECT_TRUE(qv_->QVClose(h_));
    const std::vector<uint8_t> pcm = recorder.Pcm();
    return Samples(pcm.data(), pcm.size());
  }
};

double Energy(const std::vector<int16_t>& s, size_t from, size_t to) {
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
  return sum;
}

TEST_P(DamagedStreams, UndamagedFramesInPlaceAndSilenceForTheDamage) {
  const Damage& d = GetParam();
  int32_t code = -1;
  const std::vector<int16_t> clean = Convert(DamagedPath(d.Clean), &code);
  ASSERT_EQ(code, 0);
  const std::vector<int16_t> run = Convert(DamagedPath(d.Name), &code);
  EXPECT_EQ(code, d.Code);
  ASSERT_EQ(run.size(), clean.size());

  // In samples of both channels: a granule is 576 sample frames.
  const size_t granule = 576 * 2;
  const size_t granules = d.Name[1] == '1' ? 2 : 1;
  size_t from = run.size();
  size_t to = run.size();
  if (d.Frame >= 0) {
    from = (static_cast<size_t>(d.Frame) * granules + (d.Granule < 0 ? 0 : d.Granule)) * granule;
    to = from + (d.Granule < 0 ? granules : 1) * granule;
  }
  // After the damage the overlap and the synthesis history take one granule and 16 time slots
  // to be the stream's own again.
  const size_t settled = std::min(run.size(), to + granule + 16 * 32 * 2);
  size_t mismatches = 0;
  for (size_t i = 0; i < run.size(); ++i) {
    if (i >= from && i < settled) continue;
    if (std::abs(run[i] - clean[i]) > 1 && ++mismatches <= 5)
      ADD_FAILURE() << "sample frame " << i / 2 << " channel " << i % 2 << ": " << run[i] << " vs "
                    << clean[i];
  }
  EXPECT_EQ(mismatches, 0u);
  if (d.Frame >= 0) {
    // Where the damaged granule's own sound would be heard (behind the overlap of the granule
    // before it and the synthesis delay), there is silence.
    const size_t quiet = from + 720 * 2;
    EXPECT_LT(Energy(run, quiet, quiet + 144 * 2), 0.05 * Energy(clean, quiet, quiet + 144 * 2));
  }
}

INSTANTIATE_TEST_SUITE_P(Streams, DamagedStreams, testing::ValuesIn(kDamages),
                         [](const testing::TestParamInfo<Damage>& info) {
                           return std::string(info.param.Name);
                         });

}  // namespace
