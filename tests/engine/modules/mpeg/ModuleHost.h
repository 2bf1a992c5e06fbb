// A test host for teskdec.dll: loads the module with dlopen, binds the 42 exports by name and
// offers the small helpers the module's tests share (reading streams, WAV files, polling the
// player mode with a deadline).
#pragma once

#include <dlfcn.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "engine/PluginInterface.h"

struct ModuleExports {
#define QV_MEMBER(name, result, params) name##Proc name = nullptr;
  QV_EXPORT_LIST(QV_MEMBER)
#undef QV_MEMBER
};

class ModuleLibrary {
 public:
  ModuleLibrary() {
    library_ = dlopen(TESKDEC_PATH, RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) return;
#define QV_BIND(name, result, params) \
  exports_.name = reinterpret_cast<name##Proc>(dlsym(library_, #name));
    QV_EXPORT_LIST(QV_BIND)
#undef QV_BIND
  }
  ~ModuleLibrary() {
    if (library_ != nullptr) dlclose(library_);
  }
  ModuleLibrary(const ModuleLibrary&) = delete;
  ModuleLibrary& operator=(const ModuleLibrary&) = delete;

  bool Loaded() const { return library_ != nullptr; }
  bool AllBound() const {
    bool all = true;
#define QV_CHECK(name, result, params) all = all && exports_.name != nullptr;
    QV_EXPORT_LIST(QV_CHECK)
#undef QV_CHECK
    return all;
  }
  const ModuleExports& operator*() const { return exports_; }
  const ModuleExports* operator->() const { return &exports_; }

 private:
  void* library_ = nullptr;
  ModuleExports exports_;
};

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::filesystem::path VectorPath(const std::string& name) {
  return std::filesystem::path(BRASSEL_VECTORS_DIR) / name;
}

inline uint32_t LittleEndian32(const uint8_t* at) {
  return at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
}

inline std::vector<int16_t> Samples(const uint8_t* bytes, size_t count) {
  std::vector<int16_t> samples(count / 2);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return samples;
}

// Frames of a constant-layout Layer I or II stream, walked header by header.
struct StreamLayout {
  int layer = 0;
  int rate = 0;
  int frames = 0;
  int firstFrameLength = 0;
  int samplesPerFrame() const { return layer == 1 ? 384 : 1152; }
};

inline StreamLayout WalkFrames(const std::vector<uint8_t>& s, size_t from = 0) {
  static const int rates[3] = {44100, 48000, 32000};
  static const int bitrates[2][15] = {
      {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
      {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384}};
  StreamLayout layout;
  size_t at = from;
  while (at + 4 <= s.size() && s[at] == 0xFF && (s[at + 1] & 0xE0) == 0xE0) {
    const int layer = 4 - ((s[at + 1] >> 1) & 3);
    const int bitrate = bitrates[layer == 1 ? 0 : 1][s[at + 2] >> 4];
    const int rate = rates[(s[at + 2] >> 2) & 3];
    const int padding = (s[at + 2] >> 1) & 1;
    const int length = layer == 1 ? (12000 * bitrate / rate + padding) * 4
                                  : 144000 * bitrate / rate + padding;
    if (layout.frames == 0) {
      layout.layer = layer;
      layout.rate = rate;
      layout.firstFrameLength = length;
    }
    if (at + static_cast<size_t>(length) > s.size()) break;
    ++layout.frames;
    at += static_cast<size_t>(length);
  }
  return layout;
}

// Polls the player mode until it leaves the running modes; fails the test after the deadline.
inline int32_t WaitWhileRunning(const ModuleExports& qv, QVHandle h,
                                std::chrono::seconds deadline = std::chrono::seconds(120)) {
  const auto until = std::chrono::steady_clock::now() + deadline;
  for (;;) {
    const int32_t mode = qv.QVGetPlayerMode(h);
    if (mode != pmPlaying && mode != pmPaused) return mode;
    if (std::chrono::steady_clock::now() > until) {
      ADD_FAILURE() << "the run did not end in time";
      return mode;
    }
    std::this_thread::yield();
  }
}

// Waits for a condition another thread makes true, with a deadline.
template <class Condition>
bool WaitFor(Condition condition, std::chrono::seconds deadline = std::chrono::seconds(60)) {
  const auto until = std::chrono::steady_clock::now() + deadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::yield();
  }
  return true;
}

// A fresh folder for one test's files.
class TempFolder {
 public:
  TempFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("teskdec-") + info->test_suite_name() + "-" + info->name() +
                       "-" + std::to_string(::getpid());
    for (char& c : name)
      if (c == '/') c = '_';
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};
