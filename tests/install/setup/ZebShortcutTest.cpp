// The shortcut component over the shell-link object, in a single-threaded apartment.
#include "install/setup/ZebShortcut.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/classlib/Exception.h"
#include "platform/win32/Com.h"
#include "platform/win32/ShellLink.h"
#include "tests/install/InstallProcess.h"
#include "tests/support/TempFolder.h"

namespace {

using install_test::ReadFileBytes;
using install_test::WriteFileBytes;

uint32_t ShowCommandInFile(const std::string& path) {
  const std::string b = ReadFileBytes(path);
  if (b.size() < 0x40) return 0xFFFFFFFF;
  return uint8_t(b[0x3C]) | uint8_t(b[0x3D]) << 8 | uint8_t(b[0x3E]) << 16 |
         uint32_t(uint8_t(b[0x3F])) << 24;
}

class ZebShortcutTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
  void TearDown() override { CoUninitialize(); }

  void FillSettings(TZebShortcut& link) {
    link.SetPathName(Dir.File("Brassel.exe"));
    link.SetArguments("/e:8192");
    link.SetDescription("Converter");
    link.SetWorkingDirectory("/music");
    link.SetIconLocation("/icons/b.ico");
    link.SetIconIndex(4);
    link.SetHotKey(0x0342);
    link.SetShowCmd(TShowWindow::SW_SHOWMINNOACTIVE);
  }

  std::string SaveError(TZebShortcut& link) {
    try {
      link.Save();
    } catch (const Exception& e) {
      return e.Message();
    }
    return "";
  }

  TempFolder Dir;
};

TEST_F(ZebShortcutTest, NewInstanceAndMissingLinkFile) {
  TZebShortcut link(nullptr);
  EXPECT_EQ(link.ShowCmd(), TShowWindow::SW_HIDE);
  EXPECT_EQ(link.Options(), 0);
  link.SetArguments("left over");
  link.SetLnkFile(Dir.File("none.lnk"));
  EXPECT_EQ(link.Arguments(), "");
  EXPECT_EQ(link.ShowCmd(), TShowWindow::SW_SHOWNORMAL);
  EXPECT_EQ(link.LnkFile(), Dir.File("none.lnk"));
}

TEST_F(ZebShortcutTest, SaveCreatesTheLinkAndReadsItBack) {
  WriteFileBytes(Dir.File("Brassel.exe"), "program");
  TZebShortcut link(nullptr);
  link.SetLnkFile(Dir.File("Brassel.lnk"));
  FillSettings(link);
  link.Save();
  EXPECT_EQ(ShowCommandInFile(Dir.File("Brassel.lnk")), 7u);

  TZebShortcut other(nullptr);
  other.SetLnkFile(Dir.File("Brassel.lnk"));
  EXPECT_EQ(other.PathName(), Dir.File("Brassel.exe"));
  EXPECT_EQ(other.Arguments(), "/e:8192");
  EXPECT_EQ(other.Description(), "Converter");
  EXPECT_EQ(other.WorkingDirectory(), "/music");
  EXPECT_EQ(other.IconLocation(), "/icons/b.ico");
  EXPECT_EQ(other.IconIndex(), 4);
  EXPECT_EQ(other.HotKey(), 0x0342);
  EXPECT_EQ(other.ShowCmd(), TShowWindow::SW_SHOWMINNOACTIVE);

  // The same path again does not reload: changes made since stay.
  other.SetArguments("changed");
  other.SetLnkFile(Dir.File("Brassel.lnk"));
  EXPECT_EQ(other.Arguments(), "changed");
}

TEST_F(ZebShortcutTest, ShowCommandsTravelAsTheShellsValues) {
  const struct {
    TShowWindow Member;
    uint32_t Value;
    TShowWindow Loaded;
  } cases[] = {
      {TShowWindow::SW_HIDE, 0, TShowWindow::SW_HIDE},
      {TShowWindow::SW_SHOWNORMAL, 1, TShowWindow::SW_SHOWNORMAL},
      {TShowWindow::SW_SHOWMINIMIZED, 2, TShowWindow::SW_SHOWMINIMIZED},
      {TShowWindow::SW_MAXIMIZE, 3, TShowWindow::SW_SHOWMAXIMIZED},
      {TShowWindow::SW_SHOWMAXIMIZED, 3, TShowWindow::SW_SHOWMAXIMIZED},
      {TShowWindow::SW_SHOWNOACTIVATE, 4, TShowWindow::SW_SHOWNOACTIVATE},
      {TShowWindow::SW_SHOW, 5, TShowWindow::SW_SHOW},
      {TShowWindow::SW_MINIMIZE, 6, TShowWindow::SW_MINIMIZE},
      {TShowWindow::SW_SHOWMINNOACTIVE, 7, TShowWindow::SW_SHOWMINNOACTIVE},
      {TShowWindow::SW_SHOWNA, 8, TShowWindow::SW_SHOWNA},
      {TShowWindow::SW_RESTORE, 9, TShowWindow::SW_RESTORE},
      {TShowWindow::SW_SHOWDEFAULT, 10, TShowWindow::SW_SHOWDEFAULT},
  };
  for (const auto& c : cases) {
    TZebShortcut link(nullptr);
    link.SetLnkFile(Dir.File("show.lnk"));
    link.SetShowCmd(c.Member);
    link.Save();
    EXPECT_EQ(ShowCommandInFile(Dir.File("show.lnk")), c.Value);
    EXPECT_EQ(link.ShowCmd(), c.Loaded) << c.Value;
    std::filesystem::remove(Dir.File("show.lnk"));
  }
  EXPECT_EQ(ShowWindowMember(11), TShowWindow::SW_SHOWNORMAL);
  EXPECT_EQ(ShowWindowMember(-1), TShowWindow::SW_SHOWNORMAL);
}

TEST_F(ZebShortcutTest, SaveChangesAnExistingLinkAndKeepsWhatItHoldsBeyond) {
  const std::string path = Dir.File("existing.lnk");
  {
    IShellLinkA* raw = nullptr;
    IPersistFile* file = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                               reinterpret_cast<void**>(&raw)),
              S_OK);
    raw->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    raw->SetPath("/old/target");
    raw->SetRelativePath("../old/target", 0);
    raw->SetDescription("kept");
    const std::u16string wide(path.begin(), path.end());
    ASSERT_EQ(file->Save(wide.c_str(), TRUE), S_OK);
    file->Release();
    raw->Release();
  }
  TZebShortcut link(nullptr);
  link.SetLnkFile(path);
  EXPECT_EQ(link.Description(), "kept");
  link.SetPathName("/new/target");
  link.Save();
  EXPECT_EQ(link.PathName(), "/new/target");
  EXPECT_EQ(link.Description(), "kept");
  // The relative path, which the component does not know, is still in the file.
  const std::string bytes = ReadFileBytes(path);
  const std::u16string relative = u"../old/target";
  std::string encoded;
  for (char16_t c : relative) encoded += char(c), encoded += '\0';
  EXPECT_NE(bytes.find(encoded), std::string::npos);
}

TEST_F(ZebShortcutTest, SaveFailuresKeepTheSettings) {
  TZebShortcut missingFolder(nullptr);
  missingFolder.SetLnkFile(Dir.File("no/folder/Brassel.lnk"));
  FillSettings(missingFolder);
  EXPECT_EQ(SaveError(missingFolder),
            "Could not create Shortcut " + (Dir.File("no/folder/Brassel.lnk")));
  EXPECT_FALSE(std::filesystem::exists(Dir.File("no")));
  EXPECT_EQ(missingFolder.Arguments(), "/e:8192");
  EXPECT_EQ(missingFolder.ShowCmd(), TShowWindow::SW_SHOWMINNOACTIVE);

  // A file that is no link loads as nothing and cannot be saved over.
  WriteFileBytes(Dir.File("text.lnk"), "no link at all, only text of some length............");
  TZebShortcut notALink(nullptr);
  notALink.SetArguments("before");
  notALink.SetLnkFile(Dir.File("text.lnk"));
  EXPECT_EQ(notALink.Arguments(), "");
  notALink.SetArguments("/e:8192");
  EXPECT_EQ(SaveError(notALink), "Could not create Shortcut " + (Dir.File("text.lnk")));
  EXPECT_EQ(notALink.Arguments(), "/e:8192");
  EXPECT_EQ(ReadFileBytes(Dir.File("text.lnk")),
            "no link at all, only text of some length............");
}

TEST_F(ZebShortcutTest, LongTextsAreCutWhenLoaded) {
  TZebShortcut link(nullptr);
  link.SetLnkFile(Dir.File("long.lnk"));
  link.SetDescription(std::string(400, 'd'));
  link.Save();
  EXPECT_EQ(link.Description(), std::string(MAX_PATH - 1, 'd'));
}

TEST(ZebShortcutOutsideAnApartment, LoadClearsAndSaveRaises) {
  TempFolder dir;
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  {
    TZebShortcut link(nullptr);
    link.SetLnkFile(dir.File("made.lnk"));
    link.SetArguments("/e:8192");
    link.Save();
  }
  CoUninitialize();
  TZebShortcut link(nullptr);
  link.SetLnkFile(dir.File("made.lnk"));
  EXPECT_EQ(link.Arguments(), "");
  EXPECT_EQ(link.ShowCmd(), TShowWindow::SW_SHOWNORMAL);
  EXPECT_THROW(link.Save(), Exception);
}

}  // namespace
