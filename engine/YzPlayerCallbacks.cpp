#include "engine/YzPlayerCallbacks.h"

#include "engine/YzPlayer.h"

namespace {

TYzPlayer* PlayerOf(QVUserValue UserData) { return reinterpret_cast<TYzPlayer*>(UserData); }

// Runs a dispatcher; whatever a handler lets escape ends as a failed callback.
template <class Dispatch>
QVBool Answer(Dispatch&& dispatch) {
  bool success = false;
  try {
    dispatch(success);
  } catch (...) {
    return FALSE;
  }
  return success ? TRUE : FALSE;
}

}  // namespace

QVBool WINAPI OutputCB(void* SampleData, int32_t SBits, int32_t Channels, int32_t SampleRate,
                       int32_t Size, QVUserValue UserData) {
  return Answer([&](bool& success) {
    PlayerOf(UserData)->DoOutput(SampleData, SBits, Channels, SampleRate, Size, success);
  });
}

QVBool WINAPI OutputActionCB(QVByteBool Init, QVUserValue UserData) {
  return Answer([&](bool& success) {
    if (Init != 0)
      PlayerOf(UserData)->DoOutputInit(success);
    else
      PlayerOf(UserData)->DoOutputDone(success);
  });
}

QVBool WINAPI InputOpenCB(QVUserValue UserData, QVStream* Stream, QVByteBool* CanSetPos) {
  return Answer([&](bool& success) {
    QVStream ignoredStream = 0;
    QVStream& stream = Stream ? *Stream : ignoredStream;
    bool canSetPos = CanSetPos ? *CanSetPos != 0 : true;
    PlayerOf(UserData)->DoInputOpen(stream, canSetPos, success);
    if (CanSetPos) *CanSetPos = canSetPos ? 1 : 0;
  });
}

QVBool WINAPI InputCloseCB(QVUserValue UserData, QVStream Stream) {
  return Answer([&](bool& success) { PlayerOf(UserData)->DoInputClose(Stream, success); });
}

QVBool WINAPI InputGetSizeCB(QVUserValue UserData, QVStream Stream, int32_t* Size) {
  return Answer([&](bool& success) {
    int32_t ignored = 0;
    PlayerOf(UserData)->DoInputGetSize(Stream, Size ? *Size : ignored, success);
  });
}

QVBool WINAPI InputSeekCB(QVUserValue UserData, QVStream Stream, int32_t* NewPos,
                          int32_t SeekMode) {
  return Answer([&](bool& success) {
    int32_t ignored = 0;
    PlayerOf(UserData)->DoInputSeek(Stream, NewPos ? *NewPos : ignored, SeekMode, success);
  });
}

QVBool WINAPI InputReadCB(QVUserValue UserData, QVStream Stream, void* Buffer, int32_t BytesToRead,
                          int32_t* BytesRead) {
  return Answer([&](bool& success) {
    int32_t ignored = 0;
    PlayerOf(UserData)->DoInputRead(Stream, Buffer, BytesToRead, BytesRead ? *BytesRead : ignored,
                                    success);
  });
}

void TYzPlayer::DoOutputInit(bool& Success) {
  if (OnOutputInit)
    OnOutputInit(this, Success);
  else
    Success = false;
}

void TYzPlayer::DoOutputDone(bool& Success) {
  if (OnOutputDone)
    OnOutputDone(this, Success);
  else
    Success = false;
}

void TYzPlayer::DoOutput(void* SampleData, int32_t SBits, int32_t Channels, int32_t SampleRate,
                         int32_t Size, bool& Success) {
  if (OnOutput)
    OnOutput(this, SampleData, SBits, Channels, SampleRate, Size, Success);
  else
    Success = false;
}

void TYzPlayer::DoInputOpen(QVStream& UserData, bool& CanSetPos, bool& Success) {
  if (OnInputOpen)
    OnInputOpen(this, UserData, CanSetPos, Success);
  else
    Success = false;
}

void TYzPlayer::DoInputClose(QVStream UserData, bool& Success) {
  if (OnInputClose)
    OnInputClose(this, UserData, Success);
  else
    Success = false;
}

void TYzPlayer::DoInputGetSize(QVStream UserData, int32_t& Size, bool& Success) {
  if (OnInputGetSize)
    OnInputGetSize(this, UserData, Size, Success);
  else
    Success = false;
}

void TYzPlayer::DoInputSeek(QVStream UserData, int32_t& NewPos, int32_t SeekMode, bool& Success) {
  if (OnInputSeek)
    OnInputSeek(this, UserData, NewPos, SeekMode, Success);
  else
    Success = false;
}

void TYzPlayer::DoInputRead(QVStream UserData, void* Buffer, int32_t BytesToRead,
                            int32_t& BytesRead, bool& Success) {
  if (OnInputRead)
    OnInputRead(this, UserData, Buffer, BytesToRead, BytesRead, Success);
  else
    Success = false;
}
