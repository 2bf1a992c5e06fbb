// The root of the class library's classes: a virtual destructor and the class name that
// messages quote ("Cannot assign a TFoo to a TBar").
#pragma once

#include <string>

class TObject {
 public:
  virtual ~TObject() = default;
  // The name of the object's most derived class, without any namespace.
  std::string ClassName() const;
};
