#include "platform/classlib/CustomMemoryStream.h"

#include <algorithm>
#include <cstring>

#include "platform/classlib/FileStream.h"

void TCustomMemoryStream::SetPointer(const void* Ptr, int64_t Size) {
  FMemory = Ptr;
  FSize = Size;
}

int32_t TCustomMemoryStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0 || FPosition < 0 || FPosition >= FSize) return 0;
  auto n = static_cast<int32_t>(std::min<int64_t>(Count, FSize - FPosition));
  std::memcpy(Buffer, static_cast<const char*>(FMemory) + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return n;
}

int64_t TCustomMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case soBeginning: FPosition = Offset; break;
    case soCurrent: FPosition += Offset; break;
    case soEnd: FPosition = FSize + Offset; break;
  }
  return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream) {
  const char* bytes = static_cast<const char*>(FMemory);
  for (int64_t done = 0; done < FSize;) {
    auto n = static_cast<int32_t>(std::min<int64_t>(FSize - done, 0x40000000));
    Stream->WriteBuffer(bytes + done, n);
    done += n;
  }
}

void TCustomMemoryStream::SaveToFile(const std::string& FileName) {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}
