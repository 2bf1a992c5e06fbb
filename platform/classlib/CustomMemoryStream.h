// A stream over bytes in memory that it does not own; descendants say where they lie.
#pragma once

#include <string>

#include "platform/classlib/Stream.h"

class TCustomMemoryStream : public TStream {
 public:
  const void* Memory() const { return FMemory; }

  int32_t Read(void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return FSize; }

  // Writes all the bytes to the stream (EWriteError when they do not all go).
  void SaveToStream(TStream* Stream);
  // Creates the file anew with all the bytes: EFCreateError "Cannot create file %s",
  // EWriteError "Stream write error".
  void SaveToFile(const std::string& FileName);

 protected:
  void SetPointer(const void* Ptr, int64_t Size);

 private:
  const void* FMemory = nullptr;
  int64_t FSize = 0;
  int64_t FPosition = 0;
};
