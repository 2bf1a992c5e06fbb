// Test helpers for the sound device: choosing the device for the duration of a test, and
// waiting with a deadline for something another thread does.
#pragma once

#include <cstdlib>
#include <chrono>
#include <string>
#include <thread>

// Sets BRASSEL_AUDIO while it lives; set it before any thread that reads it starts.
class SoundDeviceChoice {
 public:
  explicit SoundDeviceChoice(const char* kind) {
    if (const char* was = std::getenv("BRASSEL_AUDIO")) {
      previous_ = was;
      hadPrevious_ = true;
    }
    setenv("BRASSEL_AUDIO", kind, 1);
  }
  ~SoundDeviceChoice() {
    if (hadPrevious_)
      setenv("BRASSEL_AUDIO", previous_.c_str(), 1);
    else
      unsetenv("BRASSEL_AUDIO");
  }
  SoundDeviceChoice(const SoundDeviceChoice&) = delete;
  SoundDeviceChoice& operator=(const SoundDeviceChoice&) = delete;

 private:
  std::string previous_;
  bool hadPrevious_ = false;
};

template <class Condition>
bool Eventually(Condition condition, std::chrono::seconds deadline = std::chrono::seconds(30)) {
  const auto until = std::chrono::steady_clock::now() + deadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}
