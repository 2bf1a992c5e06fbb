#include "platform/classlib/Stream.h"

#include <algorithm>
#include <vector>

int64_t TStream::Size() {
  int64_t position = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::ReadBuffer(void* Buffer, int32_t Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, int32_t Count) {
  if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream* Source, int64_t Count) {
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->Size();
  }
  constexpr int64_t kChunk = 61440;
  std::vector<char> buffer(static_cast<size_t>(std::min(Count, kChunk)));
  const int64_t total = Count;
  while (Count > 0) {
    auto n = static_cast<int32_t>(std::min(Count, kChunk));
    Source->ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    Count -= n;
  }
  return total;
}
