// A list of single-byte strings: the abstract base of string lists and of the lists behind
// controls (list box items, memo lines). Descendants store the strings; this class adds what
// is built on top: adding, searching, the text form and loading from files.
#pragma once

#include <string>

#include "platform/classlib/Exception.h"
#include "platform/classlib/Persistent.h"

class TStream;

// "List index out of bounds (%d)"
class EStringListError : public Exception {
 public:
  using Exception::Exception;
};

class TStrings : public TPersistent {
 public:
  virtual int Count() const = 0;
  // EStringListError for an index outside the list.
  virtual std::string Get(int Index) const = 0;
  virtual void Put(int Index, const std::string& S);
  // Index may be Count (appends).
  virtual void Insert(int Index, const std::string& S) = 0;
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;

  std::string Strings(int Index) const { return Get(Index); }
  std::string operator[](int Index) const { return Get(Index); }
  // Appends the string and returns its index.
  virtual int Add(const std::string& S);
  // The first index of S, compared without regard to ASCII case; -1 when absent.
  virtual int IndexOf(const std::string& S) const;

  // Every string followed by a line end ("\n").
  std::string Text() const;
  // Replaces the list with the lines of the text: the text ends at its first NUL; a line ends
  // at CR, at LF or at CR LF; empty lines count; a last line needs no line end.
  void SetText(const std::string& Value);

  // Replaces the list with the lines of the stream from its position to its end.
  void LoadFromStream(TStream* Stream);
  // The same for a file, opened for reading while others may read but not write it; a file
  // that cannot be opened raises EFOpenError "Cannot open file %s".
  void LoadFromFile(const std::string& FileName);

 protected:
  [[noreturn]] void Error(int Index) const;
};
