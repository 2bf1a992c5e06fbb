// The WAV file output of both modules when the file cannot be written to its end (a file-size
// limit, a full file system) and when the converting process is killed: a failed write ends
// the run with code 6, never as a success, and the file left behind is a valid WAV file whose
// header describes exactly the whole sample frames on disk. Each run is a child process
// converting with the module, as the converter would.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/PluginInterface.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"

namespace {

struct ModuleCase {
  const char* name;
  const char* module;
  std::string input;
};

const ModuleCase Modules[] = {
    {"teskdec", TESKDEC_PATH, FixturePath("conformance/l3-compl.bit").string()},
    {"teskwma", TESKWMA_PATH, FixturePath("wma/v2-22k-mono-4s.wma").string()},
};

// How the child process is set up before it converts.
enum class Limit { None, FileSize, SmallFileSystem };

constexpr int CannotMount = 77;

struct Child {
  pid_t pid = -1;
  int output = -1;  // the read end of the child's standard output
};

// Starts the probe; the arguments are prepared before the fork, so that the child only makes
// system calls before it runs the probe.
Child StartProbe(const ModuleCase& c, const std::string& wav, Limit limit = Limit::None,
                 rlim_t bytes = 0, const std::string& mountPoint = {},
                 const std::string& copyTo = {}) {
  std::vector<std::string> args = {WAV_CONVERSION_PROBE, c.module, c.input, wav};
  if (!copyTo.empty()) args.push_back(copyTo);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const std::string size = "size=" + std::to_string(bytes);

  int pipe[2];
  if (::pipe2(pipe, O_CLOEXEC) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (limit == Limit::FileSize) {
      const rlimit fileSize{bytes, bytes};
      // Past the limit a write fails with EFBIG instead of ending the process.
      if (::setrlimit(RLIMIT_FSIZE, &fileSize) != 0 || ::signal(SIGXFSZ, SIG_IGN) == SIG_ERR)
        ::_exit(3);
    } else if (limit == Limit::SmallFileSystem) {
      // A file system of its own, which goes away with this process.
      if (::unshare(CLONE_NEWNS) != 0 ||
          ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
          ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, size.c_str()) != 0)
        ::_exit(CannotMount);
    }
    ::dup2(pipe[1], STDOUT_FILENO);
    ::execv(argv[0], argv.data());
    ::_exit(4);
  }
  ::close(pipe[1]);
  return {pid, pipe[0]};
}

struct Finished {
  int status = -1;      // the exit status, -1 when killed
  std::string printed;  // "<mode> <code>"
};

Finished WaitForProbe(const Child& child) {
  Finished finished;
  char buffer[256];
  ssize_t n;
  while ((n = ::read(child.output, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
    if (n > 0) finished.printed.append(buffer, static_cast<size_t>(n));
  ::close(child.output);
  int status = 0;
  while (::waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
  }
  finished.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (!finished.printed.empty() && finished.printed.back() == '\n') finished.printed.pop_back();
  return finished;
}

std::string EndedWith(int32_t mode, int32_t code) {
  return std::to_string(mode) + " " + std::to_string(code);
}

// The PCM of a complete conversion.
std::vector<uint8_t> ReferenceData(const ModuleCase& c, const TempFolder& folder) {
  const std::string wav = folder.File("reference.wav");
  const Finished run = WaitForProbe(StartProbe(c, wav));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.printed, EndedWith(pmFinished, 0));
  const std::vector<uint8_t> bytes = ReadBytes(wav);
  if (bytes.size() < 46) return {};
  return {bytes.begin() + 46, bytes.end()};
}

// The file as a player reads it: the RIFF size is the file's length less 8, the data chunk
// ends at the end of the file (after a pad byte when odd) and holds whole sample frames, the
// samples those of the complete conversion. Its data size.
uint32_t ExpectValidPrefix(const std::string& path, const std::vector<uint8_t>& reference) {
  const std::vector<uint8_t> file = ReadBytes(path);
  EXPECT_GE(file.size(), 46u);
  if (file.size() < 46) return 0;
  EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
  EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(std::string(file.begin() + 38, file.begin() + 42), "data");
  const uint32_t riffSize = LittleEndian32(&file[4]);
  const uint32_t blockAlign = LittleEndian16(&file[32]);
  const uint32_t dataSize = LittleEndian32(&file[42]);
  EXPECT_EQ(riffSize, file.size() - 8);
  EXPECT_EQ(46 + dataSize + (dataSize & 1), file.size());
  EXPECT_NE(blockAlign, 0u);
  if (blockAlign != 0) {
    EXPECT_EQ(dataSize % blockAlign, 0u);
  }
  EXPECT_LE(dataSize, reference.size());
  const size_t compared = std::min<size_t>({dataSize, reference.size(), file.size() - 46});
  EXPECT_TRUE(std::equal(reference.begin(), reference.begin() + compared, file.begin() + 46));
  return dataSize;
}

uint32_t BlockAlign(const std::vector<uint8_t>& header) { return LittleEndian16(&header[32]); }

TEST(WavOutputFailure, AFileSizeLimitEndsTheRunWithCodeSixAndKeepsTheWholeFramesThatFit) {
  for (const ModuleCase& c : Modules) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::vector<uint8_t> reference = ReferenceData(c, folder);
    ASSERT_GT(reference.size(), 100000u);
    const uint32_t align = BlockAlign(ReadBytes(folder.File("reference.wav")));
    // About half the samples fit, ending inside a block and inside a sample frame.
    const rlim_t limit = 46 + reference.size() / 2 + 3;
    const std::string wav = folder.File("limited.wav");
    const Finished run = WaitForProbe(StartProbe(c, wav, Limit::FileSize, limit));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.printed, EndedWith(pmFinished, qvOutputFailure));
    EXPECT_EQ(ExpectValidPrefix(wav, reference), (limit - 46) / align * align);
  }
}

TEST(WavOutputFailure, AFullFileSystemEndsTheRunWithCodeSix) {
  constexpr rlim_t capacity = 65536;
  for (const ModuleCase& c : Modules) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::vector<uint8_t> reference = ReferenceData(c, folder);
    const uint32_t align = BlockAlign(ReadBytes(folder.File("reference.wav")));
    const std::string mountPoint = folder.File("small");
    ASSERT_EQ(::mkdir(mountPoint.c_str(), 0700), 0);
    const std::string copy = folder.File("copy.wav");
    const Finished run = WaitForProbe(
        StartProbe(c, mountPoint + "/out.wav", Limit::SmallFileSystem, capacity, mountPoint, copy));
    if (run.status == CannotMount)
      GTEST_SKIP() << "this process may not mount a file system in a namespace of its own; "
                      "the file-size limit covers the failing write";
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.printed, EndedWith(pmFinished, qvOutputFailure));
    EXPECT_EQ(ExpectValidPrefix(copy, reference), (capacity - 46) / align * align);
  }
}

TEST(WavOutputFailure, AKilledConversionLeavesAValidFileOfTheBlocksWritten) {
  for (const ModuleCase& c : Modules) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::vector<uint8_t> reference = ReferenceData(c, folder);
    const std::string wav = folder.File("killed.wav");
    const Child child = StartProbe(c, wav);
    ASSERT_GT(child.pid, 0);
    // Killed as soon as the header tells of a quarter of the samples.
    uint32_t described = 0;
    WaitFor([&] {
      const int file = ::open(wav.c_str(), O_RDONLY | O_CLOEXEC);
      uint8_t header[46];
      if (file >= 0 && ::pread(file, header, sizeof header, 0) == sizeof header)
        described = LittleEndian32(&header[42]);
      if (file >= 0) ::close(file);
      return described >= reference.size() / 4;
    });
    ::kill(child.pid, SIGKILL);
    const Finished run = WaitForProbe(child);
    EXPECT_EQ(run.status, -1) << "the conversion ended before it was killed";
    ASSERT_GE(described, reference.size() / 4) << "the header never told of the samples written";
    const uint32_t dataSize = ExpectValidPrefix(wav, reference);
    EXPECT_GE(dataSize, described);
    EXPECT_LT(dataSize, reference.size());
  }
}

}  // namespace
