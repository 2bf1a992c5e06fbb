// A decoder module for the player's tests. It records every call with its arguments and
// answers as the test configures it. Built in variants:
//   TEST_MODULE_WITHOUT_QVEQ   exports every name but QVEQ
//   TEST_MODULE_INIT_FAILS     QVInitModule returns 0
//   TEST_MODULE_REFUSES        every call fails and QVLastError answers 0
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "tests/engine/TestModule.h"

namespace {

#ifdef TEST_MODULE_REFUSES
constexpr int32_t DefaultBool = FALSE;
constexpr int32_t DefaultInt = -1;
#else
constexpr int32_t DefaultBool = TRUE;
constexpr int32_t DefaultInt = 0;
#endif

struct ModuleState {
  uint32_t magic = HandleMagic;
  std::mutex lock;
  std::vector<std::string> log;
  std::string joined;
  std::map<std::string, int32_t> results;
  int32_t pendingError = 0;
  uint32_t volume = 0;
  int32_t separate = 0;
  int32_t hasEQ = 1;
  bool nameFails = false, aboutFails = false, extsFails = false;
  std::string name = "Test Module", about = "Test module for the player", exts = "*.tst";
  TestCallbackTable callbacks{};
};

ModuleState& State() {
  static ModuleState state;
  return state;
}

QVHandle OwnHandle() { return reinterpret_cast<QVHandle>(&State()); }

std::string Text(const char* text) {
  return text ? "\"" + std::string(text) + "\"" : std::string("(null)");
}

void Record(const char* function, QVHandle h, const std::string& args = "") {
  ModuleState& s = State();
  std::lock_guard guard(s.lock);
  std::string line = (h == OwnHandle() ? "" : "!") + std::string(function);
  if (!args.empty()) line += " " + args;
  s.log.push_back(line);
}

void RecordFree(const char* function, const std::string& args = "") {
  ModuleState& s = State();
  std::lock_guard guard(s.lock);
  s.log.push_back(args.empty() ? function : std::string(function) + " " + args);
}

int32_t Result(const char* function, int32_t fallback) {
  ModuleState& s = State();
  std::lock_guard guard(s.lock);
  auto found = s.results.find(function);
  return found == s.results.end() ? fallback : found->second;
}

QVBool TextCall(const char* function, const std::string& text, bool fails, char* buffer,
                int32_t* length) {
  RecordFree(function, buffer ? std::to_string(*length) : "(null)");
  if (fails || DefaultBool == FALSE) return FALSE;
  int32_t need = static_cast<int32_t>(text.size());
  if (buffer && *length >= need + 1) {
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    *length = need;
    return TRUE;
  }
  *length = need;
  return FALSE;
}

#define SAME_TYPE(name) static_assert(std::is_same_v<decltype(&name), name##Proc>);

}  // namespace

QV_EXPORT QVHandle WINAPI QVInitModule() {
  RecordFree("QVInitModule");
#ifdef TEST_MODULE_INIT_FAILS
  return 0;
#else
  return OwnHandle();
#endif
}

#define BOOL_EXPORT(name, params, args, log) \
  QV_EXPORT QVBool WINAPI name params {      \
    Record(#name, h, log);                   \
    return Result(#name, DefaultBool);       \
  }

BOOL_EXPORT(QVDeInitModule, (QVHandle h), (h), "")
BOOL_EXPORT(QVOpen, (QVHandle h), (h), "")
BOOL_EXPORT(QVClose, (QVHandle h), (h), "")
BOOL_EXPORT(QVInitStream, (QVHandle h), (h), "")
BOOL_EXPORT(QVPlay, (QVHandle h), (h), "")
BOOL_EXPORT(QVPause, (QVHandle h), (h), "")
BOOL_EXPORT(QVResume, (QVHandle h), (h), "")
BOOL_EXPORT(QVStop, (QVHandle h), (h), "")
BOOL_EXPORT(QVSetPos, (QVHandle h, uint32_t position), (h), std::to_string(position))
BOOL_EXPORT(QVSetInputMode, (QVHandle h, int32_t mode), (h), std::to_string(mode))
BOOL_EXPORT(QVSetInputName, (QVHandle h, const char* name), (h), Text(name))
BOOL_EXPORT(QVSetOutputMode, (QVHandle h, int32_t mode), (h), std::to_string(mode))
BOOL_EXPORT(QVSetOutputName, (QVHandle h, const char* name), (h), Text(name))
BOOL_EXPORT(QVSetOutputDev, (QVHandle h, int32_t device), (h), std::to_string(device))
BOOL_EXPORT(QVSetDevNum, (QVHandle h, int32_t device), (h), std::to_string(device))
BOOL_EXPORT(QVSetBuffers, (QVHandle h, int32_t count, int32_t size), (h),
            std::to_string(count) + " " + std::to_string(size))
BOOL_EXPORT(QVSetPriority, (QVHandle h, int32_t priority), (h), std::to_string(priority))
BOOL_EXPORT(QVSetLimits, (QVHandle h, uint32_t start, uint32_t end), (h),
            std::to_string(start) + " " + std::to_string(end))
BOOL_EXPORT(QVSetWindow, (QVHandle h, HWND window), (h), window ? "window" : "(null)")
BOOL_EXPORT(QVUseOutCB, (QVHandle h, QVBool use), (h), std::to_string(use))
BOOL_EXPORT(QVSetExtras, (QVHandle h, int32_t value), (h), std::to_string(value))
BOOL_EXPORT(QVCanSetPos, (QVHandle h), (h), "")
BOOL_EXPORT(QVCanPause, (QVHandle h), (h), "")
BOOL_EXPORT(QVGetInfo1, (QVHandle h, StreamInfo*, uint32_t*), (h), "")
BOOL_EXPORT(QVGetInfo2, (QVHandle h, const char**), (h), "")
BOOL_EXPORT(QVSetVolume, (QVHandle h, uint32_t volume), (h), std::to_string(volume))
BOOL_EXPORT(QVUseEQ, (QVHandle h, QVBool use), (h), std::to_string(use))

QV_EXPORT QVBool WINAPI QVSetOutCB(QVHandle h, QVOutputProc data, QVOutputActionProc action,
                                   QVUserValue user) {
  Record("QVSetOutCB", h, user ? "user" : "(null)");
  ModuleState& s = State();
  std::lock_guard guard(s.lock);
  s.callbacks.output = data;
  s.callbacks.outputAction = action;
  s.callbacks.outputUser = user;
  return DefaultBool;
}

QV_EXPORT QVBool WINAPI QVSetInCB(QVHandle h, QVInputOpenProc open, QVInputCloseProc close,
                                  QVInputGetSizeProc getSize, QVInputSeekProc seek,
                                  QVInputReadProc read, QVUserValue user) {
  Record("QVSetInCB", h, user ? "user" : "(null)");
  ModuleState& s = State();
  std::lock_guard guard(s.lock);
  s.callbacks.inputOpen = open;
  s.callbacks.inputClose = close;
  s.callbacks.inputGetSize = getSize;
  s.callbacks.inputSeek = seek;
  s.callbacks.inputRead = read;
  s.callbacks.inputUser = user;
  return DefaultBool;
}

QV_EXPORT int32_t WINAPI QVGetPlayerMode(QVHandle h) {
  Record("QVGetPlayerMode", h);
  return Result("QVGetPlayerMode", DefaultInt);
}

QV_EXPORT int32_t WINAPI QVGetPos(QVHandle h) {
  Record("QVGetPos", h);
  return Result("QVGetPos", DefaultInt);
}

QV_EXPORT int32_t WINAPI QVGetSize(QVHandle h) {
  Record("QVGetSize", h);
  return Result("QVGetSize", DefaultInt);
}

QV_EXPORT int32_t WINAPI QVLastError(QVHandle h) {
  Record("QVLastError", h);
  ModuleState& s = State();
  std::lock_guard guard(s.lock);
  int32_t code = s.pendingError;
  s.pendingError = 0;
  return code;
}

QV_EXPORT QVBool WINAPI QVGetName(char* buffer, int32_t* length) {
  return TextCall("QVGetName", State().name, State().nameFails, buffer, length);
}

QV_EXPORT QVBool WINAPI QVGetExts(char* buffer, int32_t* length) {
  return TextCall("QVGetExts", State().exts, State().extsFails, buffer, length);
}

QV_EXPORT QVBool WINAPI QVGetAbout(char* buffer, int32_t* length) {
  return TextCall("QVGetAbout", State().about, State().aboutFails, buffer, length);
}

QV_EXPORT int32_t WINAPI QVGetVersion() {
  RecordFree("QVGetVersion");
  return Result("QVGetVersion", 77);
}

QV_EXPORT QVBool WINAPI QVGetVolume(QVHandle h, uint32_t* volume) {
  Record("QVGetVolume", h);
  QVBool result = Result("QVGetVolume", DefaultBool);
  if (QVTrue(result)) *volume = State().volume;
  return result;
}

QV_EXPORT QVBool WINAPI QVCanSetVolume(QVHandle h, QVByteBool* separate) {
  Record("QVCanSetVolume", h, std::to_string(*separate));
  QVBool result = Result("QVCanSetVolume", FALSE);
  if (QVTrue(result)) *separate = static_cast<QVByteBool>(State().separate);
  return result;
}

QV_EXPORT QVBool WINAPI QVHasEQ(QVHandle h, QVByteBool* has) {
  Record("QVHasEQ", h, std::to_string(*has));
  *has = static_cast<QVByteBool>(State().hasEQ);
  return DefaultBool;
}

#ifndef TEST_MODULE_WITHOUT_QVEQ
QV_EXPORT QVBool WINAPI QVEQ(QVHandle h, double**, int32_t*, int32_t*) {
  Record("QVEQ", h);
  return DefaultBool;
}
SAME_TYPE(QVEQ)
#endif

SAME_TYPE(QVInitModule)
SAME_TYPE(QVDeInitModule)
SAME_TYPE(QVSetOutCB)
SAME_TYPE(QVSetInCB)
SAME_TYPE(QVGetName)
SAME_TYPE(QVGetVolume)
SAME_TYPE(QVCanSetVolume)
SAME_TYPE(QVHasEQ)
SAME_TYPE(QVSetLimits)
SAME_TYPE(QVSetWindow)
SAME_TYPE(QVLastError)

// The test's controls.
QV_EXPORT void TestReset() {
  ModuleState& s = State();
  std::lock_guard guard(s.lock);
  s.log.clear();
  s.results.clear();
  s.pendingError = 0;
  s.volume = 0;
  s.separate = 0;
  s.hasEQ = 1;
  s.name = "Test Module";
  s.about = "Test module for the player";
  s.exts = "*.tst";
  s.nameFails = s.aboutFails = s.extsFails = false;
}

QV_EXPORT void TestSetResult(const char* function, int32_t result) {
  ModuleState& s = State();
  std::lock_guard guard(s.lock);
  s.results[function] = result;
}

QV_EXPORT void TestSetError(int32_t code) {
  ModuleState& s = State();
  std::lock_guard guard(s.lock);
  s.pendingError = code;
}

QV_EXPORT void TestSetVolume(uint32_t volume, int32_t separate) {
  ModuleState& s = State();
  std::lock_guard guard(s.lock);
  s.volume = volume;
  s.separate = separate;
}

QV_EXPORT void TestSetHasEQ(int32_t has) {
  ModuleState& s = State();
  std::lock_guard guard(s.lock);
  s.hasEQ = has;
}

QV_EXPORT void TestSetTexts(const char* name, const char* about, const char* exts) {
  ModuleState& s = State();
  std::lock_guard guard(s.lock);
  s.nameFails = name == nullptr;
  s.aboutFails = about == nullptr;
  s.extsFails = exts == nullptr;
  if (name) s.name = name;
  if (about) s.about = about;
  if (exts) s.exts = exts;
}

QV_EXPORT const char* TestLog() {
  ModuleState& s = State();
  std::lock_guard guard(s.lock);
  s.joined.clear();
  for (const std::string& line : s.log) s.joined += line + "\n";
  return s.joined.c_str();
}

QV_EXPORT void TestCallbacks(TestCallbackTable* table) {
  ModuleState& s = State();
  std::lock_guard guard(s.lock);
  *table = s.callbacks;
}
