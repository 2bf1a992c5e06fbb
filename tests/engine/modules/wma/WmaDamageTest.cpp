// Damaged copies of a Windows Media Audio file converted by teskwma.dll as the converter does:
// each either fails with the input failure code, or gives a WAV file in which every packet but
// the damaged ones is in place: as long as the clean decode, and equal to it outside the
// damaged packets' samples. Damage is never a silent success.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "tests/engine/modules/wma/WmaHost.h"

namespace {

// The layout of wma/v2-44k-stereo.wma (see wma-damaged/make-fixtures.sh): 9 packets, decoded
// into 32 frames of 2048 samples; packet 0 gives frames 0-1, packet k frames 4k-2 to 4k+1,
// packet 8 frames 30-31.
constexpr size_t FrameBytes = 2048 * 4;
constexpr int Frames = 32;

int PacketOfFrame(int frame) { return frame < 2 ? 0 : std::min((frame + 2) / 4, 8); }

// The frames that may differ from the clean decode when the packets are damaged: their own,
// the frame after each (it overlaps the last one lost), and after a damaged first packet the
// next packet's first two, which a decoder that starts there gives nothing for.
std::set<int> FramesTouchedBy(const std::set<int>& packets) {
  std::set<int> touched;
  for (int frame = 0; frame < Frames; ++frame) {
    const int packet = PacketOfFrame(frame);
    if (packets.count(packet) != 0) touched.insert(frame);
    if (frame > 0 && packets.count(PacketOfFrame(frame - 1)) != 0) touched.insert(frame);
  }
  if (packets.count(0) != 0) touched.insert({2, 3});
  return touched;
}

enum class Outcome {
  OpenFails,  // QVOpen: code 5
  RunFails,   // the run ends in pmOpen with code 5, short of the end; what it wrote is in place
  InPlace,    // pmFinished, no code, every packet but the damaged ones in place
};

struct DamageCase {
  const char* name;
  Outcome outcome;
  std::set<int> damaged;  // the packets the damage touches
  int keptFrames = 0;     // the frames a failing run still gives
};

const DamageCase Cases[] = {
    // Header fields the decoding does not depend on.
    {"fp-duration", Outcome::InPlace, {}},
    {"fp-packet-count", Outcome::InPlace, {}},
    {"data-count", Outcome::InPlace, {}},
    // Header fields that leave no way to read the packets, or nothing to read in them.
    {"fp-packet-size", Outcome::RunFails, {}},
    {"fp-no-packet-size", Outcome::RunFails, {}},  // no audio at all: never an empty success
    {"stream-number", Outcome::RunFails, {}},
    {"data-size", Outcome::RunFails, {}},
    {"data-id", Outcome::OpenFails, {}},
    // Damage in the packets: each costs only what it touches.
    {"data-count-packet", Outcome::InPlace, {6}},  // with the data's packet count damaged too
    {"first-packet", Outcome::InPlace, {0}},
    {"run-1024", Outcome::InPlace, {2, 3}},
    {"packet-header", Outcome::InPlace, {3}},
    {"time-stamp", Outcome::InPlace, {4}},
    {"time-stamp-far", Outcome::InPlace, {4}},
    {"coded-byte", Outcome::InPlace, {4}},  // the decoder refuses a block
    {"block-byte", Outcome::InPlace, {5}},
    {"payload-length", Outcome::InPlace, {6}},
    // Nothing after the damage to place it by, or nothing decodable at all.
    {"last-packet", Outcome::RunFails, {}},
    {"run-1000", Outcome::RunFails, {6, 7}},
    {"all-packets", Outcome::RunFails, {}},
    // The file cut short, inside a packet, where one begins or inside the last: it fails,
    // after the frames of the packets it holds whole.
    {"cut-in-packet", Outcome::RunFails, {4}, 14},
    {"cut-at-packet", Outcome::RunFails, {5}, 18},
    {"cut-in-last-packet", Outcome::RunFails, {8}, 30},
};

class WmaDamage : public PlayerTest<WmaLibrary> {
 protected:
  TempFolder folder;
};

TEST_F(WmaDamage, ADamagedFileFailsOrKeepsEveryPacketButTheDamagedOnesInPlace) {
  const std::string clean = ReadText(WmaFixture("v2-44k-stereo.pcm"));
  ASSERT_EQ(clean.size(), Frames * FrameBytes);
  for (const DamageCase& c : Cases) {
    SCOPED_TRACE(c.name);
    const std::string input = FixturePath(std::string("wma-damaged/") + c.name + ".wma").string();
    const std::string output = folder.File(std::string(c.name) + ".wav");
    ASSERT_TRUE(qv_->QVClose(h_));
    ASSERT_TRUE(qv_->QVSetInputName(h_, input.c_str()));
    if (c.outcome == Outcome::OpenFails) {
      EXPECT_FALSE(qv_->QVOpen(h_));
      EXPECT_EQ(qv_->QVLastError(h_), qvInputFailure);
      continue;
    }
    ASSERT_TRUE(qv_->QVOpen(h_));
    ASSERT_TRUE(qv_->QVInitStream(h_));
    ASSERT_TRUE(qv_->QVSetOutputMode(h_, omFile));
    ASSERT_TRUE(qv_->QVSetOutputName(h_, output.c_str()));
    ASSERT_TRUE(qv_->QVPlay(h_));
    const int32_t mode = WaitWhileRunning(*qv_, h_);
    const int32_t code = qv_->QVLastError(h_);
    const WavFile wav = ReadWavFile(output);
    ASSERT_TRUE(wav.valid);
    ASSERT_EQ(wav.data.size() % FrameBytes, 0u);
    const int frames = static_cast<int>(wav.data.size() / FrameBytes);
    if (c.outcome == Outcome::RunFails) {
      EXPECT_EQ(mode, pmOpen);
      EXPECT_EQ(code, qvInputFailure);
      EXPECT_LT(frames, Frames);
      EXPECT_GE(frames, c.keptFrames);
    } else {
      EXPECT_EQ(mode, pmFinished);
      EXPECT_EQ(code, 0);
      EXPECT_EQ(frames, Frames);
    }
    const std::set<int> touched = FramesTouchedBy(c.damaged);
    for (int frame = 0; frame < std::min(frames, Frames); ++frame) {
      if (touched.count(frame) != 0) continue;
      const auto at = static_cast<ptrdiff_t>(frame * FrameBytes);
      EXPECT_TRUE(
          std::equal(wav.data.begin() + at, wav.data.begin() + at + FrameBytes, clean.begin() + at))
          << "frame " << frame << " of packet " << PacketOfFrame(frame);
    }
  }
}

// Files whose packets' times jump far past what their data holds: the run ends without
// holding or writing more than the data can carry, every block a size a host can take.
TEST_F(WmaDamage, ATimeJumpIsDamageNeverAGapToFill) {
  for (const char* name : {"jump-64-gb", "jump-80-gb", "jump-150-gb"}) {
    SCOPED_TRACE(name);
    const std::string input = FixturePath(std::string("wma-hostile/") + name + ".wma").string();
    CallbackRecorder recorder;
    ASSERT_TRUE(qv_->QVClose(h_));
    ASSERT_TRUE(qv_->QVSetInputName(h_, input.c_str()));
    ASSERT_TRUE(qv_->QVOpen(h_));
    ASSERT_TRUE(qv_->QVInitStream(h_));
    recorder.Install(*qv_, h_);
    ASSERT_TRUE(qv_->QVPlay(h_));
    const int32_t mode = WaitWhileRunning(*qv_, h_);
    EXPECT_EQ(mode, pmOpen);
    EXPECT_EQ(qv_->QVLastError(h_), qvInputFailure);
    std::lock_guard<std::mutex> lock(recorder.mutex);
    // A file of a few kilobytes holds no more than a second or two of sound.
    const auto bytesPerSecond =
        static_cast<size_t>(recorder.format.rate) * recorder.format.channels * 2;
    EXPECT_LE(recorder.pcm.size(), 2 * bytesPerSecond);
    for (const int32_t size : recorder.sizes) {
      EXPECT_GT(size, 0);
      EXPECT_LE(static_cast<size_t>(size), bytesPerSecond);
    }
  }
}

// Files whose header declares more than it holds: a stream's lengths of gigabytes, packets of
// two sizes. Refused when opened, at once, before the demuxer asks for the gigabytes or reads
// the file again and again.
TEST_F(WmaDamage, AHeaderDeclaringMoreThanItHoldsIsRefusedAtOnce) {
  for (const char* name : {"header-stream-lengths", "header-packet-sizes"}) {
    SCOPED_TRACE(name);
    const std::string input = FixturePath(std::string("wma-hostile/") + name + ".wma").string();
    ASSERT_TRUE(qv_->QVClose(h_));
    ASSERT_TRUE(qv_->QVSetInputName(h_, input.c_str()));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(qv_->QVOpen(h_));
    EXPECT_EQ(qv_->QVLastError(h_), qvInputFailure);
    // Opening took seconds (or ended the process) before.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  }
}

}  // namespace
