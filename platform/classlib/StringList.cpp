#include "platform/classlib/StringList.h"

std::string TStringList::Get(int Index) const {
  if (Index < 0 || Index >= Count()) Error(Index);
  return FList[static_cast<size_t>(Index)];
}

void TStringList::Put(int Index, const std::string& S) {
  if (Index < 0 || Index >= Count()) Error(Index);
  FList[static_cast<size_t>(Index)] = S;
}

void TStringList::Insert(int Index, const std::string& S) {
  if (Index < 0 || Index > Count()) Error(Index);
  FList.insert(FList.begin() + Index, S);
}

void TStringList::Delete(int Index) {
  if (Index < 0 || Index >= Count()) Error(Index);
  FList.erase(FList.begin() + Index);
}
