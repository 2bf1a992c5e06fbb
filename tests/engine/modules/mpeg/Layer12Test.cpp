// Layer I and II decoding: the allocation and requantisation rules that the conformance streams
// do not reach (the streams themselves: ConformanceTest.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "tests/engine/modules/mpeg/DecodeHarness.h"

using namespace mpeg;

using namespace mpegtest;

namespace {

// Encoded streams for the allocation tables the conformance streams leave out, with
// references in the stream's own channel count (tests/fixtures/layer2/make-fixtures.sh).
struct Fixture {
  const char* Name;
  int Table;
  int Channels;
};

class Layer2Fixtures : public testing::TestWithParam<Fixture> {};

TEST_P(Layer2Fixtures, EverySampleWithinOneStep) {
  const Fixture& f = GetParam();
  const std::string base = FixturePath(std::string("layer2/") + f.Name).string();
  MpegStream stream;
  MpegDecoder decoder;
  RunResult run = DecodeAll(stream, decoder, FileSource(base + ".mp2"));
  ASSERT_EQ(run.First, FrameRead);
  EXPECT_EQ(stream.Header().AllocationTable, f.Table);
  ASSERT_EQ(stream.Header().Channels, f.Channels);
  std::vector<uint8_t> bytes = ReadBytes(base + ".pcm");
  const size_t frames = run.Samples.size() / 2;
  ASSERT_EQ(frames, static_cast<size_t>(run.Frames) * 1152);
  ASSERT_EQ(frames * f.Channels * 2, bytes.size());
  int worst = 0;
  for (size_t i = 0; i < frames; ++i)
    for (int ch = 0; ch < 2; ++ch) {
      const size_t at = 2 * (i * f.Channels + (f.Channels == 1 ? 0 : ch));
      const int reference = static_cast<int16_t>(bytes[at] | (bytes[at + 1] << 8));
      worst = std::max(worst, std::abs(reference - run.Samples[2 * i + ch]));
    }
  EXPECT_LE(worst, 1);
}

INSTANTIATE_TEST_SUITE_P(Streams, Layer2Fixtures,
                         testing::Values(Fixture{"l2_44k_mono_48", 2, 1},
                                         Fixture{"l2_32k_stereo_64", 3, 2},
                                         Fixture{"l2_24k_mono_64", 4, 1}),
                         [](const testing::TestParamInfo<Fixture>& info) {
                           return std::string(info.param.Name);
                         });

RunResult DecodeBytes(std::vector<uint8_t> bytes, DecoderSettings settings = {},
                      MpegDecoder* reuse = nullptr) {
  MemoryStream memory;
  memory.Bytes = std::move(bytes);
  MpegDecoder fresh;
  return DecodeAll(reuse ? *reuse : fresh, memory.Source(), settings);
}

std::vector<uint8_t> Stream(const std::string& name) {
  return ReadBytes(VectorPath(name + ".bit"));
}

TEST(Layer12, HalfRateIsTheBandLimitedFullRateOutputEverySecondSample) {
  for (const char* name : {"l1-fl3", "l2-fl12"}) {
    RunResult half = DecodeBytes(Stream(name), DecoderSettings{1, 16384, 32768});

    // Full rate with subbands 16-31 silenced through the equaliser.
    MemoryStream memory;
    memory.Bytes = Stream(name);
    MpegDecoder decoder;
    decoder.Equalizer().On = 1;
    for (int ch = 0; ch < 2; ++ch)
      for (int band = 16; band < 32; ++band) decoder.Equalizer().Gains[ch][band] = 0.0;
    RunResult full = DecodeAll(decoder, memory.Source());

    ASSERT_EQ(half.Frames, full.Frames) << name;
    ASSERT_EQ(half.Samples.size() * 2, full.Samples.size()) << name;
    for (size_t frame = 0; frame < half.Samples.size() / 2; ++frame)
      for (int ch = 0; ch < 2; ++ch)
        ASSERT_EQ(half.Samples[2 * frame + ch], full.Samples[4 * frame + ch])
            << name << " frame " << frame;
  }
}

TEST(Layer12, BlocksHaveTheUsableSizeAndTheRestIsFlushed) {
  const RunResult reference = DecodeBytes(Stream("l2-fl10"));
  struct Case {
    int32_t Requested;
    int32_t Block;
  };
  for (const Case& c :
       {Case{16384, 16384}, Case{1000, 896}, Case{100, 128}, Case{0, 128}, Case{384, 384}}) {
    RunResult run = DecodeBytes(Stream("l2-fl10"), DecoderSettings{0, c.Requested, 32768});
    EXPECT_EQ(run.Samples, reference.Samples) << c.Requested;
    ASSERT_FALSE(run.BlockSizes.empty());
    for (size_t i = 0; i + 1 < run.BlockSizes.size(); ++i)
      ASSERT_EQ(run.BlockSizes[i], c.Block) << c.Requested;
    EXPECT_LE(run.BlockSizes.back(), c.Block);
  }
}

TEST(Layer12, EachSetUpStartsWithoutThePreviousStreamsHistory) {
  MpegDecoder decoder;
  DecodeBytes(Stream("l1-fl2"), {}, &decoder);
  RunResult second = DecodeBytes(Stream("l2-fl11"), {}, &decoder);
  RunResult fresh = DecodeBytes(Stream("l2-fl11"));
  EXPECT_EQ(second.Samples, fresh.Samples);
}

// A one-channel Layer II frame (44.1 kHz, 48 kbit/s: the table of 8 subbands) whose
// subband 0 carries 5-level grouped codes, all codewords `codeword`, one scale index.
std::vector<uint8_t> GroupedFrame(uint32_t codeword, uint32_t scaleIndex) {
  std::vector<uint8_t> frame = HeaderBytes(3, 2, 2, 0, 0, 3);
  BitWriter body;
  body.Put(2, 4);  // subband 0: allocation 2, 5 levels in 7-bit codewords
  body.Put(0, 4);
  for (int sb = 2; sb < 8; ++sb) body.Put(0, 3);
  body.Put(2, 2);  // one scale index for the whole frame
  body.Put(scaleIndex, 6);
  for (int granule = 0; granule < 12; ++granule) body.Put(codeword, 7);
  body.Bytes.resize(48 * 144000 / 44100 - 4, 0);
  Append(frame, body.Bytes);
  return frame;
}

TEST(Layer12, GroupedCodewordsBeyondTheirTableAndScaleIndex63AreSilent) {
  struct Case {
    uint32_t Codeword;
    uint32_t Scale;
    bool Silent;
  };
  for (const Case& c :
       {Case{124, 0, false}, Case{124, 63, true}, Case{125, 0, true}, Case{127, 0, true}}) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 3; ++i) Append(bytes, GroupedFrame(c.Codeword, c.Scale));
    RunResult run = DecodeBytes(bytes);
    ASSERT_EQ(run.Frames, 3);
    ASSERT_EQ(run.Samples.size(), 3u * 1152 * 2);
    const bool silent =
        std::all_of(run.Samples.begin(), run.Samples.end(), [](int16_t v) { return v == 0; });
    EXPECT_EQ(silent, c.Silent) << c.Codeword << "/" << c.Scale;
    for (size_t i = 0; i < run.Samples.size(); i += 2)
      ASSERT_EQ(run.Samples[i], run.Samples[i + 1]);
  }
}

// Layer II frames of the 8-subband table (44.1 kHz, 96 kbit/s, two channels) written from
// one description, either in joint stereo (shared allocation and codes from the bound on) or
// in plain stereo with those values repeated for both channels.
struct Layer2Content {
  int Allocation[2][8];
  int Selection[2][8];
  int Scale[2][8][3];
  uint32_t Codes[12][2][8][3];  // granule, channel, subband, sample (grouped: sample 0 only)
};

constexpr int Nbal[8] = {4, 4, 3, 3, 3, 3, 3, 3};
// Allocations 1 to 4 select 3, 5 and 9 levels (grouped) and 15 levels (4-bit codes) in
// every row of that table.
struct Code {
  int Bits;
  bool Grouped;
  uint32_t Limit;
};
Code CodeFor(int a) {
  static const Code codes[4] = {{5, true, 27}, {7, true, 125}, {10, true, 729}, {4, false, 15}};
  return codes[a - 1];
}

std::vector<uint8_t> WriteLayer2(const Layer2Content& c, int mode, int extension, int bound,
                                 int channels = 2) {
  // One channel: 48 kbit/s, which selects the same table.
  const int bitRateIndex = channels == 1 ? 2 : 6;
  std::vector<uint8_t> frame =
      HeaderBytes(3, 2, bitRateIndex, 0, 0, channels == 1 ? 3 : mode, extension);
  BitWriter w;
  if (channels == 1) bound = 8;
  for (int sb = 0; sb < 8; ++sb)
    for (int ch = 0; ch < (sb < bound ? channels : 1); ++ch) w.Put(c.Allocation[ch][sb], Nbal[sb]);
  for (int sb = 0; sb < 8; ++sb)
    for (int ch = 0; ch < channels; ++ch)
      if (c.Allocation[ch][sb]) w.Put(c.Selection[ch][sb], 2);
  for (int sb = 0; sb < 8; ++sb)
    for (int ch = 0; ch < channels; ++ch) {
      if (!c.Allocation[ch][sb]) continue;
      const int* s = c.Scale[ch][sb];
      switch (c.Selection[ch][sb]) {
        case 0:
          w.Put(s[0], 6);
          w.Put(s[1], 6);
          w.Put(s[2], 6);
          break;
        case 1:
          w.Put(s[0], 6);
          w.Put(s[2], 6);
          break;
        case 2: w.Put(s[0], 6); break;
        default:
          w.Put(s[0], 6);
          w.Put(s[1], 6);
          break;
      }
    }
  for (int g = 0; g < 12; ++g)
    for (int sb = 0; sb < 8; ++sb)
      for (int ch = 0; ch < (sb < bound ? channels : 1); ++ch) {
        const int a = c.Allocation[ch][sb];
        if (!a) continue;
        const Code code = CodeFor(a);
        for (int k = 0; k < (code.Grouped ? 1 : 3); ++k) w.Put(c.Codes[g][ch][sb][k], code.Bits);
      }
  // Either rate holds the largest content.
  w.Bytes.resize((channels == 1 ? 48 : 96) * 144000 / 44100 - 4, 0);
  Append(frame, w.Bytes);
  return frame;
}

Layer2Content RandomContent(std::mt19937& random, int bound) {
  Layer2Content c{};
  for (int sb = 0; sb < 8; ++sb) {
    for (int ch = 0; ch < 2; ++ch) {
      c.Allocation[ch][sb] = static_cast<int>(random() % 5);
      c.Selection[ch][sb] = static_cast<int>(random() % 4);
    }
    if (sb >= bound) c.Allocation[1][sb] = c.Allocation[0][sb];
    for (int ch = 0; ch < 2; ++ch) {
      int* s = c.Scale[ch][sb];
      for (int k = 0; k < 3; ++k) s[k] = static_cast<int>(random() % 63);
      // What the selection can carry: (a, b, c), (a, a, b), (a, a, a), (a, b, b).
      switch (c.Selection[ch][sb]) {
        case 1: s[1] = s[0]; break;
        case 2: s[1] = s[2] = s[0]; break;
        case 3: s[2] = s[1]; break;
        default: break;
      }
    }
  }
  for (int g = 0; g < 12; ++g)
    for (int sb = 0; sb < 8; ++sb)
      for (int ch = 0; ch < 2; ++ch) {
        const int a = c.Allocation[ch][sb];
        if (!a) continue;
        const Code code = CodeFor(a);
        for (int k = 0; k < 3; ++k)
          c.Codes[g][ch][sb][k] = sb >= bound && ch == 1
                                      ? c.Codes[g][0][sb][k]
                                      : static_cast<uint32_t>(random() % code.Limit);
      }
  return c;
}

TEST(Layer12, JointStereoLayer2EqualsTheStereoFrameItStandsFor) {
  struct Case {
    int Extension;
    int Bound;  // the bound the table leaves: 4 x extension + 4, at most 8
  };
  std::mt19937 random(21);
  for (const Case& c : {Case{0, 4}, Case{1, 8}, Case{3, 8}}) {
    std::vector<uint8_t> joint;
    std::vector<uint8_t> stereo;
    for (int frame = 0; frame < 6; ++frame) {
      const Layer2Content content = RandomContent(random, c.Bound);
      Append(joint, WriteLayer2(content, 1, c.Extension, c.Bound));
      Append(stereo, WriteLayer2(content, 0, 0, 8));
    }
    RunResult a = DecodeBytes(joint);
    RunResult b = DecodeBytes(stereo);
    ASSERT_EQ(a.Frames, 6);
    ASSERT_EQ(b.Frames, 6);
    EXPECT_EQ(a.Samples, b.Samples) << "extension " << c.Extension;
    EXPECT_TRUE(std::any_of(a.Samples.begin(), a.Samples.end(), [](int16_t v) { return v != 0; }));
  }
}

TEST(Layer12, OneChannelLayer2EqualsAStereoFrameWithTwoEqualChannels) {
  std::mt19937 random(23);
  std::vector<uint8_t> mono;
  std::vector<uint8_t> stereo;
  for (int frame = 0; frame < 6; ++frame) {
    Layer2Content content = RandomContent(random, 0);  // both channels alike throughout
    for (int sb = 0; sb < 8; ++sb) {
      content.Selection[1][sb] = content.Selection[0][sb];
      for (int k = 0; k < 3; ++k) content.Scale[1][sb][k] = content.Scale[0][sb][k];
    }
    Append(mono, WriteLayer2(content, 3, 0, 8, 1));
    Append(stereo, WriteLayer2(content, 0, 0, 8));
  }
  RunResult a = DecodeBytes(mono);
  RunResult b = DecodeBytes(stereo);
  ASSERT_EQ(a.Frames, 6);
  EXPECT_EQ(a.Samples, b.Samples);
  EXPECT_TRUE(std::any_of(a.Samples.begin(), a.Samples.end(), [](int16_t v) { return v != 0; }));
}

// A Layer I frame at 32 kHz and 448 kbit/s carrying the same allocation, scale indexes and
// codes in every channel: one channel, or two (stereo, or joint stereo from subband 4).
std::vector<uint8_t> WriteLayer1(const int (&allocation)[32], const int (&scale)[32],
                                 const uint32_t (&codes)[12][32], int channels, int mode) {
  std::vector<uint8_t> frame = HeaderBytes(3, 1, 14, 2, 0, channels == 1 ? 3 : mode, 0);
  const int bound = channels == 1 ? 32 : mode == 1 ? 4 : 32;
  BitWriter w;
  for (int sb = 0; sb < 32; ++sb)
    for (int ch = 0; ch < (sb < bound ? channels : 1); ++ch) w.Put(allocation[sb], 4);
  for (int sb = 0; sb < 32; ++sb)
    for (int ch = 0; ch < channels; ++ch)
      if (allocation[sb]) w.Put(scale[sb], 6);
  for (int slot = 0; slot < 12; ++slot)
    for (int sb = 0; sb < 32; ++sb)
      for (int ch = 0; ch < (sb < bound ? channels : 1); ++ch)
        if (allocation[sb]) w.Put(codes[slot][sb], allocation[sb] + 1);
  w.Bytes.resize((448 * 12000 / 32000) * 4 - 4, 0);
  Append(frame, w.Bytes);
  return frame;
}

TEST(Layer12, Layer1OneChannelJointAndStereoFramesAgree) {
  std::mt19937 random(31);
  std::vector<uint8_t> mono, stereo, joint;
  for (int frame = 0; frame < 5; ++frame) {
    int allocation[32];
    int scale[32];
    uint32_t codes[12][32];
    for (int sb = 0; sb < 32; ++sb) {
      allocation[sb] = static_cast<int>(random() % 6);
      scale[sb] = static_cast<int>(random() % 63);
      for (int slot = 0; slot < 12; ++slot)  // the all-ones code is not used
        codes[slot][sb] = static_cast<uint32_t>(random() % ((2u << allocation[sb]) - 1));
    }
    Append(mono, WriteLayer1(allocation, scale, codes, 1, 3));
    Append(stereo, WriteLayer1(allocation, scale, codes, 2, 0));
    Append(joint, WriteLayer1(allocation, scale, codes, 2, 1));
  }
  RunResult a = DecodeBytes(mono);
  RunResult b = DecodeBytes(stereo);
  RunResult c = DecodeBytes(joint);
  ASSERT_EQ(a.Frames, 5);
  EXPECT_EQ(a.Samples, b.Samples);
  EXPECT_EQ(a.Samples, c.Samples);
  EXPECT_TRUE(std::any_of(a.Samples.begin(), a.Samples.end(), [](int16_t v) { return v != 0; }));
}

TEST(Layer12, GroupTablesAndScaleMultipliers) {
  Layer2Tables tables;
  BuildLayer2Tables(tables);
  // Codeword 124 of 5 levels: levels (4, 4, 4), each 4/5 of the scale factor.
  for (int k = 0; k < 3; ++k) EXPECT_EQ(tables.Group5[124][k], 20);
  EXPECT_DOUBLE_EQ(tables.ScaleMultipliers[20][0], 0.8 * 2.0);
  // The first sample is the least significant digit: 9-level codeword 1 = (1, 0, 0).
  EXPECT_EQ(tables.Group9[1][0], 1);
  EXPECT_EQ(tables.Group9[1][1], 21);
  EXPECT_EQ(tables.Group3[9][2], 0);
  EXPECT_NEAR(tables.ScaleMultipliers[3][3], 2.0 / 7, 1e-15);  // scale factor 1.0
  for (int q = 0; q < Layer2Tables::Classes; ++q) EXPECT_EQ(tables.ScaleMultipliers[q][63], 0.0);
}

TEST(Layer12, CorruptStreamsDecodeWithoutFault) {
  const char* names[] = {"l1-fl1", "l1-fl2", "l2-fl10", "l2-fl12", "l3-compl", "M2L3_noise"};
  std::mt19937 random(11);
  for (const char* name : names) {
    const std::vector<uint8_t> original = Stream(name);
    const RunResult clean = DecodeBytes(original);
    ASSERT_GT(clean.Frames, 40) << name;
    const size_t frameSamples = clean.Samples.size() / static_cast<size_t>(clean.Frames);
    for (int round = 0; round < 4; ++round) {
      std::vector<uint8_t> bytes = original;
      // Flip bits everywhere, headers included.
      for (int i = 0; i < 200 * (round + 1); ++i)
        bytes[random() % bytes.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
      RunResult run = DecodeBytes(bytes);
      // A damaged frame costs only itself: the run goes on to the end of the input without a
      // failure, most frames are decoded, and what comes out is whole frames, the frames lost
      // among them kept as silence, and never more than the clean stream gives.
      ASSERT_EQ(run.First, FrameRead) << name << " round " << round;
      EXPECT_EQ(run.Failure, -1) << name << " round " << round;
      EXPECT_GT(run.Frames, clean.Frames * 3 / 4) << name << " round " << round;
      EXPECT_EQ(run.Samples.size() % frameSamples, 0u) << name << " round " << round;
      EXPECT_GE(run.Samples.size(), static_cast<size_t>(run.Frames) * frameSamples)
          << name << " round " << round;
      EXPECT_LE(run.Samples.size(), clean.Samples.size()) << name << " round " << round;
    }
  }
  // Not a stream: nothing is decoded.
  std::vector<uint8_t> noise(200000);
  for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
  std::vector<uint8_t> syncs(50000, 0xFF);
  for (const auto* bytes : {&noise, &syncs}) {
    const RunResult run = DecodeBytes(*bytes);
    EXPECT_NE(run.First, FrameRead);
    EXPECT_TRUE(run.Samples.empty());
  }
}

}  // namespace
