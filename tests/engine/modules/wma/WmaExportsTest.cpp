// The exports of teskwma.dll where they differ from the MPEG module's: texts, the functions
// that check no handle, file input, the metadata slots, the stream record and the modes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/engine/modules/wma/WmaHost.h"

namespace {

class WmaExports : public PlayerTest<WmaLibrary> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(qv_.Loaded()) << dlerror();
    ASSERT_TRUE(qv_.AllBound());
    PlayerTest::SetUp();
  }
  void OpenReady(const char* file) {
    ASSERT_TRUE(qv_->QVSetInputName(h_, WmaFixture(file).c_str()));
    ASSERT_TRUE(qv_->QVOpen(h_));
    ASSERT_TRUE(qv_->QVInitStream(h_));
  }
  int32_t Fails(bool result) {
    EXPECT_FALSE(result);
    return qv_->QVLastError(h_);
  }

  CallbackRecorder recorder;
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
  } cases[] = {{qv_->QVGetName, "Windows Media Audio"},
               {qv_->QVGetExts, "*.wma"},
               {qv_->QVGetAbout, nullptr}};
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
  qv_->QVGetAbout(nullptr, &about);
  EXPECT_EQ(about, 55);
  EXPECT_EQ(qv_->QVGetVersion(), 210);
}

TEST_F(WmaExports, FileInputOnlyAndNoEqualiserOrPriorityWithAnyHandle) {
  for (QVHandle handle : {h_, bad, QVHandle{0}}) {
    SCOPED_TRACE(handle == h_ ? "valid handle" : "bad handle");
    EXPECT_TRUE(qv_->QVSetInputMode(handle, imFile));
    EXPECT_EQ(qv_->QVLastError(h_), 0);
    EXPECT_FALSE(qv_->QVSetInputMode(handle, imCallback));
    EXPECT_EQ(qv_->QVLastError(h_), 1);
    EXPECT_FALSE(qv_->QVSetInputMode(handle, 7));
    EXPECT_EQ(qv_->QVLastError(h_), 1);
    EXPECT_FALSE(qv_->QVSetPriority(handle, 0));
    EXPECT_EQ(qv_->QVLastError(h_), 1);
    EXPECT_FALSE(qv_->QVUseEQ(handle, TRUE));
    EXPECT_EQ(qv_->QVLastError(h_), 1);
    double* gains = nullptr;
    int32_t channels = 0, bands = 0;
    EXPECT_FALSE(qv_->QVEQ(handle, &gains, &channels, &bands));
    EXPECT_EQ(qv_->QVLastError(h_), 1);
    QVByteBool has = 1;
    EXPECT_TRUE(qv_->QVHasEQ(handle, &has));
    EXPECT_EQ(has, 0);
  }
}

TEST_F(WmaExports, ABadHandleGetsFalseOrMinusOneAndLeavesTheCode) {
  EXPECT_FALSE(qv_->QVSetInputMode(h_, imCallback));  // code 1
  EXPECT_FALSE(qv_->QVOpen(bad));
  EXPECT_FALSE(qv_->QVInitStream(bad));
  EXPECT_FALSE(qv_->QVPlay(bad));
  EXPECT_FALSE(qv_->QVStop(bad));
  EXPECT_FALSE(qv_->QVClose(bad));
  EXPECT_FALSE(qv_->QVSetInputName(bad, "x.wma"));
  EXPECT_FALSE(qv_->QVCanPause(bad));
  EXPECT_FALSE(qv_->QVSetExtras(bad, 0));
  EXPECT_EQ(qv_->QVGetPlayerMode(bad), -1);
  EXPECT_EQ(qv_->QVGetPos(bad), -1);
  EXPECT_EQ(qv_->QVGetSize(bad), -1);
  EXPECT_EQ(qv_->QVLastError(bad), -1);
  EXPECT_FALSE(qv_->QVDeInitModule(bad));
  EXPECT_EQ(qv_->QVLastError(h_), 1);
  EXPECT_TRUE(qv_->QVCanPause(h_));
  EXPECT_TRUE(qv_->QVSetExtras(h_, 5));
}

TEST_F(WmaExports, OpenNeedsANameThatConvertsAndAFileTheSdkOpens) {
  EXPECT_EQ(Fails(qv_->QVOpen(h_)), qvInputFailure);  // no name
  ASSERT_TRUE(qv_->QVSetInputName(h_, WmaFixture("v2-44k-stereo.wma").c_str()));
  ASSERT_TRUE(qv_->QVSetInputName(h_, nullptr));
  EXPECT_EQ(Fails(qv_->QVOpen(h_)), qvInputFailure);  // cleared again
  // 1024 wide characters with the zero do not fit the room of 1024.
  const std::string longName = "/" + std::string(1023, 'a');
  ASSERT_TRUE(qv_->QVSetInputName(h_, longName.c_str()));
  EXPECT_EQ(Fails(qv_->QVOpen(h_)), qvInternalError);
  TempFolder folder;
  for (const std::string& name : {folder.File("missing.wma"), folder.path().string()}) {
    ASSERT_TRUE(qv_->QVSetInputName(h_, name.c_str()));
    EXPECT_EQ(Fails(qv_->QVOpen(h_)), qvInputFailure) << name;
  }
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmClosed);

  ASSERT_TRUE(qv_->QVSetInputName(h_, WmaFixture("v2-44k-stereo.wma").c_str()));
  ASSERT_TRUE(qv_->QVOpen(h_));
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmOpen);
  EXPECT_EQ(Fails(qv_->QVOpen(h_)), qvIncorrectMode);
  EXPECT_EQ(Fails(qv_->QVSetInputName(h_, "other.wma")), qvIncorrectMode);
  EXPECT_EQ(Fails(qv_->QVSetInCB(h_, nullptr, nullptr, nullptr, nullptr, nullptr, 0)),
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
    ASSERT_TRUE(qv_->QVGetInfo2(h_, &slots));
    ASSERT_NE(slots, nullptr);
    for (int slot = 0; slot < 7; ++slot) EXPECT_STREQ(slots + 512 * slot, c.slots[slot]) << slot;
    ASSERT_TRUE(qv_->QVClose(h_));
  }
}

TEST_F(WmaExports, OpenClearsTheSlotsEvenWhenItFails) {
  OpenReady("v2-44k-stereo.wma");
  const char* slots = nullptr;
  ASSERT_TRUE(qv_->QVGetInfo2(h_, &slots));
  ASSERT_STREQ(slots, "Morning Tone");
  ASSERT_TRUE(qv_->QVClose(h_));
  ASSERT_TRUE(qv_->QVSetInputName(h_, "/nowhere/missing.wma"));
  EXPECT_FALSE(qv_->QVOpen(h_));
  for (int i = 0; i < 7 * 512; ++i) ASSERT_EQ(slots[i], '\0') << i;
}

TEST_F(WmaExports, StreamRecordSizeAndPositionFromTheAttributes) {
  EXPECT_EQ(Fails(qv_->QVGetInfo2(h_, nullptr)), qvIncorrectMode);
  EXPECT_EQ(Fails(qv_->QVCanSetPos(h_)), qvIncorrectMode);
  ASSERT_TRUE(qv_->QVSetInputName(h_, WmaFixture("v1-48k-stereo.wma").c_str()));
  ASSERT_TRUE(qv_->QVOpen(h_));
  EXPECT_TRUE(qv_->QVCanSetPos(h_));
  StreamInfo info{};
  uint32_t size = 16;
  EXPECT_EQ(Fails(qv_->QVGetInfo1(h_, &info, &size)), qvIncorrectMode);
  EXPECT_EQ(qv_->QVGetSize(h_), -1);
  EXPECT_EQ(qv_->QVLastError(h_), qvIncorrectMode);
  ASSERT_TRUE(qv_->QVInitStream(h_));

  size = 8;
  EXPECT_FALSE(qv_->QVGetInfo1(h_, &info, &size));
  EXPECT_EQ(size, 16u);
  EXPECT_EQ(qv_->QVLastError(h_), 0);
  ASSERT_TRUE(qv_->QVGetInfo1(h_, &info, &size));
  EXPECT_EQ(info.Field1, 2);            // channels
  EXPECT_EQ(info.Field2, 128000);       // "Bitrate"
  EXPECT_EQ(info.Field3, 48000);        // rate
  EXPECT_EQ(info.Field4, 16);           // bits
  EXPECT_EQ(qv_->QVGetSize(h_), 1025);  // "Duration"
  EXPECT_EQ(qv_->QVGetPos(h_), -1);
  EXPECT_EQ(qv_->QVLastError(h_), qvIncorrectMode);
  EXPECT_TRUE(qv_->QVCanSetPos(h_));
}

TEST_F(WmaExports, FunctionsOutsideTheirModesFailWithCode2) {
  EXPECT_EQ(Fails(qv_->QVInitStream(h_)), qvIncorrectMode);
  EXPECT_EQ(Fails(qv_->QVPlay(h_)), qvIncorrectMode);
  EXPECT_EQ(Fails(qv_->QVPause(h_)), qvIncorrectMode);
  EXPECT_EQ(Fails(qv_->QVResume(h_)), qvIncorrectMode);
  EXPECT_EQ(Fails(qv_->QVSetPos(h_, 100)), qvIncorrectMode);
  EXPECT_TRUE(qv_->QVClose(h_));
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmClosed);
  ASSERT_TRUE(qv_->QVSetInputName(h_, WmaFixture("v2-8k-mono.wma").c_str()));
  ASSERT_TRUE(qv_->QVOpen(h_));
  EXPECT_EQ(Fails(qv_->QVPlay(h_)), qvIncorrectMode);
  EXPECT_EQ(Fails(qv_->QVStop(h_)), qvIncorrectMode);
  ASSERT_TRUE(qv_->QVInitStream(h_));
  EXPECT_EQ(Fails(qv_->QVInitStream(h_)), qvIncorrectMode);
  EXPECT_EQ(Fails(qv_->QVStop(h_)), qvIncorrectMode);
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmReady);
  EXPECT_EQ(Fails(qv_->QVSetOutputDev(h_, 1)), qvIncorrectMode);
  EXPECT_TRUE(qv_->QVSetDevNum(h_, 1));
  EXPECT_TRUE(qv_->QVSetBuffers(h_, 0, 4096));
  EXPECT_TRUE(qv_->QVClose(h_));
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmClosed);
}

TEST_F(WmaExports, PlayRefusesMissingCallbacksAndAnOutputThatCannotOpen) {
  OpenReady("v2-8k-mono.wma");
  ASSERT_TRUE(qv_->QVSetOutputMode(h_, omCallback));
  EXPECT_EQ(Fails(qv_->QVPlay(h_)), qvCallbackMissing);

  recorder.Install(*qv_, h_);
  recorder.refuseStart = true;
  EXPECT_EQ(Fails(qv_->QVPlay(h_)), qvOutputFailure);
  EXPECT_EQ(recorder.starts, 1);

  ASSERT_TRUE(qv_->QVSetOutputMode(h_, omFile));
  ASSERT_TRUE(qv_->QVSetOutputName(h_, "/nowhere/at/all/out.wav"));
  EXPECT_EQ(Fails(qv_->QVPlay(h_)), qvOutputFailure);
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmReady);

  // Nothing was started by the failed attempts: the next play converts the whole file.
  TempFolder folder;
  ASSERT_TRUE(qv_->QVSetOutputName(h_, folder.File("out.wav").c_str()));
  ASSERT_TRUE(qv_->QVPlay(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  EXPECT_TRUE(ReadWavFile(folder.File("out.wav")).data == ReadText(WmaFixture("v2-8k-mono.pcm")));
  EXPECT_EQ(recorder.Blocks(), 0);
  EXPECT_EQ(recorder.Ends(), 0);
}

TEST_F(WmaExports, ASecondInitModuleStartsFromTheInitialValues) {
  ASSERT_TRUE(qv_->QVSetInputName(h_, WmaFixture("v2-8k-mono.wma").c_str()));
  ASSERT_TRUE(qv_->QVSetOutputMode(h_, omCallback));
  const QVHandle second = qv_->QVInitModule();
  ASSERT_NE(second, 0u);
  EXPECT_NE(second, h_);
  EXPECT_EQ(Fails(qv_->QVOpen(second)), qvInputFailure);  // the name is gone
  EXPECT_TRUE(qv_->QVDeInitModule(second));
}

}  // namespace
