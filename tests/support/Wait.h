// Waiting, with a deadline, for what another thread does.
#pragma once

#include <chrono>
#include <thread>

// Polls a condition another thread makes true; false when the deadline passes first. A
// condition that does work of its own (ticks a timer, reads a file) asks for a pause between
// polls, so that it leaves the machine to the thread it waits for.
template <class Condition>
bool WaitFor(Condition condition, std::chrono::seconds deadline = std::chrono::seconds(60),
             std::chrono::milliseconds pause = std::chrono::milliseconds(0)) {
  const auto until = std::chrono::steady_clock::now() + deadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) return false;
    if (pause.count() > 0)
      std::this_thread::sleep_for(pause);
    else
      std::this_thread::yield();
  }
  return true;
}
