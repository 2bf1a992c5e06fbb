// A WMA input that changes or cannot be read again during a run: the run ends with the input
// failure code, never as the end of the data; and a play that fails once its output is open
// leaves no file behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "tests/engine/modules/wma/WmaHost.h"

namespace {

class WmaChangedInput : public PlayerTest<WmaLibrary> {
 protected:
  // A copy of the fixture in the test's folder, open and ready to play into the recorder.
  std::string OpenCopy(const std::string& fixture) {
    const std::string input = folder.File("input.wma");
    std::filesystem::copy_file(FixturePath(fixture), input,
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_TRUE(qv_->QVSetInputName(h_, input.c_str()));
    EXPECT_TRUE(qv_->QVOpen(h_));
    EXPECT_TRUE(qv_->QVInitStream(h_));
    return input;
  }

  // Outlives the handle, whose run may still call it when a test fails early.
  CallbackRecorder recorder;
  TempFolder folder;
};

struct Change {
  const char* name;
  std::function<void(const std::string& input, const TempFolder& folder)> apply;
};

const Change Changes[] = {
    {"removed", [](const std::string& input, const TempFolder&) { ::unlink(input.c_str()); }},
    {"cut short", [](const std::string& input,
                     const TempFolder&) { ASSERT_EQ(::truncate(input.c_str(), 6000), 0); }},
    {"overwritten in place",
     [](const std::string& input, const TempFolder&) {
       WriteBytes(input, ReadBytes(WmaFixture("v2-8k-mono.wma")));
     }},
    // Of the same size, written later than it was opened.
    {"rewritten in place",
     [](const std::string& input, const TempFolder&) {
       std::vector<uint8_t> bytes = ReadBytes(input);
       std::fill(bytes.begin() + bytes.size() / 2, bytes.end(), 0);
       struct stat before;
       ASSERT_EQ(::stat(input.c_str(), &before), 0);
       WriteBytes(input, bytes);
       // Past the clock tick the opening may share.
       const timespec later[2] = {{0, UTIME_OMIT}, {before.st_mtim.tv_sec + 1, 0}};
       ASSERT_EQ(::utimensat(AT_FDCWD, input.c_str(), later, 0), 0);
     }},
    {"replaced by another file",
     [](const std::string& input, const TempFolder& folder) {
       const std::string other = folder.File("other.wma");
       std::filesystem::copy_file(WmaFixture("v2-8k-mono.wma"), other);
       ASSERT_EQ(std::rename(other.c_str(), input.c_str()), 0);
     }},
};

// The change lands while the run is held in the second block's delivery: the SDK's thread
// reads nothing more until it is done.
TEST_F(WmaChangedInput, AnInputChangedDuringARunEndsItWithTheInputFailureCode) {
  for (const Change& change : Changes) {
    SCOPED_TRACE(change.name);
    ASSERT_TRUE(qv_->QVClose(h_));
    const std::string input = OpenCopy("wma/v2-22k-mono-4s.wma");
    recorder.Install(*qv_, h_);
    recorder.blocks = 0;
    recorder.onBlock = [&](int block) {
      if (block == 2) change.apply(input, folder);
    };
    ASSERT_TRUE(qv_->QVPlay(h_));
    EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmOpen);
    EXPECT_EQ(qv_->QVLastError(h_), qvInputFailure);
    std::lock_guard<std::mutex> lock(recorder.mutex);
    recorder.onBlock = nullptr;
    EXPECT_GE(recorder.blocks, 2);
  }
}

// The mode and code a run ends with, played in a child process that can open no file beyond
// those open when the run starts.
struct RunEnd {
  int32_t mode = -1;
  int32_t code = -1;
};

RunEnd RunWithoutFreeDescriptors(const WmaExports& qv, QVHandle h, CallbackRecorder& recorder) {
  RunEnd end;
  int report[2];
  if (::pipe(report) != 0) return end;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(report[0]);
    recorder.Install(qv, h);
    // The lowest free descriptor made the limit: every descriptor below it is taken.
    const int lowest = ::dup(0);
    ::close(lowest);
    const rlimit limit{static_cast<rlim_t>(lowest), static_cast<rlim_t>(lowest)};
    RunEnd seen;
    if (::setrlimit(RLIMIT_NOFILE, &limit) == 0 && qv.QVPlay(h)) {
      WaitFor([&] {
        seen.mode = qv.QVGetPlayerMode(h);
        return seen.mode != pmPlaying && seen.mode != pmPaused;
      });
      seen.code = qv.QVLastError(h);
    }
    const bool written = ::write(report[1], &seen, sizeof seen) == sizeof seen;
    _exit(written ? 0 : 1);
  }
  ::close(report[1]);
  if (child > 0) {
    if (::read(report[0], &end, sizeof end) != sizeof end) end = RunEnd{};
    int status = 0;
    ::waitpid(child, &status, 0);
  }
  ::close(report[0]);
  return end;
}

// Passing damage opens the file again; with no descriptor left for it the run fails rather
// than ending where the damage was. A clean file needs no new descriptor and ends as always.
TEST_F(WmaChangedInput, ARunThatCannotOpenTheFileAgainFails) {
#if defined(__SANITIZE_ADDRESS__)
  // Its checks of a type open a pipe each time, and with no descriptor left report damage.
  GTEST_SKIP() << "the undefined-behaviour checks need descriptors of their own";
#endif
  const struct {
    const char* fixture;
    int32_t mode;
    int32_t code;
  } cases[] = {
      {"wma/v2-44k-stereo.wma", pmFinished, 0},
      {"wma-damaged/first-packet.wma", pmOpen, qvInputFailure},
      {"wma-damaged/time-stamp.wma", pmOpen, qvInputFailure},
      // The demuxer stops in the damaged last packet: the reopening to look past it fails.
      {"wma-damaged/last-packet.wma", pmOpen, qvInputFailure},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fixture);
    ASSERT_TRUE(qv_->QVClose(h_));
    OpenCopy(c.fixture);
    const RunEnd end = RunWithoutFreeDescriptors(*qv_, h_, recorder);
    EXPECT_EQ(end.mode, c.mode);
    EXPECT_EQ(end.code, c.code);
  }
}

void* WaitToTheEnd(void*) {
  for (;;) ::pause();
}

// A play that fails after its output was opened: in a child process whose address space has
// no room left for a thread's stack, the SDK cannot start its delivery. The output is gone.
TEST_F(WmaChangedInput, AFailedPlayLeavesNoFile) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers map memory of their own that no address-space limit fits";
#endif
  OpenCopy("wma/v2-8k-mono.wma");
  const std::string output = folder.File("out.wav");
  ASSERT_TRUE(qv_->QVSetOutputMode(h_, omFile));
  ASSERT_TRUE(qv_->QVSetOutputName(h_, output.c_str()));
  pthread_attr_t defaults;
  size_t stack = 0;
  ASSERT_EQ(pthread_getattr_default_np(&defaults), 0);
  ASSERT_EQ(pthread_attr_getstacksize(&defaults, &stack), 0);
  pthread_attr_destroy(&defaults);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Room for the output and small allocations, not for a stack.
    FILE* statm = std::fopen("/proc/self/statm", "r");
    size_t pages = 0;
    const bool measured = statm != nullptr && std::fscanf(statm, "%zu", &pages) == 1;
    if (statm != nullptr) std::fclose(statm);
    const auto room = static_cast<rlim_t>(pages * ::sysconf(_SC_PAGESIZE) + stack / 2);
    const rlimit limit{room, room};
    if (!measured || ::setrlimit(RLIMIT_AS, &limit) != 0) _exit(2);
    if (::mmap(nullptr, stack, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) !=
        MAP_FAILED)
      _exit(2);
    // Stacks of threads that ended before are kept for new ones: taken up by threads that
    // wait to the end, so none is left for the SDK.
    for (int held = 0; held < 64; ++held) {
      pthread_t thread;
      if (pthread_create(&thread, nullptr, WaitToTheEnd, nullptr) != 0) break;
    }
    if (qv_->QVPlay(h_)) _exit(3);
    _exit(qv_->QVLastError(h_) == qvInputFailure ? 0 : 4);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: no limit, 3: played, 4: another code";
  EXPECT_FALSE(std::filesystem::exists(output));
}

}  // namespace
