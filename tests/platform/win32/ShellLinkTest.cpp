#include "platform/win32/ShellLink.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace {

std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

uint32_t Le32(const std::string& b, size_t at) {
  return uint8_t(b[at]) | uint8_t(b[at + 1]) << 8 | uint8_t(b[at + 2]) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}
uint16_t Le16(const std::string& b, size_t at) {
  return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}

// A counted UTF-16 string of the string data at `at`; moves `at` past it.
std::string CountedAscii(const std::string& b, size_t& at) {
  const size_t count = Le16(b, at);
  std::string text;
  for (size_t i = 0; i < count; ++i) text.push_back(char(Le16(b, at + 2 + 2 * i)));
  at += 2 + 2 * count;
  return text;
}

// A shell-link object from the class table, in a single-threaded apartment of its own.
class ShellLinkTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                               reinterpret_cast<void**>(&Link)),
              S_OK);
    ASSERT_EQ(Link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&File)), S_OK);
  }
  void TearDown() override {
    if (File) File->Release();
    if (Link) Link->Release();
    CoUninitialize();
  }

  // A second object that loads the file.
  struct Loaded {
    IShellLinkA* Link = nullptr;
    IPersistFile* File = nullptr;
    HRESULT Result = E_FAIL;
    ~Loaded() {
      if (File) File->Release();
      if (Link) Link->Release();
    }
  };
  void LoadInto(Loaded& loaded, const std::string& path) {
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                               reinterpret_cast<void**>(&loaded.Link)),
              S_OK);
    ASSERT_EQ(loaded.Link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&loaded.File)),
              S_OK);
    loaded.Result = loaded.File->Load(Wide(path).c_str(), STGM_READ);
  }

  void FillEverything(const std::string& target) {
    ASSERT_EQ(Link->SetPath(target.c_str()), S_OK);
    ASSERT_EQ(Link->SetArguments("/e:8192"), S_OK);
    ASSERT_EQ(Link->SetDescription("Brassel converter"), S_OK);
    ASSERT_EQ(Link->SetWorkingDirectory("/opt/work"), S_OK);
    ASSERT_EQ(Link->SetIconLocation("/opt/icons.dll", -3), S_OK);
    ASSERT_EQ(Link->SetHotkey(WORD(HOTKEYF_CONTROL | HOTKEYF_ALT) << 8 | 'B'), S_OK);
    ASSERT_EQ(Link->SetShowCmd(7), S_OK);
  }

  TempFolder Dir;
  IShellLinkA* Link = nullptr;
  IPersistFile* File = nullptr;
};

TEST_F(ShellLinkTest, SavedFileFollowsTheBinaryFormat) {
  const std::string target = Dir.File("Brassel.exe");
  WriteBytes(target, std::string(1234, 'x'));
  FillEverything(target);
  const std::string path = Dir.File("Brassel.lnk");
  ASSERT_EQ(File->Save(Wide(path).c_str(), TRUE), S_OK);
  const std::string b = ReadBytes(path);
  ASSERT_GE(b.size(), 0x4Cu);

  EXPECT_EQ(Le32(b, 0), 0x4Cu);
  const unsigned char clsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                   0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
  EXPECT_EQ(std::memcmp(b.data() + 4, clsid, 16), 0);
  // HasLinkInfo, HasName, HasWorkingDir, HasArguments, HasIconLocation, IsUnicode.
  EXPECT_EQ(Le32(b, 0x14), 0x02u | 0x04u | 0x10u | 0x20u | 0x40u | 0x80u);
  EXPECT_EQ(Le32(b, 0x18), 0x20u);  // the target's attributes: an archive file
  EXPECT_EQ(Le32(b, 0x34), 1234u);  // the target's size
  EXPECT_EQ(int32_t(Le32(b, 0x38)), -3);
  EXPECT_EQ(Le32(b, 0x3C), 7u);
  EXPECT_EQ(Le16(b, 0x40), (HOTKEYF_CONTROL | HOTKEYF_ALT) << 8 | 'B');
  EXPECT_EQ(Le16(b, 0x42), 0u);
  EXPECT_EQ(Le32(b, 0x44), 0u);
  EXPECT_EQ(Le32(b, 0x48), 0u);

  // Link information: volume and local base path.
  const size_t info = 0x4C;
  const uint32_t infoSize = Le32(b, info);
  EXPECT_EQ(Le32(b, info + 4), 0x1Cu);
  EXPECT_EQ(Le32(b, info + 8), 1u);
  const uint32_t volume = Le32(b, info + 12);
  EXPECT_GE(Le32(b, info + volume), 0x10u);
  EXPECT_EQ(Le32(b, info + volume + 4), 3u);  // a fixed drive
  EXPECT_EQ(std::string(b.c_str() + info + Le32(b, info + 16)), target);
  EXPECT_EQ(Le32(b, info + 20), 0u);
  EXPECT_EQ(std::string(b.c_str() + info + Le32(b, info + 24)), "");

  // String data in its order: description, working directory, arguments, icon location.
  size_t at = info + infoSize;
  EXPECT_EQ(CountedAscii(b, at), "Brassel converter");
  EXPECT_EQ(CountedAscii(b, at), "/opt/work");
  EXPECT_EQ(CountedAscii(b, at), "/e:8192");
  EXPECT_EQ(CountedAscii(b, at), "/opt/icons.dll");
  ASSERT_EQ(b.size(), at + 4);
  EXPECT_EQ(Le32(b, at), 0u);  // the terminal block
}

TEST_F(ShellLinkTest, NewLinkWritesOnlyHeaderAndTerminalBlock) {
  const std::string path = Dir.File("empty.lnk");
  ASSERT_EQ(File->Save(Wide(path).c_str(), TRUE), S_OK);
  const std::string b = ReadBytes(path);
  ASSERT_EQ(b.size(), 0x4Cu + 4);
  EXPECT_EQ(Le32(b, 0x14), 0x80u);
  EXPECT_EQ(Le32(b, 0x3C), 1u);  // a new link shows a normal window
}

TEST_F(ShellLinkTest, EverySettingReadsBackFromTheFile) {
  const std::string target = Dir.File("Brassel.exe");
  WriteBytes(target, "program");
  FillEverything(target);
  ASSERT_EQ(Link->SetDescription("Grüße ¤ 1.2"), S_OK);
  const std::string path = Dir.File("Brassel.lnk");
  ASSERT_EQ(File->Save(Wide(path).c_str(), TRUE), S_OK);
  EXPECT_EQ(File->IsDirty(), S_FALSE);

  Loaded loaded;
  LoadInto(loaded, path);
  ASSERT_EQ(loaded.Result, S_OK);
  char text[MAX_PATH + 1];
  WIN32_FIND_DATAA found;
  EXPECT_EQ(loaded.Link->GetPath(text, MAX_PATH, &found, SLGP_SHORTPATH), S_OK);
  EXPECT_EQ(std::string(text), target);
  EXPECT_EQ(std::string(found.cFileName), "Brassel.exe");
  EXPECT_EQ(found.nFileSizeLow, 7u);
  EXPECT_EQ(loaded.Link->GetArguments(text, MAX_PATH), S_OK);
  EXPECT_EQ(std::string(text), "/e:8192");
  EXPECT_EQ(loaded.Link->GetDescription(text, MAX_PATH), S_OK);
  EXPECT_EQ(std::string(text), "Grüße ¤ 1.2");
  EXPECT_EQ(loaded.Link->GetWorkingDirectory(text, MAX_PATH), S_OK);
  EXPECT_EQ(std::string(text), "/opt/work");
  int icon = 0;
  EXPECT_EQ(loaded.Link->GetIconLocation(text, MAX_PATH, &icon), S_OK);
  EXPECT_EQ(std::string(text), "/opt/icons.dll");
  EXPECT_EQ(icon, -3);
  WORD hotkey = 0;
  EXPECT_EQ(loaded.Link->GetHotkey(&hotkey), S_OK);
  EXPECT_EQ(hotkey, WORD((HOTKEYF_CONTROL | HOTKEYF_ALT) << 8 | 'B'));
  int show = 0;
  EXPECT_EQ(loaded.Link->GetShowCmd(&show), S_OK);
  EXPECT_EQ(show, 7);
  EXPECT_EQ(loaded.Link->Resolve(nullptr, SLR_NO_UI | SLR_ANY_MATCH), S_OK);
}

TEST_F(ShellLinkTest, GettersCutLongTextsToTheBuffer) {
  const std::string longText(300, 'a');
  ASSERT_EQ(Link->SetArguments(longText.c_str()), S_OK);
  const std::string path = Dir.File("long.lnk");
  ASSERT_EQ(File->Save(Wide(path).c_str(), TRUE), S_OK);
  Loaded loaded;
  LoadInto(loaded, path);
  ASSERT_EQ(loaded.Result, S_OK);
  char text[MAX_PATH + 1];
  std::memset(text, 'z', sizeof text);
  EXPECT_EQ(loaded.Link->GetArguments(text, MAX_PATH), S_OK);
  EXPECT_EQ(std::string(text), std::string(MAX_PATH - 1, 'a'));
  EXPECT_EQ(text[MAX_PATH], 'z');
}

TEST_F(ShellLinkTest, ResolveTellsAMissingTargetWithoutFailing) {
  ASSERT_EQ(Link->SetPath(Dir.File("gone.exe").c_str()), S_OK);
  EXPECT_EQ(Link->Resolve(nullptr, SLR_NO_UI | SLR_ANY_MATCH), S_FALSE);
  ASSERT_EQ(Link->SetPath(""), S_OK);
  EXPECT_EQ(Link->Resolve(nullptr, SLR_NO_UI | SLR_ANY_MATCH), S_OK);
}

TEST_F(ShellLinkTest, LoadRefusesWhatIsNotALink) {
  WriteBytes(Dir.File("text.lnk"), "this is no shell link, just some text of some length.........");
  WriteBytes(Dir.File("empty.lnk"), "");
  Loaded text, empty, missing;
  LoadInto(text, Dir.File("text.lnk"));
  LoadInto(empty, Dir.File("empty.lnk"));
  LoadInto(missing, Dir.File("missing.lnk"));
  EXPECT_EQ(text.Result, E_FAIL);
  EXPECT_EQ(empty.Result, E_FAIL);
  EXPECT_EQ(missing.Result, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

TEST_F(ShellLinkTest, EveryCutOfALinkIsRefusedAndKeepsTheObject) {
  FillEverything(Dir.File("Brassel.exe"));
  const std::string path = Dir.File("whole.lnk");
  ASSERT_EQ(File->Save(Wide(path).c_str(), TRUE), S_OK);
  const std::string whole = ReadBytes(path);
  // The terminal block may be missing; anything shorter is a damaged link.
  for (size_t length = 0; length + 4 < whole.size(); ++length) {
    WriteBytes(Dir.File("cut.lnk"), whole.substr(0, length));
    EXPECT_EQ(File->Load(Wide(Dir.File("cut.lnk")).c_str(), STGM_READ), E_FAIL) << length;
  }
  char text[MAX_PATH];
  EXPECT_EQ(Link->GetArguments(text, MAX_PATH), S_OK);
  EXPECT_EQ(std::string(text), "/e:8192");
}

TEST_F(ShellLinkTest, SaveIntoAMissingFolderFails) {
  const std::string path = Dir.File("no/such/folder.lnk");
  EXPECT_TRUE(FAILED(File->Save(Wide(path).c_str(), TRUE)));
  EXPECT_FALSE(std::ifstream(path).good());
}

// A link as another writer may make it: an item ID list, single-byte string data, and link
// information with Unicode offsets.
TEST_F(ShellLinkTest, ReadsIdListsSingleByteStringsAndUnicodePaths) {
  std::string b;
  auto u16 = [&b](uint32_t v) { b.push_back(char(v)), b.push_back(char(v >> 8)); };
  auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
  u32(0x4C);
  const unsigned char clsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                   0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
  b.append(reinterpret_cast<const char*>(clsid), 16);
  u32(0x01 | 0x02 | 0x20);  // ID list, link info, arguments; not Unicode
  b.append(0x38 - b.size(), '\0');
  u32(3);  // icon index
  u32(3);  // show maximised
  u16(0);
  b.append(10, '\0');
  u16(4);
  u32(0xDEADBEEF);  // an item ID list the reader skips
  const std::string base = "/mnt/ü/";
  const std::u16string wideBase = u"/mnt/\u00FC/";
  const size_t info = b.size();
  const uint32_t volume = 0x24, baseOffset = volume + 0x11, suffixOffset = baseOffset + 8;
  const uint32_t wideBaseOffset = suffixOffset + 8, wideSuffixOffset = wideBaseOffset + 16;
  u32(0);  // size, patched below
  u32(0x24);
  u32(1);
  u32(volume);
  u32(baseOffset);
  u32(0);
  u32(suffixOffset);
  u32(wideBaseOffset);
  u32(wideSuffixOffset);
  u32(0x11), u32(3), u32(0), u32(0x10);
  b.push_back('\0');
  b += "/mnt/?/";  // the single-byte form, which the Unicode form overrides
  b.push_back('\0');
  b += "tool";
  b.append(4, '\0');
  for (char16_t c : wideBase) u16(c);
  u16(0);
  for (char16_t c : std::u16string(u"tool")) u16(c);
  u16(0);
  const uint32_t infoSize = uint32_t(b.size() - info);
  for (int i = 0; i < 4; ++i) b[info + i] = char(infoSize >> (8 * i));
  u16(4);
  b += "-x -y";  // counted four: "-x -"
  u32(0);
  WriteBytes(Dir.File("other.lnk"), b);

  Loaded loaded;
  LoadInto(loaded, Dir.File("other.lnk"));
  ASSERT_EQ(loaded.Result, S_OK);
  char text[MAX_PATH];
  loaded.Link->GetPath(text, MAX_PATH, nullptr, 0);
  EXPECT_EQ(std::string(text), base + "tool");
  loaded.Link->GetArguments(text, MAX_PATH);
  EXPECT_EQ(std::string(text), "-x -");
  int show = 0, icon = 0;
  loaded.Link->GetShowCmd(&show);
  loaded.Link->GetIconLocation(text, MAX_PATH, &icon);
  EXPECT_EQ(show, 3);
  EXPECT_EQ(icon, 3);
}

TEST(ShellLinkClass, AnswersItsInterfacesOnlyInsideAnApartment) {
  void* object = nullptr;
  EXPECT_EQ(
      CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, &object),
      CO_E_NOTINITIALIZED);
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  IUnknown* unknown = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&unknown)),
            S_OK);
  IPersistFile* file = nullptr;
  EXPECT_EQ(unknown->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
  CLSID clsid{};
  EXPECT_EQ(file->GetClassID(&clsid), S_OK);
  EXPECT_TRUE(clsid == CLSID_ShellLink);
  const IID other = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
  EXPECT_EQ(unknown->QueryInterface(other, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  file->Release();
  EXPECT_EQ(unknown->Release(), 0u);
  CoUninitialize();
}

}  // namespace
