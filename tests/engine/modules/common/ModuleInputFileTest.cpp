// Both modules read only regular files and never harm their input: a FIFO, a device or a
// directory is refused at QVOpen with code 5 at once; an output name that reaches the open
// input by any path, or is not a regular file, is refused by QVPlay with code 6 before anything
// is written; a QVPlay that fails leaves no file that it made, and never removes one it did
// not make.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/PluginInterface.h"
#include "tests/engine/modules/common/BothModules.h"
#include "tests/support/Files.h"
#include "tests/support/LoadedModule.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"
#include "tests/support/WavFile.h"

namespace {

struct ModuleCase {
  const char* name;
  const char* module;
  const char* fixture;
  const char* inputName;  // the copy the test converts
};

const ModuleCase Modules[] = {
    {"teskdec", TESKDEC_PATH, "conformance/l2-fl10.bit", "in.mp2"},
    {"teskwma", TESKWMA_PATH, "wma/v2-8k-mono.wma", "in.wma"},
};

struct CallOutcome {
  bool atOnce;  // returned within ten seconds
  QVBool result;
};

// Makes the call on a thread of its own; one that waits is let go by `release` before the
// thread is joined.
CallOutcome CallOnItsOwnThread(const std::function<QVBool()>& call,
                               const std::function<void()>& release) {
  std::atomic<bool> done{false};
  QVBool result = TRUE;
  std::thread thread([&] {
    result = call();
    done = true;
  });
  const bool atOnce = WaitFor([&] { return done.load(); }, std::chrono::seconds(10));
  if (!atOnce) release();
  thread.join();
  return {atOnce, result};
}

class ModuleInputFile : public testing::TestWithParam<ModuleCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.Loaded());
    ASSERT_FALSE(folder.path().empty());
    input = folder.File(GetParam().inputName);
    std::filesystem::copy_file(FixturePath(GetParam().fixture), input);
    original = ReadBytes(input);
    ASSERT_FALSE(original.empty());
    h = qv->QVInitModule();
    ASSERT_NE(h, 0u);
  }
  void TearDown() override {
    if (h != 0) {
      EXPECT_TRUE(qv->QVDeInitModule(h));
    }
  }

  void OpenReady() {
    ASSERT_TRUE(qv->QVSetInputName(h, input.c_str()));
    ASSERT_TRUE(qv->QVOpen(h));
    ASSERT_TRUE(qv->QVInitStream(h));
    ASSERT_TRUE(qv->QVSetOutputMode(h, omFile));
  }
  // The code a refused QVPlay to this output name leaves; 0 when the play started.
  int32_t PlayRefusal(const std::string& output) {
    EXPECT_TRUE(qv->QVSetOutputName(h, output.c_str()));
    if (QVTrue(qv->QVPlay(h))) return 0;
    return qv->QVLastError(h);
  }
  // Plays to a file of its own to the end; the WAV file it wrote.
  WavFile PlayToEnd() {
    const std::string wav = folder.File("out.wav");
    EXPECT_EQ(PlayRefusal(wav), 0);
    EXPECT_TRUE(WaitFor([&] { return qv->QVGetPlayerMode(h) == pmFinished; }));
    return ReadWavFile(wav);
  }

  LoadedModule module_{GetParam().module, ModuleLoadFlags};
  const QVExports* qv = &*module_;
  TempFolder folder;
  std::string input;
  std::vector<uint8_t> original;
  QVHandle h = 0;
};

void PrintTo(const ModuleCase& c, std::ostream* out) { *out << c.name; }

// A FIFO with no writer would hold a blocking open for ever: the open runs on a thread of its
// own, and a writer end opened after the deadline releases a module that waits.
TEST_P(ModuleInputFile, NonRegularInputsAreRefusedAtOnce) {
  const std::string fifo = folder.File("fifo.mp3");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    const char* what;
    std::string name;
  } const cases[] = {
      {"a FIFO", fifo},
      {"a device", "/dev/null"},
      {"a directory", folder.path().string()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(qv->QVSetInputName(h, c.name.c_str()));
    const CallOutcome opened =
        CallOnItsOwnThread([&] { return qv->QVOpen(h); },
                           [&] { ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK)); });
    EXPECT_TRUE(opened.atOnce) << "QVOpen waited";
    EXPECT_FALSE(QVTrue(opened.result));
    EXPECT_EQ(qv->QVLastError(h), qvInputFailure);
    EXPECT_EQ(qv->QVGetPlayerMode(h), pmClosed);
    if (QVTrue(opened.result)) qv->QVClose(h);
  }
  // The regular file behind them opens as before.
  ASSERT_TRUE(qv->QVSetInputName(h, input.c_str()));
  EXPECT_TRUE(qv->QVOpen(h));
}

// Restores the working directory when it goes.
struct WorkingDirectory {
  explicit WorkingDirectory(const std::filesystem::path& to)
      : before(std::filesystem::current_path()) {
    std::filesystem::current_path(to);
  }
  ~WorkingDirectory() { std::filesystem::current_path(before); }
  std::filesystem::path before;
};

TEST_P(ModuleInputFile, AnOutputThatNamesTheInputIsRefusedBeforeAnythingIsWritten) {
  const std::string name = GetParam().inputName;
  const std::string symbolic = folder.File("symbolic.wav");
  const std::string hard = folder.File("hard.wav");
  std::filesystem::create_symlink(input, symbolic);
  std::filesystem::create_hard_link(input, hard);
  std::filesystem::create_directory(folder.path() / "sub");
  const WorkingDirectory inFolder(folder.path());
  OpenReady();
  const std::string forms[] = {
      input, folder.File("./" + name), folder.File("sub/../" + name), "./" + name, name, symbolic,
      hard,
  };
  for (const std::string& output : forms) {
    SCOPED_TRACE(output);
    EXPECT_EQ(PlayRefusal(output), qvOutputFailure);
    EXPECT_EQ(qv->QVGetPlayerMode(h), pmReady);
    EXPECT_TRUE(ReadBytes(input) == original);
  }
  EXPECT_TRUE(std::filesystem::is_symlink(symbolic));
  EXPECT_EQ(std::filesystem::hard_link_count(input), 2u);

  // The refused play left the stream ready: a name of its own plays it, and the input stays
  // as it was.
  const WavFile wav = PlayToEnd();
  EXPECT_TRUE(wav.valid);
  EXPECT_GT(wav.data.size(), 0u);
  EXPECT_TRUE(ReadBytes(input) == original);
}

// An output name that is not a regular file is refused by QVPlay with code 6 at once: a FIFO
// with or without a reader gets nothing, no device is written, nothing is made where a link to
// nothing points. A FIFO would hold a blocking open for ever: the play runs on a thread of its
// own, and a reader opened after the deadline releases a module that waits.
TEST_P(ModuleInputFile, OutputNamesThatAreNotRegularFilesAreRefusedAtOnce) {
  const std::string fifo = folder.File("fifo.wav");
  const std::string readFifo = folder.File("read-fifo.wav");
  const std::string linked = folder.File("linked.wav");
  const std::string nowhere = folder.File("nowhere.wav");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(readFifo.c_str(), 0600), 0);
  std::filesystem::create_symlink(nowhere, linked);
  const int reader = ::open(readFifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  struct Case {
    const char* what;
    std::string name;
  } const cases[] = {
      {"a FIFO without a reader", fifo},
      {"a FIFO with a reader", readFifo},
      {"a device", "/dev/null"},
      {"a directory", folder.path().string()},
      {"a symbolic link to nothing", linked},
  };
  OpenReady();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(qv->QVSetOutputName(h, c.name.c_str()));
    const CallOutcome played =
        CallOnItsOwnThread([&] { return qv->QVPlay(h); },
                           [&] { ::close(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK)); });
    EXPECT_TRUE(played.atOnce) << "QVPlay waited";
    EXPECT_FALSE(QVTrue(played.result));
    EXPECT_EQ(qv->QVLastError(h), qvOutputFailure);
    EXPECT_EQ(qv->QVGetPlayerMode(h), pmReady);
    if (QVTrue(played.result)) qv->QVStop(h);
  }
  // No writer ever opened the FIFO (a writer that came and went leaves a hang-up behind).
  pollfd end{reader, POLLIN, 0};
  EXPECT_EQ(::poll(&end, 1, 0), 0) << "the FIFO was opened for writing";
  ::close(reader);
  EXPECT_FALSE(std::filesystem::exists(nowhere));
  EXPECT_TRUE(std::filesystem::is_symlink(linked));
  EXPECT_TRUE(std::filesystem::is_directory(folder.path()));
  // The stream stays ready: a regular name plays it.
  const WavFile wav = PlayToEnd();
  EXPECT_TRUE(wav.valid);
  EXPECT_GT(wav.data.size(), 0u);
}

// A file-size limit below the WAV header makes the output's first write fail.
struct FileSizeLimit {
  explicit FileSizeLimit(rlim_t bytes) {
    previousHandler = ::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limit = previous;
    limit.rlim_cur = bytes;
    applied = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous);
    ::signal(SIGXFSZ, previousHandler);
  }
  rlimit previous{};
  sighandler_t previousHandler;
  bool applied = false;
};

TEST_P(ModuleInputFile, AFailedPlayLeavesNoFileItMadeAndKeepsOneItDidNot) {
  OpenReady();
  const std::string fresh = folder.File("fresh.wav");
  const std::string existing = folder.File("existing.wav");
  WriteBytes(existing, std::vector<uint8_t>(100, 7));
  {
    const FileSizeLimit limit(16);
    ASSERT_TRUE(limit.applied);
    EXPECT_EQ(PlayRefusal(fresh), qvOutputFailure);
    EXPECT_FALSE(std::filesystem::exists(fresh));
    EXPECT_EQ(PlayRefusal(existing), qvOutputFailure);
    EXPECT_TRUE(std::filesystem::exists(existing));
  }
  EXPECT_EQ(qv->QVGetPlayerMode(h), pmReady);
  EXPECT_TRUE(ReadBytes(input) == original);
}

INSTANTIATE_TEST_SUITE_P(BothModules, ModuleInputFile, testing::ValuesIn(Modules),
                         ModuleCaseName<ModuleCase>);

}  // namespace
