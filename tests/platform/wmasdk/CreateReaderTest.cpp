#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "platform/wmasdk/WmaSdk.h"
#include "tests/platform/wmasdk/RecordingCallback.h"
#include "tests/platform/wmasdk/SdkFixtures.h"
#include "tests/support/Wait.h"

namespace {

IWMAudioReader* Open(const std::string& path, RecordingCallback& callback) {
  IWMAudioReader* reader = nullptr;
  const HRESULT result =
      WMAudioCreateReader(win32::Utf8ToUtf16(path).c_str(), &callback, &reader, nullptr);
  if (FAILED(result)) {
    EXPECT_EQ(reader, nullptr);
    return nullptr;
  }
  return reader;
}

struct FormatCase {
  const char* file;
  WORD channels;
  DWORD rate;
  DWORD durationMs;
  DWORD bitrate;
};

class ReaderFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(ReaderFormat, ReportsTheFilesFormatDurationAndBitrate) {
  const FormatCase& c = GetParam();
  RecordingCallback callback;
  IWMAudioReader* reader = Open(WmaFixture(c.file), callback);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(callback.references, 2u);

  WAVEFORMATEX format{};
  ASSERT_EQ(reader->GetOutputFormat(&format, sizeof format), S_OK);
  EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(format.nChannels, c.channels);
  EXPECT_EQ(format.nSamplesPerSec, c.rate);
  EXPECT_EQ(format.wBitsPerSample, 16);
  EXPECT_EQ(format.nBlockAlign, c.channels * 2);
  EXPECT_EQ(format.nAvgBytesPerSec, c.rate * c.channels * 2);
  EXPECT_EQ(format.cbSize, 0);
  EXPECT_EQ(reader->GetOutputFormat(&format, 16), E_INVALIDARG);

  WORD count = 0;
  ASSERT_EQ(reader->GetAttributeCount(&count), S_OK);
  ASSERT_EQ(count, 10);
  struct Expected {
    const char16_t* name;
    WMT_ATTR_DATATYPE type;
    DWORD value;
  } numbers[] = {{u"Duration", WMT_TYPE_DWORD, c.durationMs},
                 {u"Bitrate", WMT_TYPE_DWORD, c.bitrate},
                 {u"Seekable", WMT_TYPE_BOOL, 1}};
  for (WORD index = 0; index < 3; ++index) {
    WCHAR name[512];
    BYTE value[512];
    WORD nameLength = 1024, valueLength = 512;
    WMT_ATTR_DATATYPE type{};
    ASSERT_EQ(reader->GetAttributeByIndex(index, name, &nameLength, &type, value, &valueLength),
              S_OK);
    EXPECT_EQ(std::u16string(name), numbers[index].name);
    EXPECT_EQ(nameLength, (std::u16string(name).size() + 1) * 2);
    EXPECT_EQ(type, numbers[index].type);
    EXPECT_EQ(valueLength, 4);
    DWORD number;
    std::memcpy(&number, value, 4);
    EXPECT_EQ(number, numbers[index].value) << std::string(name, name + nameLength / 2 - 1);
  }
  EXPECT_EQ(reader->Release(), 0u);
  EXPECT_EQ(callback.references, 1u);
}

// Durations and bit rates as the files' headers give them.
INSTANTIATE_TEST_SUITE_P(Fixtures, ReaderFormat,
                         testing::Values(FormatCase{"v2-44k-stereo.wma", 2, 44100, 1532, 128000},
                                         FormatCase{"v1-22k-mono.wma", 1, 22050, 1021, 48000},
                                         FormatCase{"v1-48k-stereo.wma", 2, 48000, 1025, 128000},
                                         FormatCase{"v2-32k-mono.wma", 1, 32000, 1216, 32000},
                                         FormatCase{"v2-8k-mono.wma", 1, 8000, 1024, 24000}),
                         [](const auto& info) {
                           std::string name = info.param.file;
                           for (char& ch : name)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

// The seven texts in the order the reader lists them, after the three numbers.
std::u16string TextAttribute(IWMAudioReader* reader, WORD index, HRESULT* result,
                             std::u16string* name = nullptr, WORD valueRoom = 512) {
  WCHAR nameBuffer[512] = {};
  std::vector<BYTE> value(valueRoom + 2, 0xEE);
  WORD nameLength = 1024, valueLength = valueRoom;
  WMT_ATTR_DATATYPE type{};
  *result = reader->GetAttributeByIndex(index, nameBuffer, &nameLength, &type, value.data(),
                                        &valueLength);
  if (name) *name = nameBuffer;
  if (*result != S_OK) return {};
  EXPECT_EQ(type, WMT_TYPE_STRING);
  EXPECT_LE(valueLength, valueRoom);
  EXPECT_EQ(value[valueRoom], 0xEE) << "wrote past the value buffer";
  std::u16string text(reinterpret_cast<const char16_t*>(value.data()), valueLength / 2);
  EXPECT_EQ(text.back(), u'\0');
  text.pop_back();
  return text;
}

TEST(ReaderAttributes, GivesTheFilesMetadataAndE_NOTIMPLForWhatItLacks) {
  struct Case {
    const char* file;
    const char16_t* texts[7];  // null: not carried
  } cases[] = {
      {"v2-44k-stereo.wma",
       {u"Morning Tone", u"Ormund Test", u"Fixture Album", u"(c) Ormund", u"A stereo test tone",
        u"Ambient", u"2001"}},
      {"v1-22k-mono.wma", {u"Only Title", nullptr, nullptr, nullptr, nullptr, nullptr, u"1999"}},
      {"v1-48k-stereo.wma",
       {nullptr, u"Ormund", u"Second Album", nullptr, nullptr, u"Test", nullptr}},
      {"v2-32k-mono.wma", {}},
  };
  const char16_t* names[7] = {u"Title",       u"Author",   u"WM/AlbumTitle", u"Copyright",
                              u"Description", u"WM/Genre", u"WM/Year"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    RecordingCallback callback;
    IWMAudioReader* reader = Open(WmaFixture(c.file), callback);
    ASSERT_NE(reader, nullptr);
    for (WORD slot = 0; slot < 7; ++slot) {
      HRESULT result;
      std::u16string name;
      const std::u16string text =
          TextAttribute(reader, static_cast<WORD>(3 + slot), &result, &name);
      if (c.texts[slot] == nullptr) {
        EXPECT_EQ(result, E_NOTIMPL) << slot;
      } else {
        ASSERT_EQ(result, S_OK) << slot;
        EXPECT_EQ(name, names[slot]);
        EXPECT_EQ(text, c.texts[slot]);
      }
    }
    reader->Release();
  }
}

TEST(ReaderAttributes, CutsATextToItsBufferAtAWholeCharacter) {
  RecordingCallback callback;
  IWMAudioReader* reader = Open(WmaFixture("v2-long-title.wma"), callback);
  ASSERT_NE(reader, nullptr);
  HRESULT result;
  // 200 euro signs need 402 bytes with the zero: they fit 512 bytes, not 100.
  EXPECT_EQ(TextAttribute(reader, 3, &result), std::u16string(200, u'€'));
  EXPECT_EQ(TextAttribute(reader, 3, &result, nullptr, 100), std::u16string(49, u'€'));
  EXPECT_EQ(TextAttribute(reader, 3, &result, nullptr, 101), std::u16string(49, u'€'));
  EXPECT_EQ(TextAttribute(reader, 4, &result), u"After The Long Title");
  reader->Release();
}

TEST(ReaderAttributes, AnswersSizeQueriesAndRefusesBadArguments) {
  RecordingCallback callback;
  IWMAudioReader* reader = Open(WmaFixture("v2-44k-stereo.wma"), callback);
  ASSERT_NE(reader, nullptr);
  WORD nameLength = 0, valueLength = 0;
  WMT_ATTR_DATATYPE type{};
  ASSERT_EQ(reader->GetAttributeByIndex(3, nullptr, &nameLength, &type, nullptr, &valueLength),
            S_OK);
  EXPECT_EQ(nameLength, 12);   // "Title" and its zero
  EXPECT_EQ(valueLength, 26);  // "Morning Tone" and its zero
  EXPECT_EQ(type, WMT_TYPE_STRING);

  WCHAR name[4];
  BYTE value[512];
  nameLength = sizeof name;
  valueLength = sizeof value;
  EXPECT_EQ(reader->GetAttributeByIndex(0, name, &nameLength, &type, value, &valueLength),
            E_INVALIDARG);  // "Duration" does not fit 4 characters
  nameLength = 1024;
  valueLength = 3;
  WCHAR bigName[512];
  EXPECT_EQ(reader->GetAttributeByIndex(0, bigName, &nameLength, &type, value, &valueLength),
            E_INVALIDARG);  // a number needs 4 bytes
  nameLength = 1024;
  valueLength = 512;
  EXPECT_EQ(reader->GetAttributeByIndex(10, bigName, &nameLength, &type, value, &valueLength),
            E_INVALIDARG);
  EXPECT_EQ(reader->GetAttributeCount(nullptr), E_POINTER);
  EXPECT_EQ(reader->Reserved(), E_NOTIMPL);
  void* other = nullptr;
  EXPECT_EQ(reader->QueryInterface(IID_IUnknown, &other), S_OK);
  EXPECT_EQ(other, static_cast<IUnknown*>(reader));
  EXPECT_EQ(reader->Release(), 1u);
  EXPECT_EQ(reader->Release(), 0u);
}

TEST(CreateReader, FailsForWhatItCannotOpenAndStoresNoReader) {
  TempFolder folder;
  const std::vector<uint8_t> wma = ReadBytes(WmaFixture("v2-44k-stereo.wma"));
  WriteBytes(folder.File("empty.wma"), {});
  WriteBytes(folder.File("text.wma"), {'h', 'e', 'l', 'l', 'o', '\n'});
  WriteBytes(folder.File("pcm.wma"), ReadBytes(WmaFixture("v2-44k-stereo.pcm")));
  WriteBytes(folder.File("header.wma"), std::vector<uint8_t>(wma.begin(), wma.begin() + 100));
  // An M3U8 play list must not make the reader follow its entries.
  const std::string list = "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\n" +
                           WmaFixture("v2-44k-stereo.wma") + "\n#EXT-X-ENDLIST\n";
  WriteBytes(folder.File("list.wma"), std::vector<uint8_t>(list.begin(), list.end()));
  for (const char* name :
       {"missing.wma", "empty.wma", "text.wma", "pcm.wma", "header.wma", "list.wma"}) {
    SCOPED_TRACE(name);
    RecordingCallback callback;
    IWMAudioReader* reader = reinterpret_cast<IWMAudioReader*>(1);
    EXPECT_LT(WMAudioCreateReader(win32::Utf8ToUtf16(folder.File(name)).c_str(), &callback, &reader,
                                  nullptr),
              0);
    EXPECT_EQ(reader, reinterpret_cast<IWMAudioReader*>(1));
    EXPECT_EQ(callback.references, 1u);
  }
  RecordingCallback callback;
  IWMAudioReader* reader = nullptr;
  const std::u16string path = win32::Utf8ToUtf16(WmaFixture("v2-44k-stereo.wma"));
  EXPECT_EQ(WMAudioCreateReader(nullptr, &callback, &reader, nullptr), E_INVALIDARG);
  EXPECT_EQ(WMAudioCreateReader(path.c_str(), nullptr, &reader, nullptr), E_INVALIDARG);
  EXPECT_EQ(WMAudioCreateReader(path.c_str(), &callback, nullptr, nullptr), E_INVALIDARG);
}

// A FIFO with no writer would hold a blocking open for ever: the creation runs on a thread of
// its own, and a writer end opened after the deadline releases a reader that waits.
TEST(CreateReader, RefusesWhatIsNotARegularFileAtOnce) {
  TempFolder folder;
  const std::string fifo = folder.File("fifo.wma");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& name : {fifo, std::string("/dev/zero"), folder.File("")}) {
    SCOPED_TRACE(name);
    RecordingCallback callback;
    IWMAudioReader* reader = nullptr;
    std::atomic<bool> done{false};
    HRESULT result = S_OK;
    std::thread create([&] {
      result = WMAudioCreateReader(win32::Utf8ToUtf16(name).c_str(), &callback, &reader, nullptr);
      done = true;
    });
    const bool atOnce = WaitFor([&] { return done.load(); }, std::chrono::seconds(10));
    if (!atOnce) ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    create.join();
    EXPECT_TRUE(atOnce) << "the reader's creation waited";
    EXPECT_LT(result, 0);
    EXPECT_EQ(reader, nullptr);
    EXPECT_EQ(callback.references, 1u);
    if (reader != nullptr) reader->Release();
  }
}

TEST(CreateReader, OpensANameOutsideAsciiAndARelativeNameWithAColon) {
  TempFolder folder;
  const std::vector<uint8_t> wma = ReadBytes(WmaFixture("v1-22k-mono.wma"));
  WriteBytes(folder.File("Tön – €uro 𝄞.wma"), wma);
  WriteBytes(folder.File("http:x.wma"), wma);
  RecordingCallback callback;
  IWMAudioReader* reader = Open(folder.File("Tön – €uro 𝄞.wma"), callback);
  ASSERT_NE(reader, nullptr);
  reader->Release();

  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.File(""));
  reader = Open("http:x.wma", callback);
  std::filesystem::current_path(previous);
  ASSERT_NE(reader, nullptr);
  reader->Release();
}

}  // namespace
