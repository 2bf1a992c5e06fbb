// A stream on a file of the platform's file layer, so that its sharing rule holds: a file
// that a process has loaded as a library cannot be created or opened for writing here.
#pragma once

#include <string>

#include "platform/classlib/Stream.h"
#include "platform/win32/Types.h"

inline constexpr uint16_t fmCreate = 0xFFFF;
inline constexpr uint16_t fmOpenRead = 0x0000;
inline constexpr uint16_t fmOpenWrite = 0x0001;
inline constexpr uint16_t fmOpenReadWrite = 0x0002;
inline constexpr uint16_t fmShareCompat = 0x0000;
inline constexpr uint16_t fmShareExclusive = 0x0010;
inline constexpr uint16_t fmShareDenyWrite = 0x0020;
inline constexpr uint16_t fmShareDenyRead = 0x0030;
inline constexpr uint16_t fmShareDenyNone = 0x0040;

class TFileStream : public TStream {
 public:
  // fmCreate creates the file anew (replacing one that exists), for reading and writing;
  // otherwise the file must exist and opens with the access of the low bits and the sharing
  // of the fmShare bits. Raises EFCreateError "Cannot create file %s" or EFOpenError "Cannot
  // open file %s" with the file name.
  TFileStream(const std::string& FileName, uint16_t Mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  const std::string& FileName() const { return FFileName; }
  HANDLE Handle() const { return FHandle; }

  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;

 private:
  std::string FFileName;
  HANDLE FHandle;
};
