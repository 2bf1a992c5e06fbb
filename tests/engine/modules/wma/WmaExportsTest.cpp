// The exports of teskwma.dll where they differ from the MPEG module's: texts, the functions
// that check no handle, file input, the metadata slots, the stream record and the modes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/engine/modules/wma/WmaHost.h"

namespace {

class WmaExports : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(qv.Loaded()) << dlerror();
    ASSERT_TRUE(qv.AllBound());
    h = qv->QVInitModule();
    ASSERT_NE(h, 0u);
  }
  void TearDown() override {
    if (h != 0) {
      EXPECT_TRUE(qv->QVDeInitModule(h));
    }
  }
  void OpenReady(const char* file) {
    ASSERT_TRUE(qv->QVSetInputName(h, WmaFixture(file).c_str()));
    ASSERT_TRUE(qv->QVOpen(h));
    ASSERT_TRUE(qv->QVInitStream(h));
  }
  int32_t Fails(bool result) {
    EXPECT_FALSE(result);
    return qv->QVLastError(h);
  }

  WmaLibrary qv;
  CallbackRecorder recorder;
  QVHandle h = 0;
  // Passes no handle check.
  struct {
    uint64_t table = 0;
    uint32_t magic = 0x12345678;
  } badObject;
  QVHandle bad = reinterpret_cast<QVHandle>(&badObject);
};

TEST_F(WmaExports, TextsAndVersion) {
  struct Case {
    QVGetNameProc get;
    const char* text;
  } cases[] = {{qv->QVGetName, "Windows Media Audio"},
               {qv->QVGetExts, "*.wma"},
               {qv->QVGetAbout, nullptr}};
  for (const Case& c : cases) {
    int32_t length = 0;
    EXPECT_FALSE(c.get(nullptr, &length));
    if (c.text != nullptr) {
      EXPECT_EQ(length, static_cast<int32_t>(std::strlen(c.text)));
    }
    std::string buffer(static_cast<size_t>(length) + 1, 'x');
    int32_t exact = length;
    EXPECT_FALSE(c.get(buffer.data(), &exact));
    EXPECT_EQ(buffer[0], 'x');
    int32_t room = length + 1;
    EXPECT_TRUE(c.get(buffer.data(), &room));
    EXPECT_EQ(room, length);
    if (c.text != nullptr) {
      EXPECT_STREQ(buffer.c_str(), c.text);
    }
  }
  int32_t about = 0;
  qv->QVGetAbout(nullptr, &about);
  EXPECT_EQ(about, 55);
  EXPECT_EQ(qv->QVGetVersion(), 210);
}

TEST_F(WmaExports, FileInputOnlyAndNoEqualiserOrPriorityWithAnyHandle) {
  for (QVHandle handle : {h, bad, QVHandle{0}}) {
    SCOPED_TRACE(handle == h ? "valid handle" : "bad handle");
    EXPECT_TRUE(qv->QVSetInputMode(handle, imFile));
    EXPECT_EQ(qv->QVLastError(h), 0);
    EXPECT_FALSE(qv->QVSetInputMode(handle, imCallback));
    EXPECT_EQ(qv->QVLastError(h), 1);
    EXPECT_FALSE(qv->QVSetInputMode(handle, 7));
    EXPECT_EQ(qv->QVLastError(h), 1);
    EXPECT_FALSE(qv->QVSetPriority(handle, 0));
    EXPECT_EQ(qv->QVLastError(h), 1);
    EXPECT_FALSE(qv->QVUseEQ(handle, TRUE));
    EXPECT_EQ(qv->QVLastError(h), 1);
    double* gains = nullptr;
    int32_t channels = 0, bands = 0;
    EXPECT_FALSE(qv->QVEQ(handle, &gains, &channels, &bands));
    EXPECT_EQ(qv->QVLastError(h), 1);
    QVByteBool has = 1;
    EXPECT_TRUE(qv->QVHasEQ(handle, &has));
    EXPECT_EQ(has, 0);
  }
}

TEST_F(WmaExports, ABadHandleGetsFalseOrMinusOneAndLeavesTheCode) {
  EXPECT_FALSE(qv->QVSetInputMode(h, imCallback));  // code 1
  EXPECT_FALSE(qv->QVOpen(bad));
  EXPECT_FALSE(qv->QVInitStream(bad));
  EXPECT_FALSE(qv->QVPlay(bad));
  EXPECT_FALSE(qv->QVStop(bad));
  EXPECT_FALSE(qv->QVClose(bad));
  EXPECT_FALSE(qv->QVSetInputName(bad, "x.wma"));
  EXPECT_FALSE(qv->QVCanPause(bad));
  EXPECT_FALSE(qv->QVSetExtras(bad, 0));
  EXPECT_EQ(qv->QVGetPlayerMode(bad), -1);
  EXPECT_EQ(qv->QVGetPos(bad), -1);
  EXPECT_EQ(qv->QVGetSize(bad), -1);
  EXPECT_EQ(qv->QVLastError(bad), -1);
  EXPECT_FALSE(qv->QVDeInitModule(bad));
  EXPECT_EQ(qv->QVLastError(h), 1);
  EXPECT_TRUE(qv->QVCanPause(h));
  EXPECT_TRUE(qv->QVSetExtras(h, 5));
}

TEST_F(WmaExports, OpenNeedsANameThatConvertsAndAFileTheSdkOpens) {
  EXPECT_EQ(Fails(qv->QVOpen(h)), qvInputFailure);  // no name
  ASSERT_TRUE(qv->QVSetInputName(h, WmaFixture("v2-44k-stereo.wma").c_str()));
  ASSERT_TRUE(qv->QVSetInputName(h, nullptr));
  EXPECT_EQ(Fails(qv->QVOpen(h)), qvInputFailure);  // cleared again
  // 1024 wide characters with the zero do not fit the room of 1024.
  const std::string longName = "/" + std::string(1023, 'a');
  ASSERT_TRUE(qv->QVSetInputName(h, longName.c_str()));
  EXPECT_EQ(Fails(qv->QVOpen(h)), qvInternalError);
  TempFolder folder;
  for (const std::string& name : {folder.File("missing.wma"), folder.path().string()}) {
    ASSERT_TRUE(qv->QVSetInputName(h, name.c_str()));
    EXPECT_EQ(Fails(qv->QVOpen(h)), qvInputFailure) << name;
  }
  EXPECT_EQ(qv->QVGetPlayerMode(h), pmClosed);

  ASSERT_TRUE(qv->QVSetInputName(h, WmaFixture("v2-44k-stereo.wma").c_str()));
  ASSERT_TRUE(qv->QVOpen(h));
  EXPECT_EQ(qv->QVGetPlayerMode(h), pmOpen);
  EXPECT_EQ(Fails(qv->QVOpen(h)), qvIncorrectMode);
  EXPECT_EQ(Fails(qv->QVSetInputName(h, "other.wma")), qvIncorrectMode);
  EXPECT_EQ(Fails(qv->QVSetInCB(h, nullptr, nullptr, nullptr, nullptr, nullptr, 0)),
            qvIncorrectMode);
}

TEST_F(WmaExports, MetadataSlotsHoldTheSevenTextsInTheirOrder) {
  struct Case {
    const char* file;
    const char* slots[7];
  } cases[] = {
      {"v2-44k-stereo.wma",
       {"Morning Tone", "Ormund Test", "Fixture Album", "(c) Ormund", "A stereo test tone",
        "Ambient", "2001"}},
      {"v1-22k-mono.wma", {"Only Title", "", "", "", "", "", "1999"}},
      {"v1-48k-stereo.wma", {"", "Ormund", "Second Album", "", "", "Test", ""}},
      // 200 euro signs are 600 bytes in the code page, more than a slot's 511.
      {"v2-long-title.wma", {"", "After The Long Title", "", "", "", "", ""}},
      {"v2-32k-mono.wma", {"", "", "", "", "", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    OpenReady(c.file);
    const char* slots = nullptr;
    ASSERT_TRUE(qv->QVGetInfo2(h, &slots));
    ASSERT_NE(slots, nullptr);
    for (int slot = 0; slot < 7; ++slot) EXPECT_STREQ(slots + 512 * slot, c.slots[slot]) << slot;
    ASSERT_TRUE(qv->QVClose(h));
  }
}

TEST_F(WmaExports, OpenClearsTheSlotsEvenWhenItFails) {
  OpenReady("v2-44k-stereo.wma");
  const char* slots = nullptr;
  ASSERT_TRUE(qv->QVGetInfo2(h, &slots));
  ASSERT_STREQ(slots, "Morning Tone");
  ASSERT_TRUE(qv->QVClose(h));
  ASSERT_TRUE(qv->QVSetInputName(h, "/nowhere/missing.wma"));
  EXPECT_FALSE(qv->QVOpen(h));
  for (int i = 0; i < 7 * 512; ++i) ASSERT_EQ(slots[i], '\0') << i;
}

TEST_F(WmaExports, StreamRecordSizeAndPositionFromTheAttributes) {
  EXPECT_EQ(Fails(qv->QVGetInfo2(h, nullptr)), qvIncorrectMode);
  EXPECT_EQ(Fails(qv->QVCanSetPos(h)), qvIncorrectMode);
  ASSERT_TRUE(qv->QVSetInputName(h, WmaFixture("v1-48k-stereo.wma").c_str()));
  ASSERT_TRUE(qv->QVOpen(h));
  EXPECT_TRUE(qv->QVCanSetPos(h));
  StreamInfo info{};
  uint32_t size = 16;
  EXPECT_EQ(Fails(qv->QVGetInfo1(h, &info, &size)), qvIncorrectMode);
  EXPECT_EQ(qv->QVGetSize(h), -1);
  EXPECT_EQ(qv->QVLastError(h), qvIncorrectMode);
  ASSERT_TRUE(qv->QVInitStream(h));

  size = 8;
  EXPECT_FALSE(qv->QVGetInfo1(h, &info, &size));
  EXPECT_EQ(size, 16u);
  EXPECT_EQ(qv->QVLastError(h), 0);
  ASSERT_TRUE(qv->QVGetInfo1(h, &info, &size));
  EXPECT_EQ(info.Field1, 2);       // channels
  EXPECT_EQ(info.Field2, 128000);  // "Bitrate"
  EXPECT_EQ(info.Field3, 48000);   // rate
  EXPECT_EQ(info.Field4, 16);      // bits
  EXPECT_EQ(qv->QVGetSize(h), 1025);  // "Duration"
  EXPECT_EQ(qv->QVGetPos(h), -1);
  EXPECT_EQ(qv->QVLastError(h), qvIncorrectMode);
  EXPECT_TRUE(qv->QVCanSetPos(h));
}

TEST_F(WmaExports, FunctionsOutsideTheirModesFailWithCode2) {
  EXPECT_EQ(Fails(qv->QVInitStream(h)), qvIncorrectMode);
  EXPECT_EQ(Fails(qv->QVPlay(h)), qvIncorrectMode);
  EXPECT_EQ(Fails(qv->QVPause(h)), qvIncorrectMode);
  EXPECT_EQ(Fails(qv->QVResume(h)), qvIncorrectMode);
  EXPECT_EQ(Fails(qv->QVSetPos(h, 100)), qvIncorrectMode);
  EXPECT_TRUE(qv->QVClose(h));
  EXPECT_EQ(qv->QVGetPlayerMode(h), pmClosed);
  ASSERT_TRUE(qv->QVSetInputName(h, WmaFixture("v2-8k-mono.wma").c_str()));
  ASSERT_TRUE(qv->QVOpen(h));
  EXPECT_EQ(Fails(qv->QVPlay(h)), qvIncorrectMode);
  EXPECT_EQ(Fails(qv->QVStop(h)), qvIncorrectMode);
  ASSERT_TRUE(qv->QVInitStream(h));
  EXPECT_EQ(Fails(qv->QVInitStream(h)), qvIncorrectMode);
  EXPECT_EQ(Fails(qv->QVStop(h)), qvIncorrectMode);
  EXPECT_EQ(qv->QVGetPlayerMode(h), pmReady);
  EXPECT_EQ(Fails(qv->QVSetOutputDev(h, 1)), qvIncorrectMode);
  EXPECT_TRUE(qv->QVSetDevNum(h, 1));
  EXPECT_TRUE(qv->QVSetBuffers(h, 0, 4096));
  EXPECT_TRUE(qv->QVClose(h));
  EXPECT_EQ(qv->QVGetPlayerMode(h), pmClosed);
}

TEST_F(WmaExports, PlayRefusesMissingCallbacksAndAnOutputThatCannotOpen) {
  OpenReady("v2-8k-mono.wma");
  ASSERT_TRUE(qv->QVSetOutputMode(h, omCallback));
  EXPECT_EQ(Fails(qv->QVPlay(h)), qvCallbackMissing);

  recorder.Install(*qv, h);
  recorder.refuseStart = true;
  EXPECT_EQ(Fails(qv->QVPlay(h)), qvOutputFailure);
  EXPECT_EQ(recorder.starts, 1);

  ASSERT_TRUE(qv->QVSetOutputMode(h, omFile));
  ASSERT_TRUE(qv->QVSetOutputName(h, "/nowhere/at/all/out.wav"));
  EXPECT_EQ(Fails(qv->QVPlay(h)), qvOutputFailure);
  EXPECT_EQ(qv->QVGetPlayerMode(h), pmReady);

  // Nothing was started by the failed attempts: the next play converts the whole file.
  TempFolder folder;
  ASSERT_TRUE(qv->QVSetOutputName(h, folder.File("out.wav").c_str()));
  ASSERT_TRUE(qv->QVPlay(h));
  EXPECT_EQ(WaitWhileRunning(*qv, h), pmFinished);
  EXPECT_TRUE(ReadWav(folder.File("out.wav")).data == ReadBytes(WmaFixture("v2-8k-mono.pcm")));
  EXPECT_EQ(recorder.Blocks(), 0);
  EXPECT_EQ(recorder.Ends(), 0);
}

TEST_F(WmaExports, ASecondInitModuleStartsFromTheInitialValues) {
  ASSERT_TRUE(qv->QVSetInputName(h, WmaFixture("v2-8k-mono.wma").c_str()));
  ASSERT_TRUE(qv->QVSetOutputMode(h, omCallback));
  const QVHandle second = qv->QVInitModule();
  ASSERT_NE(second, 0u);
  EXPECT_NE(second, h);
  EXPECT_EQ(Fails(qv->QVOpen(second)), qvInputFailure);  // the name is gone
  EXPECT_TRUE(qv->QVDeInitModule(second));
}

}  // namespace
