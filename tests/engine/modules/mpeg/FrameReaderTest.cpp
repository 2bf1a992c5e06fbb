// Opening the input, the tags, the frame search and resynchronisation, the end of the input,
// rewinding and seeking.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tests/engine/modules/mpeg/DecodeHarness.h"
#include "tests/support/FailureCode.h"

using namespace mpeg;

using namespace mpegtest;

namespace {

std::vector<uint8_t> Stream(const char* name) {
  return ReadBytes(VectorPath(std::string(name) + ".bit"));
}

RunResult DecodeBytes(std::vector<uint8_t> bytes, DecoderSettings settings = {}) {
  MemoryStream memory;
  memory.Bytes = std::move(bytes);
  MpegDecoder decoder;
  return DecodeAll(decoder, memory.Source(), settings);
}

// A frame of silence: MPEG-1 Layer II, 44100 Hz, 32 kbit/s (104 bytes), zero body.
std::vector<uint8_t> SilentFrame(int padding = 0) {
  std::vector<uint8_t> frame = HeaderBytes(3, 2, 1, 0, padding);
  frame.resize(32 * 144000 / 44100 + padding, 0);
  return frame;
}

std::vector<uint8_t> Frames(int count) {
  std::vector<uint8_t> bytes;
  for (int i = 0; i < count; ++i) Append(bytes, SilentFrame());
  return bytes;
}

std::vector<uint8_t> Joined(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> bytes;
  for (const auto& part : parts) Append(bytes, part);
  return bytes;
}

struct Opened {
  MemoryStream Memory;
  MpegStream Reader;
  MpegDecoder Decoder;
  PcmBlock Pcm;
  DecoderSession Session{Reader, Decoder, Pcm};
  explicit Opened(std::vector<uint8_t> bytes) {
    Memory.Bytes = std::move(bytes);
    QVByteBool canSetPosition = 1;
    Reader.Open(Memory.Source(), &canSetPosition);
  }
};

TEST(FrameReader, CallbackInputDecodesAsTheFileDoes) {
  MpegDecoder fromFile;
  RunResult file = DecodeAll(fromFile, FileSource(VectorPath("l2-fl11.bit")));
  RunResult callback = DecodeBytes(Stream("l2-fl11"));
  ASSERT_GT(file.Samples.size(), 0u);
  EXPECT_EQ(file.Samples, callback.Samples);
  EXPECT_EQ(file.Frames, callback.Frames);
}

TEST(FrameReader, CallbackStreamValueAndCanSetPositionAndClose) {
  MemoryStream memory;
  memory.Bytes = Frames(3);
  memory.ClearCanSetPosition = 1;
  MpegStream stream;
  QVByteBool canSetPosition = 1;
  stream.Open(memory.Source(), &canSetPosition);
  EXPECT_EQ(stream.Input().Stream(), 77);
  EXPECT_EQ(canSetPosition, 0);
  EXPECT_EQ(stream.Input().Size(), 3 * 104);
  stream.Close();
  EXPECT_TRUE(memory.Closed);
  EXPECT_FALSE(stream.IsOpen());
}

TEST(FrameReader, OpenFailuresRaiseInputFailure) {
  auto codeOf = [](auto&& open) { return FailureCode(open, -1); };
  MpegStream stream;
  QVByteBool canSetPosition = 1;
  EXPECT_EQ(codeOf([&] { stream.Open(FileSource("/nonexistent/x.mp2"), &canSetPosition); }), 5);
  EXPECT_EQ(codeOf([&] { stream.Open(FileSource(""), &canSetPosition); }), 5);
  EXPECT_EQ(codeOf([&] { stream.Open(FileSource("/"), &canSetPosition); }), 5);

  MemoryStream memory;
  memory.Bytes = Frames(2);
  InputSource refusing = memory.Source();
  refusing.GetSize = [](QVUserValue, QVStream, int32_t*) -> QVBool { return FALSE; };
  EXPECT_EQ(codeOf([&] { stream.Open(refusing, &canSetPosition); }), 5);
  EXPECT_TRUE(memory.Closed);  // a failed open closes what it opened
  EXPECT_FALSE(stream.IsOpen());

  InputSource missing = memory.Source();
  missing.Read = nullptr;
  EXPECT_EQ(codeOf([&] { stream.Open(missing, &canSetPosition); }), 5);
}

std::vector<uint8_t> WithTag(std::vector<uint8_t> bytes, const char* title) {
  std::vector<uint8_t> tag(128, 'x');
  std::memcpy(tag.data(), "TAG", 3);
  std::memcpy(tag.data() + 3, title, std::strlen(title));
  Append(bytes, tag);
  return bytes;
}

TEST(FrameReader, Id3v1BlockHasZeroTerminatedFields) {
  Opened opened(WithTag(Frames(2), "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234"));
  const char* block = opened.Reader.TagBlock();
  ASSERT_NE(block, nullptr);
  EXPECT_STREQ(block + 3, "ABCDEFGHIJKLMNOPQRSTUVWXYZ123");  // 29 letters
  EXPECT_EQ(std::strlen(block + 33), 29u);
  EXPECT_EQ(std::strlen(block + 63), 29u);
  EXPECT_EQ(std::strlen(block + 93), 4u);
  EXPECT_EQ(std::strlen(block + 98), 28u);
}

TEST(FrameReader, NoTagWhenAbsentOrInputShort) {
  Opened plain(Frames(3));
  EXPECT_EQ(plain.Reader.TagBlock(), nullptr);
  Opened shortInput(std::vector<uint8_t>{'T', 'A', 'G', 0, 0});
  EXPECT_EQ(shortInput.Reader.TagBlock(), nullptr);
  MpegStream fromFile;
  QVByteBool canSetPosition = 1;
  const std::string path = std::string(BRASSEL_BINARY_DIR) + "/mpegcore-short-input.mp2";
  {
    std::ofstream out(path, std::ios::binary);
    out << "TAG";
  }
  fromFile.Open(FileSource(path), &canSetPosition);
  EXPECT_EQ(fromFile.TagBlock(), nullptr);
  // Less than a header and no frame: no stream at all.
  EXPECT_EQ(FailureCode([&] { fromFile.ReadFrame(); }, -1), 5);
}

TEST(FrameReader, TrailingTagEndsTheInputWithoutFrames) {
  RunResult run = DecodeBytes(WithTag(Frames(4), "title"));
  EXPECT_EQ(run.Frames, 4);
}

TEST(FrameReader, Id3v2TagIsSkipped) {
  // Size bytes 00 00 02 01: 257 bytes after the 10-byte header; the body holds sync bytes.
  std::vector<uint8_t> bytes = {'I', 'D', '3', 3, 0, 0, 0, 0, 2, 1};
  std::vector<uint8_t> body(257, 0xFF);
  Append(bytes, body);
  Append(bytes, Stream("l2-fl10"));
  Opened opened(bytes);
  ASSERT_EQ(opened.Reader.ReadFrame(), FrameRead);
  EXPECT_EQ(opened.Reader.FirstFrameOffset(), 267);
  EXPECT_EQ(opened.Reader.Header().Layer, 2);

  RunResult tagged = DecodeBytes(bytes);
  RunResult plain = DecodeBytes(Stream("l2-fl10"));
  EXPECT_EQ(tagged.Frames, plain.Frames);
  EXPECT_EQ(tagged.Samples, plain.Samples);
}

TEST(FrameReader, Id3LettersNotAtTheStartAreNoTag) {
  // "ID3" one byte in: not a tag, so its "size" (a huge one) must not be skipped.
  std::vector<uint8_t> bytes = {0, 'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
  Append(bytes, Frames(3));
  Opened opened(bytes);
  ASSERT_EQ(opened.Reader.ReadFrame(), FrameRead);
  EXPECT_EQ(opened.Reader.FirstFrameOffset(), 11);
}

TEST(FrameReader, FirstHeaderSearchStopsAfter131072Bytes) {
  for (size_t zeros : {size_t{131072}, size_t{131073}}) {
    std::vector<uint8_t> bytes(zeros, 0);
    Append(bytes, Frames(2));
    Opened opened(bytes);
    EXPECT_EQ(opened.Reader.ReadFrame(), zeros == 131072 ? FrameRead : NoFrame) << zeros;
  }
}

TEST(FrameReader, ResynchronisesAfterGarbage) {
  std::vector<uint8_t> original = Stream("l2-fl10");
  const size_t frame = 192 * 144000 / 32000;  // 192 kbit/s at 32 kHz
  ASSERT_EQ(original.size() % frame, 0u);
  std::vector<uint8_t> damaged(original.begin(), original.begin() + 10 * frame);
  std::mt19937 random(7);
  for (int i = 0; i < 333; ++i) damaged.push_back(static_cast<uint8_t>(random() & 0x7F));
  damaged.insert(damaged.end(), original.begin() + 10 * frame, original.end());

  RunResult plain = DecodeBytes(original);
  RunResult run = DecodeBytes(damaged);
  EXPECT_EQ(run.Frames, plain.Frames);
  EXPECT_EQ(run.Samples, plain.Samples);
}

std::vector<uint8_t> RandomBytes(uint32_t seed, size_t count, uint8_t mask = 0xFF) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(count);
  for (auto& b : bytes) b = static_cast<uint8_t>(random() & mask);
  return bytes;
}

// Headers inside garbage that no frame start of the stream follows are passed over: copies of
// the stream's own header, and two frames of another sampling rate one behind the other. The
// garbage is shorter than half a frame, so no frame is counted lost: the run is the clean one.
TEST(FrameReader, ResyncPassesOverHeadersInGarbage) {
  const std::vector<uint8_t> original = Stream("l2-fl10");  // 32000 Hz, 864-byte frames
  const size_t frame = 864;
  const std::vector<uint8_t> own(original.begin(), original.begin() + 4);
  // 48000 Hz, the stream's version and layer, 32 kbit/s: 96-byte frames.
  std::vector<uint8_t> otherRate = HeaderBytes(3, 2, 1, 1);
  otherRate.resize(96, 0);
  struct Case {
    const char* Name;
    std::vector<uint8_t> Garbage;
  };
  const Case cases[] = {
      {"the stream's header", Joined({RandomBytes(1, 50, 0x7F), own, RandomBytes(2, 100, 0x7F), own,
                                      own, RandomBytes(3, 60, 0x7F)})},
      {"frames of another rate",
       Joined({RandomBytes(4, 40, 0x7F), otherRate, otherRate, RandomBytes(5, 40, 0x7F)})},
  };
  const RunResult plain = DecodeBytes(original);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<uint8_t> damaged(original.begin(), original.begin() + 10 * frame);
    Append(damaged, c.Garbage);
    damaged.insert(damaged.end(), original.begin() + 10 * frame, original.end());
    const RunResult run = DecodeBytes(damaged);
    EXPECT_EQ(run.Frames, plain.Frames);
    EXPECT_EQ(run.Samples, plain.Samples);
  }
}

// A header is the first one only when a frame start of the stream follows its frame, or when
// nothing but the tags follows it: junk in front of a stream is passed over and the stream
// decoded whole, in place; a single frame is a stream too.
TEST(FrameReader, StreamBehindJunkAndSingleFramesAreDecoded) {
  const std::vector<uint8_t> original = Stream("l2-fl10");
  const std::vector<uint8_t> first(original.begin(), original.begin() + 864);
  std::vector<uint8_t> ape = {
      'A', 'P', 'E', 'T', 'A', 'G', 'E', 'X', 0xD0, 7, 0, 0,
      40,  0,   0,   0,   1,   0,   0,   0,   0,    0, 0, 0x80};  // items and footer: 40
  ape.resize(32, 0);
  std::vector<uint8_t> apeTag = ape;  // the header, an item of 8 bytes, the footer
  Append(apeTag, {'i', 't', 'e', 'm', 0, 0, 0, 0});
  Append(apeTag, ape);
  std::vector<uint8_t> id3v1(128, ' ');
  std::memcpy(id3v1.data(), "TAG", 3);
  std::vector<uint8_t> junkWithHeaders = RandomBytes(6, 3000);
  for (size_t at : {100, 1000, 2500})
    std::copy(first.begin(), first.begin() + 4, junkWithHeaders.begin() + at);

  const RunResult plain = DecodeBytes(original);
  const std::vector<int16_t> firstFrame(plain.Samples.begin(), plain.Samples.begin() + 1152 * 2);
  struct Case {
    const char* Name;
    std::vector<uint8_t> Bytes;
    int Frames;
  };
  const Case cases[] = {
      {"random junk in front", Joined({RandomBytes(7, 5000), original}), plain.Frames},
      {"junk holding the stream's header in front", Joined({junkWithHeaders, original}),
       plain.Frames},
      {"single frame", first, 1},
      {"single frame, 3 bytes behind", Joined({first, {0xFF, 0xFC, 0xA8}}), 1},
      {"single frame, ID3v1 tag", Joined({first, id3v1}), 1},
      {"single frame, APE tag", Joined({first, apeTag}), 1},
      {"single frame, APE and ID3v1 tags", Joined({first, apeTag, id3v1}), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const RunResult run = DecodeBytes(c.Bytes);
    ASSERT_EQ(run.First, FrameRead);
    EXPECT_EQ(run.Frames, c.Frames);
    EXPECT_EQ(run.Samples, c.Frames == 1 ? firstFrame : plain.Samples);
  }
}

// What is no stream is refused at the first frame (code 5 for the host) when the search met
// headers on its way, none of them a stream's; an input without any header holds no frame.
TEST(FrameReader, InputsThatAreNoStreamHaveNoFirstFrame) {
  const std::vector<uint8_t> original = Stream("l2-fl10");
  const std::vector<uint8_t> first(original.begin(), original.begin() + 864);
  std::vector<uint8_t> otherRate = HeaderBytes(3, 2, 1, 1);  // 48000 Hz
  otherRate.resize(96, 0);
  std::vector<uint8_t> otherLayer = HeaderBytes(3, 3, 10, 2);  // Layer III, 32000 Hz
  otherLayer.resize(160 * 144000 / 32000, 0);
  struct Case {
    const char* Name;
    std::vector<uint8_t> Bytes;
    FrameStatus First;
  };
  const Case cases[] = {
      {"random bytes, seed 1", RandomBytes(1, 1 << 20), FrameRefused},
      {"random bytes, seed 2", RandomBytes(2, 20000), FrameRefused},
      {"random bytes, seed 3", RandomBytes(3, 40000), FrameRefused},
      {"a frame, then junk", Joined({first, RandomBytes(8, 2000, 0x7F)}), FrameRefused},
      {"a frame cut short", std::vector<uint8_t>(first.begin(), first.end() - 1), FrameRefused},
      {"a frame, then one of another rate, then junk",
       Joined({first, otherRate, RandomBytes(9, 500, 0x7F)}), FrameRefused},
      {"a frame, then one of another layer, then junk",
       Joined({first, otherLayer, RandomBytes(10, 500, 0x7F)}), FrameRefused},
      {"junk without a header", RandomBytes(11, 5000, 0x7F), EndOfInput},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(DecodeBytes(c.Bytes).First, c.First);
  }
}

// Each frame's own protection bit says whether a check word follows its header.
TEST(FrameReader, ProtectionBitIsEachFramesOwn) {
  std::vector<uint8_t> bytes;
  for (int protection : {1, 0, 0, 1}) {
    std::vector<uint8_t> frame = HeaderBytes(3, 2, 1, 0, 0, 0, 0, protection);
    frame.resize(104, 0);
    Append(bytes, frame);
  }
  Opened opened(bytes);
  for (int crc : {0, 1, 1, 0}) {
    ASSERT_EQ(opened.Reader.ReadFrame(), FrameRead);
    EXPECT_EQ(opened.Reader.Header().CrcPresent, crc);
  }
}

// A damaged header costs its frame: the next frame is found again behind it and reports the
// frames lost in front of it, also for the first frame, whose damaged header is passed over
// (a header whose frame is not followed by another frame start is not the stream's).
TEST(FrameReader, DamagedHeadersAreCountedAsLostFrames) {
  struct Case {
    const char* Name;
    int Damaged;           // frame whose header is damaged
    uint8_t Byte0, Byte2;  // its first and third header bytes
    int64_t FirstOffset;   // of the first frame taken
  };
  const Case cases[] = {
      {"sync bits gone", 3, 0x00, 0x10, 0},
      {"bit rate 15", 3, 0xFF, 0xF0, 0},
      {"first header, another bit rate", 0, 0xFF, 0x50, 104},
      {"first header, bit rate 15", 0, 0xFF, 0xF0, 104},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<uint8_t> bytes = Frames(8);
    bytes[104 * c.Damaged] = c.Byte0;
    bytes[104 * c.Damaged + 2] = c.Byte2;
    Opened opened(bytes);
    std::vector<int> lost;
    for (;;) {
      const FrameStatus status = opened.Reader.ReadFrame();
      if (status == EndOfInput) break;
      if (status == FrameRead) lost.push_back(opened.Reader.LostFrames());
    }
    std::vector<int> expected(7, 0);
    expected[c.Damaged] = 1;
    EXPECT_EQ(lost, expected);
    EXPECT_EQ(opened.Reader.FirstFrameOffset(), c.FirstOffset);
    ASSERT_TRUE(opened.Reader.Rewind());
    ASSERT_EQ(opened.Reader.ReadFrame(), FrameRead);
    EXPECT_EQ(opened.Reader.LostFrames(), c.Damaged == 0 ? 1 : 0);
  }
}

TEST(FrameReader, EqualHeadersAreNotParsedAgainButPaddingChangesAre) {
  std::vector<uint8_t> bytes;
  for (int padding : {0, 0, 1, 1, 0}) Append(bytes, SilentFrame(padding));
  Opened opened(bytes);
  const bool expected[] = {true, false, true, false, true};
  const int32_t bodies[] = {100, 100, 101, 101, 100};
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(opened.Reader.ReadFrame(), FrameRead) << i;
    EXPECT_EQ(opened.Reader.Header().HeaderChanged, expected[i]) << i;
    EXPECT_EQ(opened.Reader.Header().BodyLength, bodies[i]) << i;
  }
  EXPECT_EQ(opened.Reader.ReadFrame(), EndOfInput);
}

TEST(FrameReader, EndOfInputIsNoFailure) {
  for (size_t trailing : {size_t{0}, size_t{2}}) {
    std::vector<uint8_t> bytes = Frames(2);
    bytes.resize(bytes.size() + trailing, 0xFF);
    Opened opened(bytes);
    EXPECT_EQ(opened.Reader.ReadFrame(), FrameRead);
    EXPECT_EQ(opened.Reader.ReadFrame(), FrameRead);
    EXPECT_EQ(opened.Reader.ReadFrame(), EndOfInput);
    EXPECT_EQ(opened.Reader.ReadFrame(), EndOfInput);
  }
}

TEST(FrameReader, FailedReadsRaise) {
  Opened header(Frames(2));
  header.Memory.FailReads = true;
  try {
    header.Reader.ReadFrame();
    ADD_FAILURE() << "no failure";
  } catch (const ModuleFailure& failure) {
    EXPECT_EQ(failure.Code, 5);
  }
}

TEST(FrameReader, CutOffLastFrameIsCompletedWithZerosAndDecoded) {
  std::vector<uint8_t> whole = Stream("l1-fl1");
  std::vector<uint8_t> cut(whole.begin(), whole.end() - 300);
  RunResult full = DecodeBytes(whole);
  RunResult run = DecodeBytes(cut);
  ASSERT_EQ(run.Frames, full.Frames);
  ASSERT_EQ(run.Samples.size(), full.Samples.size());
  const size_t lastFrame = (full.Frames - 1) * 384 * 2;
  EXPECT_TRUE(
      std::equal(run.Samples.begin(), run.Samples.begin() + lastFrame, full.Samples.begin()));
  EXPECT_FALSE(std::equal(run.Samples.begin() + lastFrame, run.Samples.end(),
                          full.Samples.begin() + lastFrame));
}

TEST(FrameReader, RefusedFrames) {
  struct Case {
    const char* Name;
    std::vector<uint8_t> Header;
  };
  const Case cases[] = {
      {"free format", HeaderBytes(3, 2, 0, 0)},
      // MPEG 2.5 Layer II at 8 kHz and 160 kbit/s: a 2876-byte body, beyond the frame buffer.
      {"oversized body", HeaderBytes(0, 2, 14, 2)},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = c.Header;
    bytes.resize(4000, 0);
    Opened opened(bytes);
    EXPECT_EQ(opened.Reader.ReadFrame(), FrameRefused) << c.Name;
  }
}

// A word that fails the validity test is no header, also behind the first frame: the search
// passes over it and the frame behind it is read as the stream's next, nothing refused.
TEST(FrameReader, LaterWordsFailingTheValidityTestAreNoHeaders) {
  for (const auto& invalid : {HeaderBytes(2, 2, 15, 0), HeaderBytes(3, 2, 1, 3)}) {
    std::vector<uint8_t> bytes = Frames(2);
    Append(bytes, invalid);
    Append(bytes, Frames(2));
    Opened opened(bytes);
    for (int frame = 0; frame < 4; ++frame) {
      ASSERT_EQ(opened.Reader.ReadFrame(), FrameRead) << frame;
      EXPECT_EQ(opened.Reader.LostFrames(), 0);
      EXPECT_EQ(opened.Reader.Header().Lsf, 0);
      EXPECT_EQ(opened.Reader.Header().BodyLength, 100);
    }
    EXPECT_EQ(opened.Reader.ReadFrame(), EndOfInput);
  }
}

TEST(FrameReader, HeaderFieldsAndFrameLimit) {
  struct Case {
    std::vector<uint8_t> Header;
    int Layer, Lsf, RateIndex, Channels, Body, Bound, Coded;
  };
  const Case cases[] = {
      // Layer I joint stereo, mode extension 1: bound 8.
      {HeaderBytes(3, 1, 12, 0, 0, 1, 1), 1, 0, 0, 2, (384 * 12000 / 44100) * 4 - 4, 8, 0},
      // Layer II, table of 8 subbands: a mode extension bound of 16 is cut to 8.
      {HeaderBytes(3, 2, 2, 0, 0, 1, 3), 2, 0, 0, 2, 48 * 144000 / 44100 - 4, 8, 8},
      {HeaderBytes(3, 2, 2, 0, 0, 1, 0), 2, 0, 0, 2, 48 * 144000 / 44100 - 4, 4, 8},
      // Layer II lower sampling frequency: table 4, 30 subbands.
      {HeaderBytes(2, 2, 8, 1, 0, 3), 2, 1, 4, 1, 64 * 144000 / 24000 - 4, 30, 30},
      // Layer III MPEG-1 at 128 kbit/s: 413-byte body; MPEG 2.5 at 8 kHz.
      {HeaderBytes(3, 3, 9, 0), 3, 0, 0, 2, 413, 0, 0},
      {HeaderBytes(0, 3, 8, 2, 0, 3), 3, 1, 8, 1, 64 * 144000 / 16000 - 4, 0, 0},
  };
  for (const Case& c : cases) {
    // The frame over and over, cut at 10000 bytes.
    std::vector<uint8_t> frame = c.Header;
    frame.resize(static_cast<size_t>(c.Body) + 4, 0);
    std::vector<uint8_t> bytes;
    while (bytes.size() < 10000) Append(bytes, frame);
    bytes.resize(10000);
    Opened opened(bytes);
    ASSERT_EQ(opened.Reader.ReadFrame(), FrameRead);
    const FrameHeader& h = opened.Reader.Header();
    EXPECT_EQ(h.Layer, c.Layer);
    EXPECT_EQ(h.Lsf, c.Lsf);
    EXPECT_EQ(h.RateIndex, c.RateIndex);
    EXPECT_EQ(h.Channels, c.Channels);
    EXPECT_EQ(h.BodyLength, c.Body);
    if (c.Layer != 3) {
      EXPECT_EQ(h.StereoBound, c.Bound);
    }
    if (c.Layer == 2) {
      EXPECT_EQ(h.CodedSubbands, c.Coded);
    }
    EXPECT_EQ(opened.Reader.FrameLimit(), 10000u / (c.Body + 5));
  }
}

// A Layer III frame (MPEG-1, 44100 Hz, two channels) with a zero body; a tag makes it an
// encoder's header frame: "Xing" or "Info" behind the 32 bytes of side information with the
// flags (bit 0: a frame count follows) and the count, or "VBRI" 32 bytes into the body with
// the count 14 bytes behind it.
std::vector<uint8_t> Layer3Frame(int bitRateIndex, const char* tag = nullptr, uint32_t count = 0,
                                 uint32_t flags = 1) {
  static constexpr int kbps[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
  std::vector<uint8_t> frame = HeaderBytes(3, 3, bitRateIndex, 0);
  frame.resize(static_cast<size_t>(kbps[bitRateIndex] * 144000 / 44100), 0);
  const auto put = [&frame](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) frame[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
  };
  if (tag != nullptr) {
    std::memcpy(frame.data() + 36, tag, 4);
    if (std::strcmp(tag, "VBRI") == 0) {
      put(36 + 14, count);
    } else {
      put(40, flags);
      put(44, count);
    }
  }
  return frame;
}

// The frame limit after each frame read: at a constant bit rate the sound's size over one more
// than the frame's length without padding (an ID3v1 tag is no part of that size); once the bit
// rate varies, the frame count of the encoder's header frame with the header frame itself,
// else the sound's size over the mean length of the frames read so far.
TEST(FrameReader, FrameLimitOfConstantAndVariableBitRates) {
  std::vector<uint8_t> fast = HeaderBytes(3, 2, 14, 0);  // 384 kbit/s: a 1253-byte frame
  fast.resize(384 * 144000 / 44100, 0);
  const std::vector<uint8_t> slow = SilentFrame();  // 104 bytes
  struct Case {
    const char* Name;
    std::vector<uint8_t> Bytes;
    std::vector<uint32_t> Limits;
  };
  const Case cases[] = {
      {"constant", Frames(10), std::vector<uint32_t>(10, 1040 / 105)},
      {"constant, ID3v1 tag", WithTag(Frames(10), "t"), std::vector<uint32_t>(10, 1040 / 105)},
      // 3 x 104 + 1253 + 104 = 1669 bytes.
      {"variable", Joined({Frames(3), fast, slow}), {1669 / 105, 1669 / 105, 1669 / 105, 4, 5}},
      {"variable, ID3v1 tag",
       WithTag(Joined({Frames(3), fast, slow}), "t"),
       {1669 / 105, 1669 / 105, 1669 / 105, 4, 5}},
      // A header frame of 417 bytes and frames of 208, 208 and 522 bytes: 1355 bytes.
      {"variable, Xing count",
       Joined({Layer3Frame(9, "Xing", 99), Layer3Frame(5), Layer3Frame(5), Layer3Frame(10)}),
       {1355 / 418, 100, 100, 100}},
      {"variable, VBRI count",
       Joined({Layer3Frame(9, "VBRI", 99), Layer3Frame(5), Layer3Frame(5), Layer3Frame(10)}),
       {1355 / 418, 100, 100, 100}},
      {"variable, Xing without a count",
       Joined({Layer3Frame(9, "Xing", 99, 0), Layer3Frame(5), Layer3Frame(5), Layer3Frame(10)}),
       {1355 / 418, 1355 * 2 / 625, 1355 * 3 / 833, 4}},
      {"constant, Info count",
       Joined({Layer3Frame(9, "Info", 99), Layer3Frame(9), Layer3Frame(9)}),
       {1251 / 418, 1251 / 418, 1251 / 418}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Opened opened(c.Bytes);
    std::vector<uint32_t> limits;
    while (opened.Reader.ReadFrame() == FrameRead) limits.push_back(opened.Reader.FrameLimit());
    EXPECT_EQ(limits, c.Limits);
  }
}

// Once every frame of a variable bit-rate stream without tags has been read, the sound's size
// over their mean length is their count: each frame counts whole, its header included.
TEST(FrameReader, MeanLengthOfEveryFrameGivesTheirCount) {
  std::vector<uint8_t> fast = HeaderBytes(3, 2, 14, 0);  // 1253 bytes
  fast.resize(384 * 144000 / 44100, 0);
  Opened opened(Joined({Frames(60), fast, Frames(60)}));
  int frames = 0;
  while (opened.Reader.ReadFrame() == FrameRead) ++frames;
  ASSERT_EQ(frames, 121);
  EXPECT_EQ(opened.Reader.FrameLimit(), 121u);
}

// In a variable bit-rate stream a seek goes by the mean frame length, and takes only a header
// that a frame start follows: the seek lands inside a frame as often as not.
TEST(FrameReader, SeekInAVariableBitRateStreamGoesByTheMeanFrameLength) {
  std::vector<uint8_t> fast = HeaderBytes(3, 2, 14, 0);  // 1253 bytes
  fast.resize(384 * 144000 / 44100, 0);
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 10; ++i) bytes = Joined({bytes, SilentFrame(), fast});
  // Frames 3 and 4 start at 1461 and 2714; the mean length is 678.5, so a seek to frame 3
  // lands at 2035 - 2, inside frame 3, where a header of the stream stands that no frame start
  // follows.
  const std::vector<uint8_t> falseHeader = HeaderBytes(3, 2, 1, 0);
  std::copy(falseHeader.begin(), falseHeader.end(), bytes.begin() + 2033);
  Opened opened(bytes);
  while (opened.Reader.ReadFrame() == FrameRead) {
  }
  ASSERT_EQ(opened.Reader.FrameLimit(), 20u);
  for (uint32_t n : {4u, 3u}) {
    SCOPED_TRACE(n);
    ASSERT_TRUE(opened.Session.SeekToFrame(n));
    // Frame 4 found and read.
    EXPECT_EQ(opened.Reader.Input().Position(), 2714 + 104);
    EXPECT_EQ(opened.Reader.Header().BitRateIndex, 1);
  }
}

TEST(FrameReader, RewindReturnsToTheFirstFrame) {
  std::vector<uint8_t> bytes = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
  bytes.resize(30, 0);
  Append(bytes, Stream("l1-fl2"));
  Opened opened(bytes);
  ASSERT_EQ(opened.Reader.ReadFrame(), FrameRead);
  const int64_t afterFirst = opened.Reader.Input().Position();
  while (opened.Reader.ReadFrame() == FrameRead) {
  }
  ASSERT_TRUE(opened.Reader.Rewind());
  EXPECT_EQ(opened.Reader.Input().Position(), 30);
  ASSERT_EQ(opened.Reader.ReadFrame(), FrameRead);
  EXPECT_EQ(opened.Reader.Input().Position(), afterFirst);
}

TEST(FrameReader, SeekPositionsAtAFrameOrRefuses) {
  std::vector<uint8_t> bytes = Stream("l1-fl1");  // 576-byte frames, body 572
  Opened opened(bytes);
  ASSERT_EQ(opened.Reader.ReadFrame(), FrameRead);
  ASSERT_EQ(opened.Reader.Header().BodyLength, 572);
  const uint32_t limit = opened.Reader.FrameLimit();
  const int64_t before = opened.Reader.Input().Position();
  EXPECT_FALSE(opened.Session.SeekToFrame(0));
  EXPECT_FALSE(opened.Session.SeekToFrame(limit + 1));
  EXPECT_EQ(opened.Reader.Input().Position(), before);

  ASSERT_TRUE(opened.Session.SeekToFrame(20));
  // 20 x 572 lies inside frame 19; the search finds frame 20, which the seek has read.
  EXPECT_EQ(opened.Reader.Input().Position(), 21 * 576);

  opened.Memory.FailSeeks = true;
  EXPECT_FALSE(opened.Session.SeekToFrame(5));
  opened.Memory.FailSeeks = false;
  EXPECT_EQ(opened.Reader.Input().Position(), 21 * 576);
  opened.Memory.FailReads = true;
  EXPECT_TRUE(opened.Session.SeekToFrame(5));  // a failing search stays inside the seek
}

}  // namespace
