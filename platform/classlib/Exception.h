// The class library's exceptions: an object with a message text. Descendants say what kind
// of failure it is; their messages are the platform's own texts.
#pragma once

#include <exception>
#include <string>

#include "platform/classlib/Object.h"

class Exception : public TObject, public std::exception {
 public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}

  const std::string& Message() const { return FMessage; }
  void SetMessage(std::string message) { FMessage = std::move(message); }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

// A value or object of one kind cannot be turned into another ("Cannot assign a %s to a %s").
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// An index outside a list ("List index out of bounds (%d)").
class EListError : public Exception {
 public:
  using Exception::Exception;
};
