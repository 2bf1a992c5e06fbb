#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "platform/wmasdk/WmaSdk.h"
#include "tests/platform/wmasdk/RecordingCallback.h"
#include "tests/platform/wmasdk/SdkFixtures.h"
#include "tests/support/Wait.h"

namespace {

struct Reader {
  explicit Reader(const std::string& file, RecordingCallback& callback) {
    EXPECT_EQ(WMAudioCreateReader(win32::Utf8ToUtf16(WmaFixture(file)).c_str(), &callback, &reader,
                                  nullptr),
              S_OK);
  }
  ~Reader() {
    if (reader) reader->Release();
  }
  IWMAudioReader* operator->() { return reader; }
  IWMAudioReader* reader = nullptr;
};

std::string PcmOf(const std::string& wma) { return wma.substr(0, wma.size() - 4) + ".pcm"; }

class ReaderDelivery : public testing::TestWithParam<const char*> {};

TEST_P(ReaderDelivery, DeliversTheWholeFileOnItsOwnThreadThenReportsTheEnd) {
  RecordingCallback callback;
  Reader reader(GetParam(), callback);
  ASSERT_NE(reader.reader, nullptr);
  ASSERT_EQ(reader->Start(), S_OK);
  ASSERT_TRUE(callback.WaitForStatus());
  reader->Stop();

  const auto calls = callback.Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_FALSE(calls.back().sample);
  EXPECT_EQ(calls.back().status, WMT_EOF);
  DWORD lastTime = 0;
  for (size_t i = 0; i + 1 < calls.size(); ++i) {
    EXPECT_TRUE(calls[i].sample);
    EXPECT_GT(calls[i].length, 0u);
    EXPECT_GE(calls[i].time, lastTime);
    lastTime = calls[i].time;
    EXPECT_EQ(calls[i].thread, calls.back().thread);
  }
  EXPECT_NE(calls.back().thread, std::this_thread::get_id());
  EXPECT_EQ(callback.Pcm(), ReadBytes(WmaFixture(PcmOf(GetParam()))));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ReaderDelivery,
                         testing::Values("v2-44k-stereo.wma", "v1-22k-mono.wma",
                                         "v1-48k-stereo.wma", "v2-32k-mono.wma", "v2-8k-mono.wma",
                                         "v2-long-title.wma"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& ch : name)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

TEST(ReaderDelivery, BlocksOfTheStereoFileAre2048FramesWithTheirTimes) {
  RecordingCallback callback;
  Reader reader("v2-44k-stereo.wma", callback);
  ASSERT_EQ(reader->Start(), S_OK);
  ASSERT_TRUE(callback.WaitForStatus());
  const auto calls = callback.Calls();
  ASSERT_GT(calls.size(), 3u);
  EXPECT_EQ(calls[0].length, 8192u);
  EXPECT_EQ(calls[0].time, 0u);
  EXPECT_EQ(calls[1].length, 8192u);
  EXPECT_EQ(calls[1].time, 46u);  // 2048 frames at 44100 Hz
}

TEST(ReaderStop, WaitsForTheSampleCallInProgressAndNothingFollowsIt) {
  RecordingCallback callback;
  Reader reader("v2-44k-stereo.wma", callback);
  callback.Hold();
  ASSERT_EQ(reader->Start(), S_OK);
  ASSERT_TRUE(callback.WaitInside());
  auto stopped = std::async(std::launch::async, [&] {
    reader->Stop();
    return callback.Inside();
  });
  callback.Unhold();
  EXPECT_EQ(stopped.get(), 0) << "Stop returned while a sample call was in progress";
  EXPECT_GE(callback.FinishedSamples(), 1u);
  const size_t calls = callback.Calls().size();
  // Another stop and the release join whatever could still run; no call may have come.
  reader->Stop();
  reader.reader->Release();
  reader.reader = nullptr;
  EXPECT_EQ(callback.Calls().size(), calls);
  EXPECT_EQ(callback.references, 1u);
}

TEST(ReaderStop, StartAfterStopContinuesWithoutLosingOrRepeatingABlock) {
  const auto reference = ReadBytes(WmaFixture("v2-44k-stereo.pcm"));
  // Stopped from the test's thread while a sample call is held, and from inside a sample call.
  for (bool fromInside : {false, true}) {
    SCOPED_TRACE(fromInside ? "inside" : "outside");
    RecordingCallback callback;
    Reader reader("v2-44k-stereo.wma", callback);
    if (fromInside) {
      callback.onSample = [&](size_t n) {
        if (n == 3 || n == 9) reader->Stop();
      };
      ASSERT_EQ(reader->Start(), S_OK);
      ASSERT_TRUE(callback.WaitForSamples(3));
      ASSERT_EQ(reader->Start(), S_OK);
      ASSERT_TRUE(callback.WaitForSamples(9));
    } else {
      for (int run = 0; run < 2; ++run) {
        callback.Hold();
        ASSERT_EQ(reader->Start(), S_OK);
        // Held inside a sample call unless a stop came too late to keep the file from ending.
        ASSERT_TRUE(callback.WaitInsideOrStatus());
        auto stopped = std::async(std::launch::async, [&] { reader->Stop(); });
        callback.Unhold();
        stopped.get();
      }
    }
    ASSERT_EQ(reader->Start(), S_OK);
    ASSERT_TRUE(callback.WaitForStatus());
    EXPECT_EQ(callback.Calls().back().status, WMT_EOF);
    EXPECT_EQ(callback.Pcm(), reference);
  }
}

// A Start that comes while the reader's thread is still inside its end report must begin a
// new delivery, not take the finishing one for a running one.
TEST(ReaderStart, RightAfterTheEndReportStartsANewDelivery) {
  RecordingCallback callback;
  Reader reader("v2-8k-mono.wma", callback);
  std::atomic<bool> inFirstStatus{false};
  std::atomic<bool> starting{false};
  std::atomic<int> statuses{0};
  callback.onStatus = [&](WMT_STATUS) {
    if (++statuses == 1) {
      inFirstStatus = true;
      while (!starting) std::this_thread::yield();
    }
  };
  ASSERT_EQ(reader->Start(), S_OK);
  ASSERT_TRUE(WaitFor([&] { return inFirstStatus.load(); }, std::chrono::seconds(20)));
  ASSERT_EQ(reader->Seek(0), S_OK);
  starting = true;
  ASSERT_EQ(reader->Start(), S_OK);
  ASSERT_TRUE(callback.WaitFor([&] { return statuses == 2; }));
  auto twice = ReadBytes(WmaFixture("v2-8k-mono.pcm"));
  const auto once = twice;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(callback.Pcm(), twice);
}

TEST(ReaderSeek, PositionsTheNextStart) {
  RecordingCallback callback;
  Reader reader("v2-44k-stereo.wma", callback);
  ASSERT_EQ(reader->Seek(1000), S_OK);
  ASSERT_EQ(reader->Start(), S_OK);
  ASSERT_TRUE(callback.WaitForStatus());
  const auto calls = callback.Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0].time, 1000u);
  const size_t full = ReadBytes(WmaFixture("v2-44k-stereo.pcm")).size();
  EXPECT_LT(callback.Pcm().size(), full / 2);
  EXPECT_EQ(calls.back().status, WMT_EOF);

  // Back to the start after the end: the same samples as the first decoding.
  callback.Clear();
  ASSERT_EQ(reader->Seek(0), S_OK);
  ASSERT_EQ(reader->Start(), S_OK);
  ASSERT_TRUE(callback.WaitForStatus());
  EXPECT_EQ(callback.Pcm(), ReadBytes(WmaFixture("v2-44k-stereo.pcm")));

  EXPECT_LT(reader->Seek(5000), 0);  // past the end
}

// The decoder is kept across a seek: what follows one must not depend on what was decoded
// before it. A reader that has delivered the whole file, or stopped early, delivers after a
// seek exactly what a fresh reader delivers after the same seek.
TEST(ReaderSeek, DeliversTheSameSamplesWhateverWasDecodedBefore) {
  std::vector<uint8_t> fresh;
  const auto deliverFrom = [](Reader& reader, RecordingCallback& callback, DWORD ms) {
    callback.Clear();
    EXPECT_EQ(reader->Seek(ms), S_OK);
    EXPECT_EQ(reader->Start(), S_OK);
    EXPECT_TRUE(callback.WaitForStatus());
    const auto calls = callback.Calls();
    EXPECT_EQ(calls.back().status, WMT_EOF);
    EXPECT_EQ(calls.front().time, ms);
    return callback.Pcm();
  };
  for (const char* file :
       {"v2-44k-stereo.wma", "v1-22k-mono.wma", "v1-48k-stereo.wma", "v2-8k-mono.wma"}) {
    for (DWORD ms : {300u, 700u, 900u}) {
      SCOPED_TRACE(std::string(file) + " at " + std::to_string(ms) + " ms");
      RecordingCallback freshCallback;
      Reader freshReader(file, freshCallback);
      const auto expected = deliverFrom(freshReader, freshCallback, ms);
      ASSERT_FALSE(expected.empty());

      RecordingCallback callback;
      Reader reader(file, callback);
      // After the whole file; after a seek elsewhere and a stop inside its delivery.
      EXPECT_EQ(deliverFrom(reader, callback, 0), ReadBytes(WmaFixture(PcmOf(file))));
      EXPECT_EQ(deliverFrom(reader, callback, ms), expected);
      callback.onSample = [&](size_t n) {
        if (n == 2) reader->Stop();
      };
      callback.Clear();
      ASSERT_EQ(reader->Seek(ms / 3), S_OK);
      ASSERT_EQ(reader->Start(), S_OK);
      ASSERT_TRUE(callback.WaitForSamples(2));
      reader->Stop();
      callback.onSample = nullptr;
      EXPECT_EQ(deliverFrom(reader, callback, ms), expected);
    }
  }
}

TEST(ReaderSeek, StopSeekStartWhileDeliveringGoesOnFromTheNewPosition) {
  RecordingCallback callback;
  Reader reader("v2-22k-mono-4s.wma", callback);
  callback.onSample = [&](size_t n) {
    if (n == 2) reader->Stop();
  };
  ASSERT_EQ(reader->Start(), S_OK);
  ASSERT_TRUE(callback.WaitForSamples(2));
  const size_t before = callback.Calls().size();
  ASSERT_EQ(before, 2u);
  ASSERT_EQ(reader->Seek(3000), S_OK);
  ASSERT_EQ(reader->Start(), S_OK);
  ASSERT_TRUE(callback.WaitForStatus());
  const auto calls = callback.Calls();
  ASSERT_GT(calls.size(), before);
  EXPECT_EQ(calls[before].time, 3000u);
}

TEST(ReaderRelease, FromInsideTheStatusCallEndsTheThreadAndFreesTheReader) {
  RecordingCallback callback;
  IWMAudioReader* reader = nullptr;
  ASSERT_EQ(WMAudioCreateReader(win32::Utf8ToUtf16(WmaFixture("v2-8k-mono.wma")).c_str(), &callback,
                                &reader, nullptr),
            S_OK);
  callback.onStatus = [&](WMT_STATUS) { reader->Release(); };
  ASSERT_EQ(reader->Start(), S_OK);
  ASSERT_TRUE(callback.WaitFor([&] { return callback.references == 1u; }));
}

TEST(ReaderRelease, WhileDeliveringStopsTheThreadFirst) {
  RecordingCallback callback;
  IWMAudioReader* reader = nullptr;
  ASSERT_EQ(WMAudioCreateReader(win32::Utf8ToUtf16(WmaFixture("v2-44k-stereo.wma")).c_str(),
                                &callback, &reader, nullptr),
            S_OK);
  ASSERT_EQ(reader->Start(), S_OK);
  ASSERT_TRUE(callback.WaitForSamples(1));
  EXPECT_EQ(reader->Release(), 0u);
  EXPECT_EQ(callback.references, 1u);
}

TEST(ReaderDamage, ADamagedFileEndsWithAStatusAndNoCrash) {
  TempFolder folder;
  const auto wma = ReadBytes(WmaFixture("v2-44k-stereo.wma"));
  auto truncated =
      std::vector<uint8_t>(wma.begin(), wma.begin() + static_cast<long>(wma.size() / 2));
  auto scrambled = wma;
  for (size_t i = 6000; i < scrambled.size(); i += 7) scrambled[i] ^= 0x5A;
  WriteBytes(folder.File("truncated.wma"), truncated);
  WriteBytes(folder.File("scrambled.wma"), scrambled);
  struct Case {
    const char* name;
    bool mayEnd;  // whether the end of the file may be reported instead of an error
  };
  // A file cut short is never read to a clean end.
  for (const Case& c : {Case{"truncated.wma", false}, Case{"scrambled.wma", true}}) {
    SCOPED_TRACE(c.name);
    RecordingCallback callback;
    IWMAudioReader* reader = nullptr;
    ASSERT_EQ(WMAudioCreateReader(win32::Utf8ToUtf16(folder.File(c.name)).c_str(), &callback,
                                  &reader, nullptr),
              S_OK);
    ASSERT_EQ(reader->Start(), S_OK);
    ASSERT_TRUE(callback.WaitForStatus());
    const WMT_STATUS status = callback.Calls().back().status;
    EXPECT_TRUE(status == WMT_READ_ERROR || (c.mayEnd && status == WMT_EOF)) << status;
    reader->Release();
  }
}

}  // namespace
