// Waiting, with a deadline, for what another thread does.
#pragma once

#include <chrono>
#include <thread>

// Polls a condition another thread makes true; false when the deadline passes first.
template <class Condition>
bool WaitFor(Condition condition, std::chrono::seconds deadline = std::chrono::seconds(60)) {
  const auto until = std::chrono::steady_clock::now() + deadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::yield();
  }
  return true;
}
