#include "platform/classlib/FileStream.h"

#include "platform/classlib/Format.h"
#include "platform/win32/Files.h"

TFileStream::TFileStream(const std::string& FileName, uint16_t Mode) : FFileName(FileName) {
  if (Mode == fmCreate) {
    FHandle = CreateFileA(FileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (FHandle == INVALID_HANDLE_VALUE)
      throw EFCreateError(Format("Cannot create file %s", FileName.c_str()));
    return;
  }
  static constexpr DWORD kAccess[4] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE,
                                       0};
  static constexpr DWORD kShare[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE};
  const unsigned access = Mode & 3;
  const unsigned share = (Mode & 0xF0) >> 4;
  FHandle = INVALID_HANDLE_VALUE;
  if (access < 3 && share < 5)
    FHandle = CreateFileA(FileName.c_str(), kAccess[access], kShare[share], nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
  if (FHandle == INVALID_HANDLE_VALUE)
    throw EFOpenError(Format("Cannot open file %s", FileName.c_str()));
}

TFileStream::~TFileStream() {
  if (FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
}

int32_t TFileStream::Read(void* Buffer, int32_t Count) {
  DWORD done = 0;
  if (Count <= 0 || !ReadFile(FHandle, Buffer, static_cast<DWORD>(Count), &done, nullptr)) return 0;
  return static_cast<int32_t>(done);
}

int32_t TFileStream::Write(const void* Buffer, int32_t Count) {
  DWORD done = 0;
  if (Count <= 0 || !WriteFile(FHandle, Buffer, static_cast<DWORD>(Count), &done, nullptr))
    return 0;
  return static_cast<int32_t>(done);
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  LONG high = static_cast<LONG>(Offset >> 32);
  SetLastError(ERROR_SUCCESS);
  DWORD low = SetFilePointer(FHandle, static_cast<LONG>(Offset & 0xFFFFFFFF), &high,
                             static_cast<DWORD>(Origin));
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS) return -1;
  return (static_cast<int64_t>(high) << 32) | low;
}
