// Thread priorities: the platform's THREAD_PRIORITY_* levels as per-thread nice values.
#pragma once

#include "platform/win32/Types.h"

inline constexpr int THREAD_PRIORITY_IDLE = -15;
inline constexpr int THREAD_PRIORITY_LOWEST = -2;
inline constexpr int THREAD_PRIORITY_BELOW_NORMAL = -1;
inline constexpr int THREAD_PRIORITY_NORMAL = 0;
inline constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
inline constexpr int THREAD_PRIORITY_HIGHEST = 2;
inline constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;
inline constexpr int THREAD_PRIORITY_ERROR_RETURN = 0x7FFFFFFF;

inline constexpr DWORD THREAD_SET_INFORMATION = 0x0020;
inline constexpr DWORD THREAD_QUERY_INFORMATION = 0x0040;

// The pseudo handle that stands for the calling thread.
HANDLE WINAPI GetCurrentThread();
// The kernel's id of the calling thread.
DWORD WINAPI GetCurrentThreadId();
// A handle for the thread with that id; null when no such thread exists in this process.
// Such a handle holds no resources and needs no closing.
HANDLE WINAPI OpenThread(DWORD desiredAccess, BOOL inheritHandle, DWORD threadId);

// Gives the thread the nice value of the level, counted from the process's own nice value.
// An unknown level, or one the process may not take (raising a priority needs the right to),
// is refused: FALSE, and the thread keeps its priority.
BOOL WINAPI SetThreadPriority(HANDLE thread, int priority);
// The level whose nice value the thread has, or THREAD_PRIORITY_ERROR_RETURN.
int WINAPI GetThreadPriority(HANDLE thread);
