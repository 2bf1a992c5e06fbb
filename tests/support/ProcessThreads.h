// The threads of this process as the kernel lists them, and the nice value each one runs at:
// how a test finds a module's decode thread and sees the priority it really has.
#pragma once

#include <dirent.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

inline std::set<pid_t> ProcessThreads() {
  // A runtime may start a helper thread of its own with the first thread a process makes
  // (ThreadSanitizer does): one thread made and ended first keeps it out of every difference.
  static const bool runtimeStarted = [] {
    std::thread([] {}).join();
    return true;
  }();
  (void)runtimeStarted;
  std::set<pid_t> threads;
  DIR* dir = opendir("/proc/self/task");
  if (dir == nullptr) return threads;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] != '.') threads.insert(static_cast<pid_t>(std::stol(entry->d_name)));
  }
  closedir(dir);
  return threads;
}

// The threads that did not exist at the time of Before.
inline std::vector<pid_t> ThreadsSince(const std::set<pid_t>& Before) {
  std::vector<pid_t> added;
  const std::set<pid_t> now = ProcessThreads();
  std::set_difference(now.begin(), now.end(), Before.begin(), Before.end(),
                      std::back_inserter(added));
  return added;
}

inline bool ThreadExists(pid_t Thread) { return ProcessThreads().count(Thread) != 0; }

// The nice value of the thread (field 19 of its stat line); 100 when it is gone.
inline int ThreadNice(pid_t Thread) {
  std::ifstream in("/proc/self/task/" + std::to_string(Thread) + "/stat");
  std::string line;
  if (!std::getline(in, line)) return 100;
  // The command name in parentheses may hold blanks: count the fields after its ")".
  const auto close = line.rfind(')');
  if (close == std::string::npos) return 100;
  std::istringstream fields(line.substr(close + 2));
  std::string field;
  // State is field 3; nice is field 19.
  for (int i = 3; i <= 19; ++i) {
    if (!(fields >> field)) return 100;
  }
  return std::stoi(field);
}

// How many times the thread has given up the processor of its own accord (a wait, a sleep);
// -1 when it is gone. A thread that polls counts one at each poll.
inline long VoluntarySwitches(pid_t Thread) {
  std::ifstream in("/proc/self/task/" + std::to_string(Thread) + "/status");
  const std::string key = "voluntary_ctxt_switches:";
  for (std::string line; std::getline(in, line);) {
    if (line.compare(0, key.size(), key) == 0) return std::stol(line.substr(key.size()));
  }
  return -1;
}

// The process's own nice value, from which the platform counts its thread priorities.
inline int ProcessNice() {
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
  return errno == 0 ? nice : 0;
}
