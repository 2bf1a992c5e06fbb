// The module's side of the SDK against a scripted reader: attribute reading, the positioning
// at QVPlay, the sample and status operations and the end of a run, which comes once.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "engine/modules/wma/ModuleState.h"
#include "engine/modules/wma/PlayerHandle.h"
#include "engine/modules/wma/WmaModule.h"
#include "tests/engine/modules/wma/ScriptedReader.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

namespace {

using wma::ModuleState;
using wma::PlayerHandle;
using wma::WmaModule;

struct Output {
  static QVBool WINAPI Data(void*, int32_t, int32_t, int32_t, int32_t size, QVUserValue user) {
    auto* self = reinterpret_cast<Output*>(user);
    self->sizes.push_back(size);
    return self->refuse ? FALSE : TRUE;
  }
  static QVBool WINAPI Action(QVByteBool init, QVUserValue user) {
    auto* self = reinterpret_cast<Output*>(user);
    (init ? self->starts : self->ends)++;
    return TRUE;
  }
  std::vector<int32_t> sizes;
  int starts = 0;
  int ends = 0;
  bool refuse = false;
};

class WmaReaderCallback : public testing::Test {
 protected:
  void SetUp() override {
    handle = static_cast<PlayerHandle*>(module.InitModule());
    ASSERT_NE(handle, nullptr);
    reader.references = 0;  // until a QVOpen creates it
    reader.attributes = {ScriptedReader::Number(u"Duration", 4000),
                         ScriptedReader::Number(u"Bitrate", 64000),
                         ScriptedReader::Number(u"Seekable", 1, WMT_TYPE_BOOL),
                         ScriptedReader::Text(u"Title", u"Scripted")};
    ASSERT_TRUE(module.SetOutCB(*handle, &Output::Data, &Output::Action,
                                reinterpret_cast<QVUserValue>(&output)));
    ASSERT_TRUE(module.SetOutputMode(*handle, omCallback));
  }
  void TearDown() override {
    if (handle != nullptr) module.DeInitModule(*handle);
    EXPECT_EQ(reader.references, 0u);
  }
  // The module hands the SDK only a regular file: the names stand for empty files, which the
  // scripted reader never reads.
  bool Open(const char* name = "song.wma") {
    reader.references = 1;  // a new reader each time
    NextReader = &reader;
    const std::string path = Music(name);
    WriteBytes(path, {});
    return module.SetInputName(*handle, path.c_str()) && module.Open(*handle);
  }
  std::string Music(const char* name) const { return music.File(name); }
  void Ready() {
    ASSERT_TRUE(Open());
    ASSERT_TRUE(module.InitStream(*handle));
  }
  void Playing() {
    Ready();
    ASSERT_TRUE(module.Play(*handle));
    reader.calls.clear();
  }
  int32_t Code() { return module.LastError(*handle); }
  std::string Slot(int slot) { return handle->MetadataSlots[slot]; }

  WmaModule& module = WmaModule::Instance();
  TempFolder music;
  PlayerHandle* handle = nullptr;
  ScriptedReader reader;
  Output output;
  const BYTE block[8192] = {};
};

TEST_F(WmaReaderCallback, OpenHandsTheNameOverInWideCharactersWithTheHandleAsCallback) {
  ASSERT_TRUE(Open("Tön €.wma"));
  const std::string folder = music.path().string();  // ASCII
  EXPECT_EQ(reader.fileName, std::u16string(folder.begin(), folder.end()) + u"/Tön €.wma");
  EXPECT_EQ(reader.callback, static_cast<IWMAudioReadCallback*>(handle));
  EXPECT_EQ(static_cast<void*>(reader.callback), static_cast<void*>(handle));
  EXPECT_EQ(handle->References, 2);
  EXPECT_EQ(handle->Mode, pmOpen);
  ASSERT_TRUE(module.Close(*handle));
  EXPECT_EQ(handle->References, 1);

  NextReader = nullptr;  // the SDK refuses the file
  WriteBytes(Music("bad.wma"), {});
  ASSERT_TRUE(module.SetInputName(*handle, Music("bad.wma").c_str()));
  EXPECT_FALSE(module.Open(*handle));
  EXPECT_EQ(Code(), qvInputFailure);
  EXPECT_EQ(handle->Mode, pmClosed);
}

TEST_F(WmaReaderCallback, AttributesFillTheRecordByTypeAndExactName) {
  const std::u16string year = u"1987";
  reader.attributes = {
      ScriptedReader::Number(u"Duration", 123456),
      ScriptedReader::Number(u"Bitrate", 96000),
      ScriptedReader::Number(u"Seekable", 0, WMT_TYPE_BOOL),
      {u"Author", WMT_TYPE_STRING, {}, E_NOTIMPL},  // skipped
      ScriptedReader::Text(u"title", u"lower case is another name"),
      ScriptedReader::Text(u"Duration", u"a text is not the duration"),
      ScriptedReader::Number(u"Title", 5),  // a number is not the title
      ScriptedReader::Text(u"WM/Year", year),
      ScriptedReader::Text(u"Title", u"Real Title"),
      ScriptedReader::Text(u"WM/Genre", std::u16string(255, u'x')),     // 256 bytes: fits
      ScriptedReader::Text(u"Copyright", std::u16string(171, u'€')),    // 514 bytes: too long
      ScriptedReader::Text(u"Description", std::u16string(170, u'€')),  // 511: just fits
      {u"WM/Picture", WMT_TYPE_BINARY, {1, 2, 3}},
  };
  reader.format = {WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
  Ready();
  EXPECT_EQ(module.GetSize(*handle), 123456);
  EXPECT_FALSE(module.CanSetPos(*handle));
  EXPECT_EQ(Code(), 0);
  StreamInfo info{};
  uint32_t size = sizeof info;
  ASSERT_TRUE(module.GetInfo1(*handle, &info, &size));
  EXPECT_EQ(info.Field1, 1);
  EXPECT_EQ(info.Field2, 96000);
  EXPECT_EQ(info.Field3, 22050);
  EXPECT_EQ(info.Field4, 16);
  EXPECT_EQ(Slot(0), "Real Title");
  EXPECT_EQ(Slot(1), "");
  EXPECT_EQ(Slot(3), "");
  EXPECT_EQ(Slot(4).size(), 510u);
  EXPECT_EQ(Slot(5), std::string(255, 'x'));
  EXPECT_EQ(Slot(6), "1987");
}

TEST_F(WmaReaderCallback, AFailureReadingTheAttributesOrTheFormatIsAnInputFailure) {
  struct Case {
    const char* what;
    std::function<void(ScriptedReader&)> script;
  } cases[] = {
      {"count", [](ScriptedReader& r) { r.countResult = E_FAIL; }},
      {"attribute", [](ScriptedReader& r) { r.attributes[1].result = E_INVALIDARG; }},
      {"format", [](ScriptedReader& r) { r.formatResult = E_FAIL; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.script(reader);
    ASSERT_TRUE(Open());
    EXPECT_FALSE(module.InitStream(*handle));
    EXPECT_EQ(Code(), qvInputFailure);
    EXPECT_EQ(handle->Mode, pmOpen);
    ASSERT_TRUE(module.Close(*handle));
    reader.countResult = S_OK;
    reader.attributes[1].result = S_OK;
    reader.formatResult = S_OK;
  }
}

TEST_F(WmaReaderCallback, PlayPositionsTheReaderAtTheStartLimitOrAtZero) {
  struct Case {
    uint32_t start;
    bool startSeeks, zeroSeeks, starts;
    bool plays;
    uint32_t position;
    std::vector<std::string> calls;
  } cases[] = {
      {1500, true, true, true, true, 1500, {"Seek 1500", "Start"}},
      {1500, false, true, true, true, 0, {"Seek 1500", "Seek 0", "Start"}},
      {1500, false, false, true, false, 0, {"Seek 1500", "Seek 0"}},
      {0, true, true, false, false, 0, {"Seek 0", "Start", "Stop"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.start);
    reader.seek = [&](DWORD ms) { return (ms == 0 ? c.zeroSeeks : c.startSeeks) ? S_OK : E_FAIL; };
    reader.startResult = c.starts ? S_OK : E_FAIL;
    Ready();
    reader.calls.clear();
    output = Output{};
    ASSERT_TRUE(module.SetLimits(*handle, c.start, 0));
    EXPECT_EQ(module.Play(*handle), c.plays);
    EXPECT_EQ(reader.calls, c.calls);
    EXPECT_EQ(output.starts, 1);
    if (c.plays) {
      EXPECT_EQ(handle->Mode, pmPlaying);
      EXPECT_EQ(module.GetPos(*handle), static_cast<int32_t>(c.position));
      EXPECT_EQ(output.ends, 0);
      ASSERT_TRUE(module.Stop(*handle));
    } else {
      EXPECT_EQ(Code(), qvInputFailure);
      EXPECT_EQ(handle->Mode, pmReady);
      EXPECT_EQ(output.ends, 1) << "the output opened for the run is closed again";
    }
    EXPECT_EQ(output.ends, 1);
    ASSERT_TRUE(module.Close(*handle));
  }
}

// The reader cannot be positioned or started after the WAV file opened: the failed play
// removes a file it made and keeps one that was there before.
TEST_F(WmaReaderCallback, APlayThatFailsAfterTheOutputOpenedLeavesNoFileItMade) {
  const std::string existing = Music("existing.wav");
  WriteBytes(existing, std::vector<uint8_t>(100, 7));
  struct Case {
    const char* what;
    bool seeks, starts;
    std::string output;
    bool remains;
  } const cases[] = {
      {"no seek, a new file", false, true, Music("new.wav"), false},
      {"no start, a new file", true, false, Music("new.wav"), false},
      {"no start, a file that was there", true, false, existing, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    reader.seek = [&](DWORD) { return c.seeks ? S_OK : E_FAIL; };
    reader.startResult = c.starts ? S_OK : E_FAIL;
    Ready();
    ASSERT_TRUE(module.SetOutputMode(*handle, omFile));
    ASSERT_TRUE(module.SetOutputName(*handle, c.output.c_str()));
    EXPECT_FALSE(module.Play(*handle));
    EXPECT_EQ(Code(), qvInputFailure);
    EXPECT_EQ(handle->Mode, pmReady);
    EXPECT_EQ(std::filesystem::exists(c.output), c.remains);
    ASSERT_TRUE(module.Close(*handle));
  }
}

TEST_F(WmaReaderCallback, SamplesAdvanceThePositionAndEndTheRunPastTheEndLimit) {
  Playing();
  ASSERT_TRUE(module.SetLimits(*handle, 0, 100));
  EXPECT_EQ(handle->OnSample(block, 8192, 0), S_OK);
  EXPECT_EQ(module.GetPos(*handle), 46);
  EXPECT_EQ(handle->OnSample(block, 8192, 46), S_OK);
  EXPECT_EQ(module.GetPos(*handle), 92);
  // 16 484 bytes delivered: 93 ms, though the last block alone holds less than one.
  EXPECT_EQ(handle->OnSample(block, 100, 92), S_OK);
  EXPECT_EQ(module.GetPos(*handle), 93);
  EXPECT_EQ(output.sizes, (std::vector<int32_t>{8192, 8192, 100}));
  EXPECT_EQ(handle->State.Output.BufferSize, 100);
  // 139 > 100: the reader is stopped and the block not written.
  EXPECT_EQ(handle->OnSample(block, 8192, 92), S_OK);
  EXPECT_EQ(reader.calls, (std::vector<std::string>{"Stop"}));
  EXPECT_EQ(output.sizes.size(), 3u);
  EXPECT_EQ(output.ends, 1);
  EXPECT_EQ(module.GetPos(*handle), 4000);  // finished: the duration
  EXPECT_EQ(module.GetPlayerMode(*handle), pmFinished);
  // What the SDK may still deliver after the end goes nowhere and closes nothing again.
  EXPECT_EQ(handle->OnSample(block, 8192, 138), S_OK);
  EXPECT_EQ(handle->OnStatus(WMT_EOF, S_OK, nullptr), S_OK);
  EXPECT_EQ(handle->OnStatus(WMT_READ_ERROR, E_FAIL, nullptr), S_OK);
  EXPECT_EQ(output.sizes.size(), 3u);
  EXPECT_EQ(output.ends, 1);
  EXPECT_EQ(Code(), 0);
}

TEST_F(WmaReaderCallback, AFormatWithoutBytesPerSecondLeavesThePosition) {
  reader.format = {WAVE_FORMAT_PCM, 0, 0, 0, 0, 0, 0};
  Playing();
  EXPECT_EQ(handle->OnSample(block, 8192, 0), S_OK);
  EXPECT_EQ(module.GetPos(*handle), 0);
}

TEST_F(WmaReaderCallback, ARefusedBlockAnswersFailureAndKeepsCode6) {
  Playing();
  output.refuse = true;
  EXPECT_EQ(handle->OnSample(block, 8192, 0), E_FAIL);
  EXPECT_EQ(handle->Mode, pmPlaying);
  EXPECT_EQ(Code(), qvOutputFailure);
}

TEST_F(WmaReaderCallback, StatusReportsEndTheRunOnce) {
  struct Case {
    WMT_STATUS status;
    int32_t mode;  // -1: the run goes on
    int32_t code;
  } cases[] = {
      {WMT_EOF, pmFinished, 0},
      {WMT_ERROR, pmOpen, qvInternalError},
      {WMT_NO_RIGHTS, pmOpen, qvInternalError},
      {WMT_READ_ERROR, pmOpen, qvInputFailure},  // the file could not be read to its end
      {WMT_BUFFERING_START, -1, 0},
      {WMT_BUFFERING_STOP, -1, 0},
      {WMT_LOCATING, -1, 0},
      {WMT_CONNECTING, -1, 0},
      {static_cast<WMT_STATUS>(42), -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    output = Output{};
    Playing();
    EXPECT_EQ(handle->OnStatus(c.status, E_FAIL, nullptr), S_OK);
    if (c.mode < 0) {
      EXPECT_EQ(handle->Mode, pmPlaying);
      EXPECT_TRUE(reader.calls.empty());
      EXPECT_EQ(output.ends, 0);
    } else {
      EXPECT_EQ(handle->Mode, c.mode);
      EXPECT_EQ(reader.calls, (std::vector<std::string>{"Stop"}));
      EXPECT_EQ(output.ends, 1);
    }
    EXPECT_EQ(Code(), c.code);
    // The host stops and closes afterwards: the output is not closed a second time.
    if (handle->Running()) {
      EXPECT_TRUE(module.Stop(*handle));
    } else if (handle->Mode == pmFinished) {
      EXPECT_TRUE(module.Stop(*handle));
      EXPECT_EQ(handle->Mode, pmOpen);
    }
    ASSERT_TRUE(module.Close(*handle));
    EXPECT_EQ(output.ends, 1);
  }
}

TEST_F(WmaReaderCallback, StopAndSetPosDriveTheReader) {
  Playing();
  EXPECT_EQ(handle->OnSample(block, 8192, 0), S_OK);
  reader.seek = [](DWORD ms) { return ms <= 4000 ? S_OK : E_FAIL; };
  ASSERT_TRUE(module.SetPos(*handle, 2500));
  EXPECT_EQ(reader.calls, (std::vector<std::string>{"Stop", "Seek 2500", "Start"}));
  EXPECT_EQ(module.GetPos(*handle), 2500);
  reader.calls.clear();
  ASSERT_TRUE(module.SetPos(*handle, 9000));  // refused: the position stays
  EXPECT_EQ(reader.calls, (std::vector<std::string>{"Stop", "Seek 9000", "Start"}));
  EXPECT_EQ(module.GetPos(*handle), 2500);

  reader.calls.clear();
  ASSERT_TRUE(module.Pause(*handle));
  EXPECT_EQ(handle->Mode, pmPaused);
  EXPECT_TRUE(reader.calls.empty()) << "pausing leaves the reader running";
  ASSERT_TRUE(module.Stop(*handle));
  EXPECT_EQ(reader.calls, (std::vector<std::string>{"Stop"}));
  EXPECT_EQ(handle->Mode, pmOpen);
  EXPECT_EQ(handle->StopRequest, 0);
  EXPECT_EQ(output.ends, 1);
  EXPECT_EQ(output.sizes.size(), 1u);
}

TEST_F(WmaReaderCallback, LimitsTakeTheStartForAnEndBelowItAndNoneForZeroOnceReady) {
  ModuleState& state = handle->State;
  ASSERT_TRUE(module.SetLimits(*handle, 3000, 1000));
  EXPECT_EQ(state.EndLimit, 3000u);
  ASSERT_TRUE(module.SetLimits(*handle, 0, 0));
  EXPECT_EQ(state.EndLimit, 0u);  // closed: 0 stays 0
  Ready();
  ASSERT_TRUE(module.SetLimits(*handle, 0, 0));
  EXPECT_EQ(state.EndLimit, DecoderModule::NoEnd);
  ASSERT_TRUE(module.SetLimits(*handle, 3000, 0));
  EXPECT_EQ(state.EndLimit, 3000u);
}

TEST_F(WmaReaderCallback, TheCallbackObjectsOwnOperations) {
  void* untouched = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(handle->QueryInterface(IID_IUnknown, &untouched), E_NOINTERFACE);
  EXPECT_EQ(untouched, reinterpret_cast<void*>(0x1234));
  EXPECT_EQ(handle->AddRef(), 2u);
  EXPECT_EQ(handle->Release(), 1u);
  EXPECT_EQ(handle->Magic, HandleMagic);
  // The handle's first field is the callback object's function table; the magic follows it.
  EXPECT_EQ(static_cast<void*>(static_cast<IWMAudioReadCallback*>(handle)),
            static_cast<void*>(handle));
  EXPECT_EQ(reinterpret_cast<char*>(&handle->Magic) - reinterpret_cast<char*>(handle),
            static_cast<std::ptrdiff_t>(sizeof(void*)));
}

}  // namespace
