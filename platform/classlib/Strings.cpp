#include "platform/classlib/Strings.h"

#include <cstring>

#include "platform/classlib/FileStream.h"
#include "platform/classlib/Format.h"

namespace {

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

void TStrings::Error(int Index) const {
  throw EStringListError(Format("List index out of bounds (%d)", Index));
}

void TStrings::Put(int Index, const std::string& S) {
  if (Index < 0 || Index >= Count()) Error(Index);
  Delete(Index);
  Insert(Index, S);
}

int TStrings::Add(const std::string& S) {
  int index = Count();
  Insert(index, S);
  return index;
}

int TStrings::IndexOf(const std::string& S) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(Get(i), S)) return i;
  return -1;
}

std::string TStrings::Text() const {
  std::string text;
  for (int i = 0; i < Count(); ++i) text += Get(i) + "\n";
  return text;
}

void TStrings::SetText(const std::string& Value) {
  Clear();
  const char* p = Value.c_str();
  while (*p != '\0') {
    const char* start = p;
    while (*p != '\0' && *p != '\n' && *p != '\r') ++p;
    Add(std::string(start, static_cast<size_t>(p - start)));
    if (*p == '\r') ++p;
    if (*p == '\n') ++p;
  }
}

void TStrings::LoadFromStream(TStream* Stream) {
  int64_t size = Stream->Size() - Stream->Position();
  std::string text;
  if (size > 0) {
    text.resize(static_cast<size_t>(size));
    text.resize(static_cast<size_t>(Stream->Read(text.data(), static_cast<int32_t>(size))));
  }
  SetText(text);
}

void TStrings::LoadFromFile(const std::string& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}
