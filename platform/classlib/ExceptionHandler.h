// The application-wide exception handler: code that must not let an exception travel further
// (event handlers, window procedures) hands it here. Application installs its error box; until
// then the default handler writes the message to stderr.
#pragma once

#include <exception>
#include <functional>
#include <string>

class TObject;

using TExceptionHandler = std::function<void(TObject* Sender, std::exception_ptr E)>;

// An empty handler restores the default one.
void SetApplicationHandleException(TExceptionHandler Handler);
// Hands E to the installed handler. The handler's own exceptions are dropped.
void ApplicationHandleException(TObject* Sender, std::exception_ptr E);
// Inside a catch block: hands the exception being handled.
void ApplicationHandleException(TObject* Sender);

// The exception's message: Exception::Message, std::exception::what, or a fixed text.
std::string ExceptionMessage(std::exception_ptr E);

// Runs Action; an exception it lets escape goes to the application's handler.
void CallHandled(TObject* Sender, const std::function<void()>& Action);
