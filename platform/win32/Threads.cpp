#include "platform/win32/Threads.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <mutex>
#include <string>
#include <unordered_map>

namespace {

// A thread handle carries the thread's id; the pseudo handle of the calling thread is -2.
const HANDLE currentThreadPseudoHandle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2));

struct Level {
  int priority;
  int niceOffset;
};
constexpr Level levels[] = {
    {THREAD_PRIORITY_IDLE, 19},           {THREAD_PRIORITY_LOWEST, 10},
    {THREAD_PRIORITY_BELOW_NORMAL, 5},    {THREAD_PRIORITY_NORMAL, 0},
    {THREAD_PRIORITY_ABOVE_NORMAL, -5},   {THREAD_PRIORITY_HIGHEST, -10},
    {THREAD_PRIORITY_TIME_CRITICAL, -20},
};

pid_t ThreadIdOf(HANDLE thread) {
  if (thread == currentThreadPseudoHandle) return static_cast<pid_t>(syscall(SYS_gettid));
  return static_cast<pid_t>(reinterpret_cast<uintptr_t>(thread));
}

bool ThreadExists(pid_t tid) {
  const std::string path = "/proc/self/task/" + std::to_string(tid);
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) return false;
  closedir(dir);
  return true;
}

// The levels count from the nice value the process's main thread had when priorities were
// first used, so that a thread at normal priority runs like the rest of the process.
int BaseNice() {
  static const int base = [] {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
    return errno == 0 ? nice : 0;
  }();
  return base;
}

int ClampNice(int nice) { return nice < -20 ? -20 : (nice > 19 ? 19 : nice); }

// In a process started with a nice value of its own, neighbouring levels can clamp to the same
// nice value; the level last set on a thread, while its nice value is still the one set, says
// which of them the thread has.
struct SetLevel {
  int priority;
  int nice;
};
std::mutex setLevelsLock;
std::unordered_map<pid_t, SetLevel> setLevels;

}  // namespace

HANDLE WINAPI GetCurrentThread() { return currentThreadPseudoHandle; }

DWORD WINAPI GetCurrentThreadId() { return static_cast<DWORD>(syscall(SYS_gettid)); }

HANDLE WINAPI OpenThread(DWORD, BOOL, DWORD threadId) {
  if (threadId == 0 || !ThreadExists(static_cast<pid_t>(threadId))) return nullptr;
  return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(threadId));
}

BOOL WINAPI SetThreadPriority(HANDLE thread, int priority) {
  const Level* level = nullptr;
  for (const auto& candidate : levels)
    if (candidate.priority == priority) level = &candidate;
  if (level == nullptr || thread == nullptr) return FALSE;
  const pid_t tid = ThreadIdOf(thread);
  const int nice = ClampNice(BaseNice() + level->niceOffset);
  if (setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice) != 0) return FALSE;
  std::lock_guard<std::mutex> guard(setLevelsLock);
  setLevels[tid] = SetLevel{priority, nice};
  return TRUE;
}

int WINAPI GetThreadPriority(HANDLE thread) {
  if (thread == nullptr) return THREAD_PRIORITY_ERROR_RETURN;
  const pid_t tid = ThreadIdOf(thread);
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
  if (errno != 0) return THREAD_PRIORITY_ERROR_RETURN;
  {
    std::lock_guard<std::mutex> guard(setLevelsLock);
    const auto set = setLevels.find(tid);
    if (set != setLevels.end() && set->second.nice == nice) return set->second.priority;
  }
  const int base = BaseNice();
  // The level whose nice value lies nearest.
  int best = THREAD_PRIORITY_NORMAL;
  int bestDistance = 1000;
  for (const auto& level : levels) {
    const int distance = std::abs(ClampNice(base + level.niceOffset) - nice);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = level.priority;
    }
  }
  return best;
}
