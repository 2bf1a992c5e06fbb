// An object that can be assigned from another and knows its owner (for streaming and names).
#pragma once

#include "platform/classlib/Object.h"

class TPersistent : public TObject {
 public:
  // Copies Source into this object. The default asks Source to assign itself to this object,
  // which fails with EConvertError "Cannot assign a <source> to a <this>" (nil for no source).
  virtual void Assign(TPersistent* Source);
  // Copies this object into Dest; the default raises the assignment error.
  virtual void AssignTo(TPersistent* Dest);
  virtual TPersistent* GetOwner() { return nullptr; }

 protected:
  [[noreturn]] void AssignError(TPersistent* Source);
};
