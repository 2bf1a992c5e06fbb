// A string list that keeps its strings itself, in the order given.
#pragma once

#include <string>
#include <vector>

#include "platform/classlib/Strings.h"

class TStringList : public TStrings {
 public:
  int Count() const override { return static_cast<int>(FList.size()); }
  std::string Get(int Index) const override;
  void Put(int Index, const std::string& S) override;
  void Insert(int Index, const std::string& S) override;
  void Delete(int Index) override;
  void Clear() override { FList.clear(); }

 private:
  std::vector<std::string> FList;
};
