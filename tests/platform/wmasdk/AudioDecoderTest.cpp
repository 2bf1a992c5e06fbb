// The decoding engine's places: damage in the first, a middle or the last packet of a file
// (bytes zeroed, bits flipped, in a packet's header or its payloads) either fails the reading,
// or gives the clean decode's length with every frame outside the damaged packets equal to
// the clean decode's at the same place.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/wmasdk/AudioDecoder.h"
#include "tests/platform/wmasdk/SdkFixtures.h"

namespace {

// A fixture's layout (see wma-places/make-fixtures.sh).
struct Layout {
  int64_t dataStart = 0;
  int64_t packetSize = 0;
  int packets = 0;
  size_t frameSamples = 0;
  std::vector<int> packetOfFrame;  // the packet each decoded frame came from
};

Layout ReadLayout(const std::string& name) {
  std::ifstream in(FixturePath("wma-places/" + name + ".layout"));
  Layout layout;
  in >> layout.dataStart >> layout.packetSize >> layout.packets >> layout.frameSamples;
  for (int packet; in >> packet;) layout.packetOfFrame.push_back(packet);
  return layout;
}

struct Decoded {
  bool failed = false;
  std::vector<uint8_t> pcm;
};

Decoded DecodeFile(const std::string& path) {
  Decoded decoded;
  AudioDecoder decoder;
  if (!decoder.Open(path)) {
    decoded.failed = true;
    return decoded;
  }
  std::vector<uint8_t> block;
  uint32_t time = 0;
  AudioDecoder::Step step;
  while ((step = decoder.Next(block, time)) == AudioDecoder::Step::Block) {
    decoded.pcm.insert(decoded.pcm.end(), block.begin(), block.end());
  }
  decoded.failed = step == AudioDecoder::Step::Failed;
  return decoded;
}

enum class Damage { Zeros, Bit };

struct DamageKind {
  const char* name;
  Damage damage;
  int64_t offset;  // from the packet's start
  int amount;      // bytes zeroed, or the bit flipped
};

const DamageKind Kinds[] = {
    {"header zeroed", Damage::Zeros, 0, 24},
    {"header length flags bit", Damage::Bit, 1, 0x04},
    {"header send time bit", Damage::Bit, 5, 0x10},
    {"payload zeroed", Damage::Zeros, 200, 400},
    {"payload bit", Damage::Bit, 100, 0x01},
    {"payload bit further in", Damage::Bit, 1000, 0x10},
    {"2000 bytes from the packet's start", Damage::Zeros, 0, 2000},
};

class DamagedPacket : public testing::TestWithParam<const char*> {
 protected:
  TempFolder folder;
};

TEST_P(DamagedPacket, FailsOrKeepsEveryOtherPacketInPlace) {
  const std::string name = GetParam();
  const Layout layout = ReadLayout(name);
  ASSERT_GE(layout.packets, 2);
  const std::vector<uint8_t> file = ReadBytes(FixturePath("wma-places/" + name + ".wma"));
  const std::vector<uint8_t> clean = ReadBytes(FixturePath("wma-places/" + name + ".pcm"));
  const size_t channels = name.find("stereo") != std::string::npos ? 2 : 1;
  const size_t frameBytes = layout.frameSamples * channels * 2;
  ASSERT_EQ(clean.size(), layout.packetOfFrame.size() * frameBytes);
  const Decoded whole = DecodeFile(FixturePath("wma-places/" + name + ".wma").string());
  ASSERT_FALSE(whole.failed);
  ASSERT_EQ(whole.pcm, clean);

  const std::set<int> packets = {0, layout.packets / 2, layout.packets - 1};
  for (const int packet : packets) {
    for (const DamageKind& kind : Kinds) {
      SCOPED_TRACE(name + ", packet " + std::to_string(packet) + ", " + kind.name);
      std::vector<uint8_t> damaged = file;
      const auto at = static_cast<size_t>(layout.dataStart + packet * layout.packetSize + kind.offset);
      ASSERT_LT(at, damaged.size());
      if (kind.damage == Damage::Zeros)
        std::fill_n(damaged.begin() + static_cast<ptrdiff_t>(at),
                    std::min<size_t>(static_cast<size_t>(kind.amount), damaged.size() - at), 0);
      else
        damaged[at] ^= static_cast<uint8_t>(kind.amount);
      const std::string path = folder.File("damaged.wma");
      WriteBytes(path, damaged);
      const auto last = static_cast<int>(
          (std::min(at + static_cast<size_t>(kind.damage == Damage::Zeros ? kind.amount : 1),
                    damaged.size()) -
           1 - static_cast<size_t>(layout.dataStart)) /
          static_cast<size_t>(layout.packetSize));

      const Decoded decoded = DecodeFile(path);
      ASSERT_EQ(decoded.pcm.size() % frameBytes, 0u);
      if (!decoded.failed) {
        EXPECT_EQ(decoded.pcm.size(), clean.size()) << "no failure, not whole";
      }
      // The frames of the damaged packets may differ, and the two after them: a block begun
      // in a damaged packet ends in the next, and the frame after a lost one lacks its
      // overlap (after a lost first packet, the decoder gives nothing for its first two).
      std::set<int> touched;
      for (size_t frame = 0; frame < layout.packetOfFrame.size(); ++frame) {
        const int owner = layout.packetOfFrame[frame];
        if (owner >= packet && owner <= last) touched.insert(static_cast<int>(frame));
      }
      if (!touched.empty()) touched.insert({*touched.rbegin() + 1, *touched.rbegin() + 2});
      const size_t frames = std::min(decoded.pcm.size(), clean.size()) / frameBytes;
      for (size_t frame = 0; frame < frames; ++frame) {
        if (touched.count(static_cast<int>(frame)) != 0) continue;
        const auto from = static_cast<ptrdiff_t>(frame * frameBytes);
        EXPECT_TRUE(std::equal(decoded.pcm.begin() + from,
                               decoded.pcm.begin() + from + static_cast<ptrdiff_t>(frameBytes),
                               clean.begin() + from))
            << "frame " << frame << " of packet " << layout.packetOfFrame[frame];
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Rates, DamagedPacket,
                         testing::Values("8k-mono", "8k-stereo", "8k-mono-1s", "22k-mono",
                                         "22k-stereo", "44k-mono", "44k-stereo"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
