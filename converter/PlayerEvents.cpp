#include "converter/Main.h"

#include "platform/classlib/FileStream.h"

// Player 0's events: file-backed input for the callback input mode, every output call
// accepted. With file input and WAV-file output, the converter's own configuration, the
// modules call none of them.

void TForm1::PlayerManPlayers0OutputInit(TObject*, bool& Success) { Success = true; }
void TForm1::PlayerManPlayers0OutputDone(TObject*, bool& Success) { Success = true; }
void TForm1::PlayerManPlayers0Output(TObject*, void*, int32_t, int32_t, int32_t, int32_t,
                                     bool& Success) {
  Success = true;
}

void TForm1::PlayerManPlayers0InputOpen(TObject*, QVStream& UserData, bool& CanSetPos,
                                        bool& Success) {
  try {
    auto* stream = new TFileStream(TakenPlayer().InputName(), fmOpenRead | fmShareDenyWrite);
    UserData = reinterpret_cast<QVStream>(static_cast<TObject*>(stream));
    CanSetPos = true;
    Success = true;
  } catch (...) {
    Success = false;
  }
}

namespace {
TFileStream* AsFileStream(QVStream UserData) {
  return dynamic_cast<TFileStream*>(reinterpret_cast<TObject*>(UserData));
}
}  // namespace

void TForm1::PlayerManPlayers0InputClose(TObject*, QVStream UserData, bool&) {
  if (UserData != 0) delete AsFileStream(UserData);
}

void TForm1::PlayerManPlayers0InputGetSize(TObject*, QVStream UserData, int32_t& Size,
                                           bool& Success) {
  TFileStream* stream = UserData != 0 ? AsFileStream(UserData) : nullptr;
  Success = false;
  if (stream == nullptr) return;
  try {
    Size = static_cast<int32_t>(stream->Size());
    Success = true;
  } catch (...) {
    Success = false;
  }
}

void TForm1::PlayerManPlayers0InputSeek(TObject*, QVStream UserData, int32_t& NewPos,
                                        int32_t SeekMode, bool& Success) {
  TFileStream* stream = UserData != 0 ? AsFileStream(UserData) : nullptr;
  Success = false;
  if (stream == nullptr || SeekMode < 0 || SeekMode > 2) return;
  try {
    const int64_t origin = SeekMode == 0 ? 0 : SeekMode == 1 ? stream->Position() : stream->Size();
    const int64_t reached = stream->Seek(NewPos, static_cast<TSeekOrigin>(SeekMode));
    Success = reached >= 0 && reached == origin + NewPos;
    if (reached >= 0) NewPos = static_cast<int32_t>(reached);
  } catch (...) {
    Success = false;
  }
}

void TForm1::PlayerManPlayers0InputRead(TObject*, QVStream UserData, void* Buffer,
                                        int32_t BytesToRead, int32_t& BytesRead, bool& Success) {
  TFileStream* stream = UserData != 0 ? AsFileStream(UserData) : nullptr;
  Success = false;
  if (stream == nullptr) return;
  try {
    BytesRead = stream->Read(Buffer, BytesToRead);
    Success = BytesRead >= 0;
  } catch (...) {
    Success = false;
  }
}
