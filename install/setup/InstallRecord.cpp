#include "install/setup/InstallRecord.h"

#include <unistd.h>

#include <utility>

#include "install/setup/UninstallEntry.h"
#include "platform/classlib/Format.h"
#include "platform/classlib/InOutError.h"
#include "platform/classlib/Stream.h"
#include "platform/win32/Files.h"
#include "platform/win32/Machine.h"

namespace {

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// One level only; a failure is the input/output error of the platform's code, naming the
// folder.
void MakeDirectory(const std::string& path) {
  if (CreateDirectoryA(path.c_str(), nullptr)) return;
  const int code = static_cast<int>(GetLastError());
  throw EInOutError(code, EInOutError::MessageOf(code) + ": " + path);
}

// A program or the marker is written whole into a new file beside its place first
// (WriteNewFile), which then takes that place (PutInPlace): whatever stood there, a link
// among others, is replaced and never written through, and a file at its place is always
// complete. The new file's name ends in the file's own, so a program is made executable.
std::string WriteNewFile(const std::string& path, const void* data, int32_t size) {
  static unsigned counter = 0;
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  HANDLE file = INVALID_HANDLE_VALUE;
  std::string fresh;
  // A leftover of an interrupted setup may hold a name; the next one is taken.
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    fresh = folder + "/~" + std::to_string(getpid()) + "-" + std::to_string(counter++) + "." + name;
    file = CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE)
    throw EFCreateError(Format("Cannot create file %s", path.c_str()));
  DWORD written = 0;
  const bool whole = WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) &&
                     written == static_cast<DWORD>(size) && FlushFileBuffers(file);
  CloseHandle(file);
  if (!whole) {
    DeleteFileA(fresh.c_str());
    throw EWriteError("Stream write error");
  }
  return fresh;
}

void PutInPlace(const std::string& fresh, const std::string& path) {
  if (MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return;
  DeleteFileA(fresh.c_str());
  throw EFCreateError(Format("Cannot create file %s", path.c_str()));
}

}  // namespace

InstallRecord::InstallRecord(TShellFolders& Folders, TZebShortcut& Shortcut,
                             std::function<void(int Step)> StepDone)
    : folders_(Folders), shortcut_(Shortcut), stepDone_(std::move(StepDone)) {}

void InstallRecord::StepDone() {
  ++stepsDone_;
  if (stepDone_) stepDone_(stepsDone_);
}

// The uninstall entry is written only once both programs and the marker stand complete, so
// it never names an uninstaller that is missing or cut short, however setup ends; and its
// "UninstallString" before its "DisplayName", so no entry is shown without one.
void InstallRecord::Write(const std::string& Target, Payload Converter, Payload Uninstaller,
                          std::unique_ptr<TRegIniFile>& RegFile) {
  // The per-user key is only made; whether that works is not examined. Switching the root
  // closes it.
  RegFile = std::make_unique<TRegIniFile>(kUserKey);
  RegFile->SetRootKey(HKEY_LOCAL_MACHINE);
  StepDone();

  if (!DirectoryExists(Target)) MakeDirectory(Target);
  StepDone();
  const std::pair<const char*, Payload> files[] = {
      {"/Brassel.exe", Converter},
      {"/Uninstall.exe", Uninstaller},
      {"/setup.log", {Target.data(), static_cast<int32_t>(Target.size())}}};
  for (const auto& [name, bytes] : files) {
    const std::string path = Target + name;
    const std::string fresh = WriteNewFile(path, bytes.Data, bytes.Size);
    StepDone();
    PutInPlace(fresh, path);
    StepDone();
  }

  WriteUninstallEntry(*RegFile, Target + "/Uninstall.exe");

  const std::string makerFolder = folders_.GetPrograms() + "Ormund";
  if (!DirectoryExists(makerFolder)) MakeDirectory(makerFolder);
  StepDone();

  shortcut_.SetLnkFile(folders_.GetPrograms() + "Ormund/Brassel.lnk");
  shortcut_.SetPathName(Target + "/Brassel.exe");
  shortcut_.SetArguments("/e:8192");
  shortcut_.Save();
  shortcut_.Clear();
  StepDone();

  shortcut_.SetLnkFile(folders_.GetDesktop() + "Brassel.lnk");
  shortcut_.SetPathName(Target + "/Brassel.exe");
  shortcut_.SetArguments("/e:8192");
  shortcut_.Save();
  StepDone();
}

// An entry that fails half-way is put back as it was before; where even that fails, the
// failure's message says where the entry stays.
void InstallRecord::WriteUninstallEntry(TRegIniFile& RegFile, const std::string& UninstallString) {
  const UninstallEntry before = UninstallEntry::Read(kUninstallKey);
  try {
    RegFile.CreateKey(kUninstallKey);
    StepDone();
    RegFile.WriteString(kUninstallKey, "UninstallString", UninstallString);
    StepDone();
    RegFile.WriteString(kUninstallKey, "DisplayName", "Brassel 1.2");
    StepDone();
  } catch (Exception& failure) {
    try {
      before.Restore();
    } catch (const Exception&) {
      // Told below.
    }
    if (!(UninstallEntry::Read(kUninstallKey) == before))
      failure.SetMessage(failure.Message() + "\nCould not take back the uninstall entry in " +
                         win32::MachineHivePath());
    throw;
  }
}
