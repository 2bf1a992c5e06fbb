// A stream in memory behind the five input callbacks; the user value is its address. Seeks
// may pass the end (reads there give nothing); reads and seeks can be made to fail.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/PluginInterface.h"
#include "engine/modules/mpeg/StreamInput.h"

struct MemoryStream {
  std::vector<uint8_t> Bytes;
  int64_t Position = 0;
  bool FailReads = false;
  bool FailSeeks = false;
  bool Closed = false;
  int Opens = 0;
  QVByteBool ClearCanSetPosition = 0;

  static MemoryStream& Of(QVUserValue user) { return *reinterpret_cast<MemoryStream*>(user); }

  static QVBool WINAPI Open(QVUserValue user, QVStream* stream, QVByteBool* canSetPos) {
    MemoryStream& m = Of(user);
    ++m.Opens;
    *stream = 77;
    if (m.ClearCanSetPosition) *canSetPos = 0;
    return TRUE;
  }
  static QVBool WINAPI Close(QVUserValue user, QVStream) {
    Of(user).Closed = true;
    return TRUE;
  }
  static QVBool WINAPI GetSize(QVUserValue user, QVStream, int32_t* size) {
    *size = static_cast<int32_t>(Of(user).Bytes.size());
    return TRUE;
  }
  static QVBool WINAPI Seek(QVUserValue user, QVStream, int32_t* position, int32_t origin) {
    MemoryStream& m = Of(user);
    if (m.FailSeeks) return FALSE;
    const int64_t base = origin == 0   ? 0
                         : origin == 1 ? m.Position
                                       : static_cast<int64_t>(m.Bytes.size());
    const int64_t target = base + *position;
    if (target < 0) return FALSE;
    m.Position = target;
    *position = static_cast<int32_t>(target);
    return TRUE;
  }
  static QVBool WINAPI Read(QVUserValue user, QVStream, void* buffer, int32_t bytes, int32_t* got) {
    MemoryStream& m = Of(user);
    if (m.FailReads) return FALSE;
    int64_t available = static_cast<int64_t>(m.Bytes.size()) - m.Position;
    if (available < 0) available = 0;
    const int32_t n = bytes < available ? bytes : static_cast<int32_t>(available);
    if (n > 0) std::memcpy(buffer, m.Bytes.data() + m.Position, static_cast<size_t>(n));
    m.Position += n;
    *got = n;
    return TRUE;
  }

  // The decoder core's input in callback mode over this stream.
  mpeg::InputSource Source() {
    mpeg::InputSource source;
    source.Mode = imCallback;
    source.Open = &Open;
    source.Close = &Close;
    source.GetSize = &GetSize;
    source.Seek = &Seek;
    source.Read = &Read;
    source.User = reinterpret_cast<QVUserValue>(this);
    return source;
  }
};
