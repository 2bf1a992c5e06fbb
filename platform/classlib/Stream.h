// The class library's streams: a sequence of bytes with a position. Read and Write move as
// many bytes as they can and say how many; ReadBuffer and WriteBuffer insist on all of them.
#pragma once

#include <cstdint>

#include "platform/classlib/Exception.h"
#include "platform/classlib/Object.h"

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
// "Cannot create file %s"
class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
// "Cannot open file %s"
class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EFilerError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
// "Stream read error"
class EReadError : public EFilerError {
 public:
  using EFilerError::EFilerError;
};
// "Stream write error"
class EWriteError : public EFilerError {
 public:
  using EFilerError::EFilerError;
};

class TStream : public TObject {
 public:
  // The number of bytes moved; 0 at the end or on a failure.
  virtual int32_t Read(void* Buffer, int32_t Count) = 0;
  virtual int32_t Write(const void* Buffer, int32_t Count) = 0;
  // The new position, or -1 when the stream cannot move there.
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t Pos) { Seek(Pos, soBeginning); }
  virtual int64_t Size();

  // EReadError when fewer than Count bytes come; EWriteError when fewer than Count go.
  void ReadBuffer(void* Buffer, int32_t Count);
  void WriteBuffer(const void* Buffer, int32_t Count);
  // Copies Count bytes from Source's position, or with Count 0 the whole of Source from its
  // start. Returns the number copied.
  int64_t CopyFrom(TStream* Source, int64_t Count);
};
