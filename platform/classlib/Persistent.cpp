#include "platform/classlib/Persistent.h"

#include "platform/classlib/Exception.h"
#include "platform/classlib/Format.h"

void TPersistent::Assign(TPersistent* Source) {
  if (Source == nullptr) AssignError(nullptr);
  Source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* Source) {
  std::string sourceName = Source ? Source->ClassName() : "nil";
  throw EConvertError(
      Format("Cannot assign a %s to a %s", sourceName.c_str(), ClassName().c_str()));
}
