// Waiting, with a deadline, for what another thread does.
#pragma once

#include <chrono>
#include <thread>

// Polls a condition another thread makes true, pausing between polls so that the waiting
// thread leaves the machine to the one it waits for; false when the deadline passes first. A
// condition that does work of its own (ticks a timer, reads a file) asks for a longer pause.
template <class Condition>
bool WaitFor(Condition condition, std::chrono::seconds deadline = std::chrono::seconds(60),
             std::chrono::milliseconds pause = std::chrono::milliseconds(1)) {
  const auto until = std::chrono::steady_clock::now() + deadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(pause);
  }
  return true;
}
