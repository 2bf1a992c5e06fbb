#include "platform/classlib/ExceptionHandler.h"

#include <cstdio>
#include <mutex>

#include "platform/classlib/Exception.h"

namespace {

std::mutex& HandlerLock() {
  static std::mutex lock;
  return lock;
}

TExceptionHandler& InstalledHandler() {
  static TExceptionHandler handler;
  return handler;
}

void DefaultHandler(TObject*, std::exception_ptr E) {
  std::string message = ExceptionMessage(E);
  std::fprintf(stderr, "%s\n", message.c_str());
}

}  // namespace

void SetApplicationHandleException(TExceptionHandler Handler) {
  std::lock_guard guard(HandlerLock());
  InstalledHandler() = std::move(Handler);
}

void ApplicationHandleException(TObject* Sender, std::exception_ptr E) {
  TExceptionHandler handler;
  {
    std::lock_guard guard(HandlerLock());
    handler = InstalledHandler();
  }
  try {
    if (handler)
      handler(Sender, E);
    else
      DefaultHandler(Sender, E);
  } catch (...) {
    // The handler is the last stop: nothing may escape it.
  }
}

void ApplicationHandleException(TObject* Sender) {
  ApplicationHandleException(Sender, std::current_exception());
}

std::string ExceptionMessage(std::exception_ptr E) {
  if (!E) return "";
  try {
    std::rethrow_exception(E);
  } catch (const Exception& error) {
    return error.Message();
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return "Unknown exception";
  }
}

void CallHandled(TObject* Sender, const std::function<void()>& Action) {
  try {
    Action();
  } catch (...) {
    ApplicationHandleException(Sender);
  }
}
