#include "install/setup/ZebShortcut.h"

#include <string>

#include "platform/classlib/Exception.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Com.h"
#include "platform/win32/Files.h"
#include "platform/win32/ShellLink.h"

namespace {

// The shell's show commands, by member.
constexpr int kShowValues[] = {
    0,   // SW_HIDE
    3,   // SW_MAXIMIZE
    6,   // SW_MINIMIZE
    9,   // SW_RESTORE
    5,   // SW_SHOW
    10,  // SW_SHOWDEFAULT
    3,   // SW_SHOWMAXIMIZED
    2,   // SW_SHOWMINIMIZED
    7,   // SW_SHOWMINNOACTIVE
    8,   // SW_SHOWNA
    4,   // SW_SHOWNOACTIVATE
    1,   // SW_SHOWNORMAL
};

// Texts from the link pass through a buffer one longer than the shell is told.
constexpr int kBufferSize = MAX_PATH + 1;

// A failing shell call; its own text is never shown.
class EShellCall : public Exception {
 public:
  EShellCall() : Exception("shell call failed") {}
};

void Check(HRESULT result) {
  if (FAILED(result)) throw EShellCall();
}

// The file name in UTF-16 (the ANSI code page's conversion).
std::u16string WideName(const std::string& name) { return win32::Utf8ToUtf16(name); }

bool LinkFileExists(const std::string& name) {
  const DWORD attributes = GetFileAttributesA(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A shell-link object with its file interface, released when it goes.
class LinkObject {
 public:
  LinkObject() {
    Check(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                           reinterpret_cast<void**>(&Link)));
    if (Link == nullptr) throw EShellCall();
    Check(Link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&File)));
    if (File == nullptr) throw EShellCall();
  }
  ~LinkObject() {
    if (File) File->Release();
    if (Link) Link->Release();
  }
  LinkObject(const LinkObject&) = delete;
  LinkObject& operator=(const LinkObject&) = delete;

  void LoadFrom(const std::string& name) {
    Check(File->Load(WideName(name).c_str(), STGM_READ));
    Check(Link->Resolve(nullptr, SLR_NO_UI | SLR_ANY_MATCH));
  }

  IShellLinkA* Link = nullptr;
  IPersistFile* File = nullptr;
};

std::string BufferText(const char* buffer) { return std::string(buffer); }

}  // namespace

int ShowWindowValue(TShowWindow value) { return kShowValues[static_cast<int>(value)]; }

TShowWindow ShowWindowMember(int value) {
  if (value == 3) return TShowWindow::SW_SHOWMAXIMIZED;
  for (int member = 0; member <= static_cast<int>(TShowWindow::SW_SHOWNORMAL); ++member)
    if (kShowValues[member] == value) return static_cast<TShowWindow>(member);
  return TShowWindow::SW_SHOWNORMAL;
}

void TZebShortcut::SetArguments(const std::string& Value) {
  if (Value != FArguments) FArguments = Value;
}
void TZebShortcut::SetDescription(const std::string& Value) {
  if (Value != FDescription) FDescription = Value;
}
void TZebShortcut::SetHotKey(TShortCut Value) {
  if (Value != FHotKey) FHotKey = Value;
}
void TZebShortcut::SetIconIndex(int32_t Value) {
  if (Value != FIconIndex) FIconIndex = Value;
}
void TZebShortcut::SetIconLocation(const std::string& Value) {
  if (Value != FIconLocation) FIconLocation = Value;
}
void TZebShortcut::SetLnkFile(const std::string& Value) {
  if (Value == FLnkFile) return;
  FLnkFile = Value;
  Load();
}
void TZebShortcut::SetOptions(TZebShortcutOptions Value) {
  if (Value != FOptions) FOptions = Value;
}
void TZebShortcut::SetPathName(const std::string& Value) {
  if (Value != FPathName) FPathName = Value;
}
void TZebShortcut::SetShowCmd(TShowWindow Value) {
  if (Value != FShowCmd) FShowCmd = Value;
}
void TZebShortcut::SetWorkingDirectory(const std::string& Value) {
  if (Value != FWorkingDirectory) FWorkingDirectory = Value;
}

void TZebShortcut::Clear() {
  FArguments.clear();
  FDescription.clear();
  FHotKey = 0;
  FIconIndex = 0;
  FIconLocation.clear();
  FPathName.clear();
  FShowCmd = TShowWindow::SW_SHOWNORMAL;
  FWorkingDirectory.clear();
}

void TZebShortcut::Load() {
  Clear();
  if (!LinkFileExists(FLnkFile)) return;
  try {
    LinkObject link;
    link.LoadFrom(FLnkFile);
    char buffer[kBufferSize] = {};
    Check(link.Link->GetArguments(buffer, MAX_PATH));
    FArguments = BufferText(buffer);
    Check(link.Link->GetDescription(buffer, MAX_PATH));
    FDescription = BufferText(buffer);
    Check(link.Link->GetHotkey(&FHotKey));
    int index = FIconIndex;
    Check(link.Link->GetIconLocation(buffer, MAX_PATH, &index));
    FIconLocation = BufferText(buffer);
    FIconIndex = index;
    WIN32_FIND_DATAA found;
    Check(link.Link->GetPath(buffer, MAX_PATH, &found, FOptions));
    FPathName = BufferText(buffer);
    int show = 0;
    Check(link.Link->GetShowCmd(&show));
    FShowCmd = ShowWindowMember(show);
    Check(link.Link->GetWorkingDirectory(buffer, MAX_PATH));
    FWorkingDirectory = BufferText(buffer);
  } catch (const Exception&) {
    Clear();
  }
}

void TZebShortcut::Save() {
  try {
    LinkObject link;
    if (LinkFileExists(FLnkFile)) link.LoadFrom(FLnkFile);
    Check(link.Link->SetArguments(FArguments.c_str()));
    Check(link.Link->SetDescription(FDescription.c_str()));
    Check(link.Link->SetIconLocation(FIconLocation.c_str(), FIconIndex));
    Check(link.Link->SetHotkey(FHotKey));
    Check(link.Link->SetPath(FPathName.c_str()));
    Check(link.Link->SetShowCmd(ShowWindowValue(FShowCmd)));
    Check(link.Link->SetWorkingDirectory(FWorkingDirectory.c_str()));
    Check(link.File->Save(WideName(FLnkFile).c_str(), TRUE));
  } catch (const Exception&) {
    throw Exception("Could not create Shortcut " + FLnkFile);
  }
  Load();
}
