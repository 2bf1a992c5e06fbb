#include "tests/install/setup/SetupFixture.h"

#include <filesystem>

#include "install/setup/Setup.h"
#include "install/setup/Unit1.h"
#include "install/setup/Unit2.h"
#include "platform/classlib/Application.h"
#include "platform/classlib/ExceptionHandler.h"
#include "platform/win32/Resources.h"
#include "platform/win32/ShellLink.h"
#include "tests/install/InstallProcess.h"

namespace setup_test {

RegValue QueryValue(HKEY Root, const std::string& Key, const std::string& Name) {
  RegValue value;
  HKEY key = nullptr;
  if (RegOpenKeyExA(Root, Key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExA(key, Name.c_str(), nullptr, &value.Type, nullptr, &size) == ERROR_SUCCESS) {
    value.Data.resize(size);
    value.Exists =
        RegQueryValueExA(key, Name.c_str(), nullptr, &value.Type,
                         reinterpret_cast<BYTE*>(value.Data.data()), &size) == ERROR_SUCCESS;
  }
  RegCloseKey(key);
  return value;
}

bool KeyExists(HKEY Root, const std::string& Key) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(Root, Key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

LinkContents ReadLink(const std::string& FileName) {
  LinkContents contents;
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return contents;
  link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  const std::u16string wide(FileName.begin(), FileName.end());
  if (file && SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) {
    contents.Loaded = true;
    char text[MAX_PATH];
    link->GetPath(text, MAX_PATH, nullptr, 0);
    contents.Path = text;
    link->GetArguments(text, MAX_PATH);
    contents.Arguments = text;
    link->GetDescription(text, MAX_PATH);
    contents.Description = text;
    link->GetWorkingDirectory(text, MAX_PATH);
    contents.WorkingDirectory = text;
    link->GetIconLocation(text, MAX_PATH, &contents.IconIndex);
    contents.IconLocation = text;
    link->GetHotkey(&contents.HotKey);
    link->GetShowCmd(&contents.ShowCmd);
  }
  if (file) file->Release();
  link->Release();
  return contents;
}

std::string ResourceBytes(const char* Name, const char* Type) {
  HRSRC resource = FindResourceA(nullptr, Name, Type);
  if (resource == nullptr) return "";
  const void* bytes = LockResource(LoadResource(nullptr, resource));
  return std::string(static_cast<const char*>(bytes), SizeofResource(nullptr, resource));
}

void SetupTest::SetUp() {
  // The parent runs the test in a child; the test body then returns at once.
  if (install_test::RunInChild()) return;
  Root = std::make_unique<PlatformRoot>();
  Dialogs = std::make_unique<TScriptedDialogs>();
  CreateSetupForms();
  Started = true;
  LinksInTheRoot = RootLinksPresent();
  // A fresh home: no desktop folder until the platform hands it out.
  ASSERT_FALSE(std::filesystem::exists(Root->Home() + "/Desktop"));
}

// Links that a lost shell folder sent to the root of the file system, where a test run as the
// superuser could make them; each is a failure, and is removed again.
bool SetupTest::RootLinksPresent() {
  return std::filesystem::exists("/Brassel.lnk") || std::filesystem::exists("/Ormund/Brassel.lnk");
}

void SetupTest::TearDown() {
  if (!Started) return;
  if (!LinksInTheRoot && RootLinksPresent()) {
    ADD_FAILURE() << "setup wrote its links into the root of the file system";
    std::error_code ignored;
    std::filesystem::remove("/Brassel.lnk", ignored);
    std::filesystem::remove("/Ormund/Brassel.lnk", ignored);
    std::filesystem::remove("/Ormund", ignored);
  }
  delete Form2;
  delete Form1;
  EndSetup();
  Dialogs.reset();
  Root.reset();
}

void SetupTest::Click(TControl* Control) {
  CallHandled(Control, [Control] { Control->Click(); });
}

void SetupTest::Tick(int Count) {
  for (int i = 0; i < Count; ++i) CallHandled(Form2->Timer1, [] { Form2->Timer1->Timer(); });
}

std::string SetupTest::ChooseFolder(const std::string& Folder) {
  Click(Form2->Button2);
  Dialogs->AnswerFolder(Folder);
  Click(Form2->SpeedButton1);
  return Form2->Memo1->Text();
}

// A folder that a test writes into or removes lies in the test's own home or platform root;
// any other answer is a failure, and the test gets a harmless folder instead.
std::string SetupTest::OwnFolder(const std::string& Folder) {
  const std::string base = std::filesystem::path(Root->Root()).parent_path().string() + "/";
  if (Folder.starts_with(base)) return Folder;
  ADD_FAILURE() << "a shell folder outside the test's own folders: " << Folder;
  return Root->Scratch() + "/outside/";
}

std::string SetupTest::Desktop() { return OwnFolder(Form2->ShellFolders1->GetDesktop()); }
std::string SetupTest::Programs() { return OwnFolder(Form2->ShellFolders1->GetPrograms()); }

bool SetupTest::Ended() const { return Application->Terminated(); }

}  // namespace setup_test
