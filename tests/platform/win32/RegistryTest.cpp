#include "platform/win32/Registry.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/Machine.h"
#include "platform/win32/RegistryHive.h"
#include "tests/support/PlatformRoot.h"
#include "tests/support/Files.h"

using namespace std::string_literals;

namespace {

ino_t Inode(const std::string& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return info.st_ino;
}

bool KeyExistsIn(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// A chain of keys, as a hive file line: "[a\\a\\...]".
std::string DeepKeyLine(size_t depth) {
  std::string line = "[a";
  for (size_t level = 1; level < depth; ++level) line += "\\a";
  return line + "]\n";
}

class RegistryTest : public ::testing::Test {
 protected:
  HKEY Create(HKEY root, const char* path, REGSAM access = KEY_ALL_ACCESS,
              DWORD* disposition = nullptr) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                              &key, disposition),
              static_cast<LONG>(ERROR_SUCCESS));
    return key;
  }
  void SetString(HKEY key, const char* name, const std::string& text) {
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
              static_cast<LONG>(ERROR_SUCCESS));
  }
  // The value's type and bytes, read the way callers do: size first, then data.
  LONG Query(HKEY key, const char* name, DWORD& type, std::string& data) {
    DWORD size = 0;
    LONG result = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    if (result != static_cast<LONG>(ERROR_SUCCESS)) return result;
    data.assign(size, '\0');
    return RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  }
  // A REG_SZ value that holds the text and its NUL.
  void ExpectString(HKEY key, const char* name, const std::string& text) {
    DWORD type = 0;
    std::string data;
    EXPECT_EQ(Query(key, name, type, data), static_cast<LONG>(ERROR_SUCCESS)) << name;
    EXPECT_EQ(type, REG_SZ) << name;
    EXPECT_EQ(data, text + std::string(1, '\0')) << name;
  }

  PlatformRoot FRoot;
};

TEST_F(RegistryTest, FreshUserHiveHoldsTheShellFolders) {
  std::filesystem::create_directories(FRoot.Home() + "/.config");
  std::ofstream(FRoot.Home() + "/.config/user-dirs.dirs")
      << "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n";

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, win32::kShellFoldersKey, 0, KEY_READ, &key),
            static_cast<LONG>(ERROR_SUCCESS));
  DWORD type = 0;
  std::string data;
  ASSERT_EQ(Query(key, "Desktop", type, data), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(data, FRoot.Home() + "/Schreibtisch" + std::string(1, '\0'));
  // A fresh home has no desktop yet: the folders exist once they are handed out.
  EXPECT_TRUE(std::filesystem::is_directory(FRoot.Home() + "/Schreibtisch"));
  ASSERT_EQ(Query(key, "Programs", type, data), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(data, FRoot.Root() + "/Programs" + std::string(1, '\0'));
  EXPECT_TRUE(std::filesystem::is_directory(FRoot.Root() + "/Programs"));
  RegCloseKey(key);

  // Only the user's hive is seeded.
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, win32::kShellFoldersKey, 0, KEY_READ, &key),
            static_cast<LONG>(ERROR_FILE_NOT_FOUND));
}

TEST_F(RegistryTest, DesktopWithoutUserDirsIsInHome) {
  EXPECT_EQ(win32::UserDesktopFolder(), FRoot.Home() + "/Desktop");
}

// The user's desktop setting is taken when it names a folder; the root or a relative path is
// no desktop, and the one in the home is used.
TEST_F(RegistryTest, DesktopSettingThatNamesNoFolderGivesTheHomeDesktop) {
  const std::string home = FRoot.Home();
  const struct {
    std::string Setting;
    std::string Desktop;
  } cases[] = {
      {"$HOME/Schreibtisch", home + "/Schreibtisch"},
      {FRoot.Scratch() + "/desk/", FRoot.Scratch() + "/desk"},
      {"$HOME", home},
      {"/", home + "/Desktop"},
      {"/tmp/..", home + "/Desktop"},
      {"Desktop", home + "/Desktop"},
      {"", home + "/Desktop"},
  };
  for (const auto& c : cases) {
    std::ofstream(home + "/.config/user-dirs.dirs", std::ios::trunc)
        << "XDG_DESKTOP_DIR=\"" << c.Setting << "\"\n";
    EXPECT_EQ(win32::UserDesktopFolder(), c.Desktop) << c.Setting;
  }
}

TEST_F(RegistryTest, ValuesKeepTheirTypeAndEveryByte) {
  struct Case {
    const char* Name;
    DWORD Type;
    std::string Data;
  };
  const Case cases[] = {
      {"Text", REG_SZ, std::string("Brassel 1.2\0", 12)},
      {"Unterminated", REG_SZ, "no terminator"},
      {"Embedded", REG_SZ, std::string("before\0after\0", 13)},
      {"Expand", REG_EXPAND_SZ, std::string("%USERPROFILE%\\Desktop\0", 22)},
      {"Number", REG_DWORD, std::string("\x05\x00\x00\x00", 4)},
      {"Bytes", REG_BINARY, std::string("\x00\xFF%\"]\r\n=[x]\x7F", 12)},
      {"Empty", REG_BINARY, ""},
      {"", REG_SZ, std::string("default value\0", 14)},
      {"odd \"name\" [%]\n", REG_SZ, std::string("x\0", 2)},
  };
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Test");
  for (const Case& c : cases)
    ASSERT_EQ(RegSetValueExA(key, c.Name, 0, c.Type, reinterpret_cast<const BYTE*>(c.Data.data()),
                             static_cast<DWORD>(c.Data.size())),
              static_cast<LONG>(ERROR_SUCCESS))
        << c.Name;
  RegCloseKey(key);

  // A new handle reads the hive file again.
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Test", 0, KEY_READ, &key),
            static_cast<LONG>(ERROR_SUCCESS));
  for (const Case& c : cases) {
    DWORD type = 0;
    std::string data;
    ASSERT_EQ(Query(key, c.Name, type, data), static_cast<LONG>(ERROR_SUCCESS)) << c.Name;
    EXPECT_EQ(type, c.Type) << c.Name;
    EXPECT_EQ(data, c.Data) << c.Name;
  }
  RegCloseKey(key);
}

TEST_F(RegistryTest, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Uninstall\\Brassel 1.2");
  SetString(key, "DisplayName", "first");
  SetString(key, "DISPLAYNAME", "second");
  RegCloseKey(key);

  DWORD disposition = 0;
  key = Create(HKEY_LOCAL_MACHINE, "software\\MICROSOFT\\uninstall\\brassel 1.2", KEY_ALL_ACCESS,
               &disposition);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  DWORD type = 0;
  std::string data;
  ASSERT_EQ(Query(key, "displayname", type, data), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(data, std::string("second\0", 7));
  RegCloseKey(key);

  const std::string hive = ReadText(win32::MachineHivePath());
  EXPECT_NE(hive.find("[SOFTWARE\\Microsoft\\Uninstall\\Brassel 1.2]"), std::string::npos);
  EXPECT_NE(hive.find("\"DisplayName\"="), std::string::npos);
  EXPECT_EQ(hive.find("DISPLAYNAME"), std::string::npos);
}

TEST_F(RegistryTest, MissingKeysAndValues) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Nowhere", 0, KEY_READ, &key),
            static_cast<LONG>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Nowhere"),
            static_cast<LONG>(ERROR_FILE_NOT_FOUND));

  DWORD disposition = 0;
  key = Create(HKEY_CURRENT_USER, "Software\\Ormund\\Brassel 1.2", KEY_ALL_ACCESS, &disposition);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  DWORD type = 0;
  std::string data;
  EXPECT_EQ(Query(key, "Absent", type, data), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(RegDeleteValueA(key, "Absent"), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
  RegCloseKey(key);

  // The parents were created too, and an empty key survives in the hive.
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Ormund", 0, KEY_READ, &key),
            static_cast<LONG>(ERROR_SUCCESS));
  RegCloseKey(key);
  EXPECT_NE(ReadText(win32::UserHivePath()).find("[Software\\Ormund\\Brassel 1.2]\n"),
            std::string::npos);

  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "\\Software", 0, KEY_READ, &key),
            static_cast<LONG>(ERROR_BAD_PATHNAME));
}

TEST_F(RegistryTest, SmallBufferGetsTheSizeNeeded) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Test");
  SetString(key, "Path", "/opt/Brassel 1.2");
  char buffer[4] = {'x', 'x', 'x', 'x'};
  DWORD size = sizeof buffer;
  DWORD type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Path", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
            static_cast<LONG>(ERROR_MORE_DATA));
  EXPECT_EQ(size, 17u);
  EXPECT_EQ(type, REG_SZ);
  RegCloseKey(key);
}

TEST_F(RegistryTest, DeleteValueAndKeys) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, "Uninstall\\Entry\\Sub\\Deeper");
  RegCloseKey(key);
  key = Create(HKEY_LOCAL_MACHINE, "Uninstall\\Entry");
  SetString(key, "DisplayName", "x");
  EXPECT_EQ(RegDeleteValueA(key, "displayname"), static_cast<LONG>(ERROR_SUCCESS));
  DWORD type = 0;
  std::string data;
  EXPECT_EQ(Query(key, "DisplayName", type, data), static_cast<LONG>(ERROR_FILE_NOT_FOUND));

  char name[8];
  DWORD nameSize = sizeof name;
  ASSERT_EQ(RegEnumKeyExA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
            static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_STREQ(name, "Sub");
  EXPECT_EQ(nameSize, 3u);
  nameSize = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(key, 1, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
            static_cast<LONG>(ERROR_NO_MORE_ITEMS));

  // A key with subkeys stays; leaves go first.
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Uninstall\\Entry"),
            static_cast<LONG>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(RegDeleteKeyA(key, "SUB\\deeper"), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(RegDeleteKeyA(key, "Sub"), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Uninstall\\Entry"),
            static_cast<LONG>(ERROR_SUCCESS));

  // The open handle now names a deleted key.
  EXPECT_EQ(Query(key, "DisplayName", type, data), static_cast<LONG>(ERROR_KEY_DELETED));
  RegCloseKey(key);
}

TEST_F(RegistryTest, EveryChangeReplacesTheHiveFileWhole) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Test");
  const std::string hive = win32::UserHivePath();
  chmod(hive.c_str(), 0640);
  ino_t before = Inode(hive);
  SetString(key, "Value", "1");
  ino_t after = Inode(hive);
  EXPECT_NE(before, after) << "the hive was written in place";

  struct stat info {};
  stat(hive.c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  for (const auto& entry : std::filesystem::directory_iterator(FRoot.Root()))
    EXPECT_TRUE(entry.path().filename() == "user.hive" || entry.is_directory())
        << "left behind: " << entry.path();
  RegCloseKey(key);
}

TEST_F(RegistryTest, ReadOnlyHiveRefusesEveryChange) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, "Software\\Entry");
  SetString(key, "Name", "kept");
  HKEY sub = Create(key, "Sub");
  RegCloseKey(sub);
  const std::string hive = win32::MachineHivePath();
  const std::string contents = ReadText(hive);
  ASSERT_EQ(chmod(hive.c_str(), 0444), 0);

  const std::string text = "new";
  const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
  EXPECT_EQ(RegSetValueExA(key, "Name", 0, REG_SZ, bytes, 4),
            static_cast<LONG>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(RegSetValueExA(key, "Other", 0, REG_SZ, bytes, 4),
            static_cast<LONG>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(RegDeleteValueA(key, "Name"), static_cast<LONG>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(RegDeleteKeyA(key, "Sub"), static_cast<LONG>(ERROR_ACCESS_DENIED));
  HKEY created = nullptr;
  EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\New", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &created, nullptr),
            static_cast<LONG>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(created, nullptr);

  // Reading, and opening what exists, still work; the file is untouched.
  HKEY existing = Create(HKEY_LOCAL_MACHINE, "Software\\Entry");
  ExpectString(existing, "Name", "kept");
  EXPECT_EQ(ReadText(hive), contents);
  RegCloseKey(existing);
  RegCloseKey(key);
}

// A hive with lines that cannot be read answers what it can; the first change keeps the whole
// damaged file aside as "<name>.bad" before the hive is written without them.
TEST_F(RegistryTest, DamagedHiveIsKeptAsideBeforeItIsRewritten) {
  const std::string hive = win32::MachineHivePath();
  std::filesystem::create_directories(FRoot.Root());
  const std::string damaged =
      "[Software\\Entry]\n\"Name\"=1:\"kept%00\"\n\"Broken\"=1:\"%ZZ\"\n\x01\x02 not a hive line\n";
  std::ofstream(hive, std::ios::binary) << damaged;

  HKEY key = Create(HKEY_LOCAL_MACHINE, "Software\\Entry");
  ExpectString(key, "Name", "kept");
  // Reading alone changes nothing.
  EXPECT_EQ(ReadText(hive), damaged);
  EXPECT_FALSE(std::filesystem::exists(hive + ".bad"));

  SetString(key, "Other", "new");
  EXPECT_EQ(ReadText(hive + ".bad"), damaged);
  ExpectString(key, "Name", "kept");
  ExpectString(key, "Other", "new");
  // The hive now reads cleanly: a later change keeps nothing more aside.
  std::filesystem::remove(hive + ".bad");
  SetString(key, "Third", "3");
  EXPECT_FALSE(std::filesystem::exists(hive + ".bad"));
  RegCloseKey(key);
}

// The user's hive always holds its shell folders: one that lacks them, damaged or not, gets
// the defaults, and a damaged one is kept aside first.
TEST_F(RegistryTest, UserHiveWithoutShellFoldersGetsTheDefaults) {
  const struct {
    const char* Name;
    std::string Text;
    bool Damaged;
  } cases[] = {
      {"other keys only", "[Software\\Ormund\\Brassel 1.2]\n", false},
      {"empty values",
       "[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\n"
       "\"Desktop\"=1:\"%00\"\n\"Programs\"=1:\"\"\n",
       false},
      {"damaged", "[Software\\Ormund\\Brassel 1.2]\n\"x\"=oops\n", true},
  };
  for (const auto& c : cases) {
    const std::string hive = win32::UserHivePath();
    std::filesystem::remove(hive + ".bad");
    std::ofstream(hive, std::ios::binary | std::ios::trunc) << c.Text;
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, win32::kShellFoldersKey, 0, KEY_READ, &key),
              static_cast<LONG>(ERROR_SUCCESS))
        << c.Name;
    SCOPED_TRACE(c.Name);
    ExpectString(key, "Desktop", FRoot.Home() + "/Desktop");
    ExpectString(key, "Programs", FRoot.Root() + "/Programs");
    RegCloseKey(key);
    EXPECT_NE(ReadText(hive).find("\"Desktop\"=1:\"" + FRoot.Home() + "/Desktop%00\""),
              std::string::npos)
        << c.Name;
    EXPECT_EQ(std::filesystem::exists(hive + ".bad"), c.Damaged) << c.Name;
    EXPECT_EQ(ReadText(hive + ".bad"), c.Damaged ? c.Text : "") << c.Name;
    // What could be read stays.
    EXPECT_EQ(KeyExistsIn(HKEY_CURRENT_USER, "Software\\Ormund\\Brassel 1.2"),
              c.Text.find("Ormund") != std::string::npos)
        << c.Name;
  }
}

TEST_F(RegistryTest, HandleRightsAndBadHandles) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Test");
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Test", 0, KEY_READ, &key),
            static_cast<LONG>(ERROR_SUCCESS));
  const BYTE byte = 1;
  EXPECT_EQ(RegSetValueExA(key, "V", 0, REG_BINARY, &byte, 1),
            static_cast<LONG>(ERROR_ACCESS_DENIED));
  HKEY sub = nullptr;
  EXPECT_EQ(RegCreateKeyExA(key, "Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
            static_cast<LONG>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(RegCloseKey(key), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(RegCloseKey(key), static_cast<LONG>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(RegSetValueExA(key, "V", 0, REG_BINARY, &byte, 1),
            static_cast<LONG>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), static_cast<LONG>(ERROR_SUCCESS));
}

TEST_F(RegistryTest, ChangesOfAnotherWriterAreSeen) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Test");
  // Another process rewrites the hive between two calls on an open handle.
  std::ofstream(win32::UserHivePath(), std::ios::trunc)
      << "[Software\\Test]\n\"Shared\"=1:\"from elsewhere%00\"\n";
  DWORD type = 0;
  std::string data;
  ASSERT_EQ(Query(key, "Shared", type, data), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(data, std::string("from elsewhere\0", 15));
  RegCloseKey(key);
}

TEST_F(RegistryTest, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 4;
  constexpr int kValues = 20;
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([w] {
      for (int v = 0; v < kValues; ++v) {
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Shared", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr);
        const std::string name = std::to_string(w) + "-" + std::to_string(v);
        RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                       static_cast<DWORD>(name.size() + 1));
        RegCloseKey(key);
      }
    });
  }
  for (std::thread& writer : writers) writer.join();

  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Shared");
  for (int w = 0; w < kWriters; ++w) {
    for (int v = 0; v < kValues; ++v) {
      const std::string name = std::to_string(w) + "-" + std::to_string(v);
      DWORD type = 0;
      std::string data;
      EXPECT_EQ(Query(key, name.c_str(), type, data), static_cast<LONG>(ERROR_SUCCESS)) << name;
    }
  }
  RegCloseKey(key);
}

// Every damaged hive is kept, each under a name of its own: a second or third one never
// replaces the first, nor writes through anything already standing at a name of the series.
TEST_F(RegistryTest, EachDamagedHiveIsKeptInACopyOfItsOwn) {
  const std::string elsewhere = FRoot.Scratch() + "/elsewhere";
  std::ofstream(elsewhere) << "not a hive's";
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    const std::string hive =
        root == HKEY_CURRENT_USER ? win32::UserHivePath() : win32::MachineHivePath();
    SCOPED_TRACE(hive);
    std::filesystem::create_symlink(elsewhere, hive + ".bad.1");
    const std::string damaged[] = {"first\n", "[second\n", "[A]\n\"third\"=oops\n"};
    const std::string keptAs[] = {hive + ".bad", hive + ".bad.2", hive + ".bad.3"};
    for (int i = 0; i < 3; ++i) {
      std::ofstream(hive, std::ios::binary | std::ios::trunc) << damaged[i];
      HKEY key = Create(root, "Software\\Test");
      SetString(key, "Value", std::to_string(i));
      RegCloseKey(key);
      for (int j = 0; j <= i; ++j) EXPECT_EQ(ReadText(keptAs[j]), damaged[j]) << j;
      EXPECT_FALSE(win32::RegistryHive::Parse(ReadText(hive)).Damaged());
    }
    EXPECT_TRUE(std::filesystem::is_symlink(hive + ".bad.1"));
    EXPECT_FALSE(std::filesystem::exists(hive + ".bad.4"));
  }
  EXPECT_EQ(ReadText(elsewhere), "not a hive's");
}

// Whatever stands where a hive should be either reads as exactly what it holds, or is kept
// aside as it is and replaced by a hive that reads cleanly; never a crash, never a hang, and
// never a hive larger than what it holds.
TEST_F(RegistryTest, HostileHivesParseExactlyOrAreKeptAside) {
  const std::string test = "[Software\\Test]\n";
  struct Case {
    const char* Name;
    std::function<void(const std::string& hive)> Make;
    bool KeptAside;
    std::string Key = {}, Data = {};  // what a hive that parses holds in its "Value"
  };
  auto text = [](std::string contents) {
    return [contents](const std::string& hive) {
      std::ofstream(hive, std::ios::binary | std::ios::trunc) << contents;
    };
  };
  const std::string big(4 << 20, 'x');
  const std::string tooBig(win32::kMaxHiveFileSize, 'x');
  std::string deepPath = "a";
  for (int level = 1; level < 512; ++level) deepPath += "\\a";
  const Case cases[] = {
      {"NULs in a value", text(test + "\"Value\"=3:\"a\0b%00\"\n"s), false, "Software\\Test",
       "a\0b\0"s},
      {"a large value", text(test + "\"Value\"=3:\"" + big + "\"\n"), false, "Software\\Test", big},
      {"keys and values twice",
       text(test + "\"Value\"=1:\"first\"\n[SOFTWARE\\test]\n\"VALUE\"=1:\"second\"\n"), false,
       "Software\\Test", "second"},
      {"lines ended by CR LF, the last by nothing", text(test + "\r\n\"Value\"=1:\"x\""), false,
       "Software\\Test", "x"},
      {"a key 512 levels deep", text(DeepKeyLine(512) + "\"Value\"=1:\"deep\"\n"), false, deepPath,
       "deep"},
      {"a bad escape", text(test + "\"Value\"=1:\"%G1\"\n"), true},
      {"a key 513 levels deep", text(DeepKeyLine(513)), true},
      {"a key 50,000 levels deep", text(DeepKeyLine(50000)), true},
      {"a key name of 256 characters", text("[" + std::string(256, 'k') + "]\n"), true},
      {"a program",
       text("\x7F"
            "ELF\x02\x01\x01\0\0\0\0"s),
       true},
      {"NULs only", text(std::string(4096, '\0')), true},
      {"more than a hive may hold", text(test + "\"Value\"=3:\"" + tooBig + "\"\n"), true},
      {"gigabytes",
       [&test](const std::string& hive) {
         std::ofstream(hive) << test;
         ASSERT_EQ(truncate(hive.c_str(), off_t{3} << 30), 0);
       },
       true},
      {"a FIFO", [](const std::string& hive) { ASSERT_EQ(mkfifo(hive.c_str(), 0666), 0); }, true},
      {"a folder",
       [](const std::string& hive) {
         std::filesystem::create_directory(hive);
         std::ofstream(hive + "/inside") << "kept";
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    PlatformRoot root;
    std::filesystem::create_directories(root.Root());
    const std::string hive = win32::UserHivePath();
    c.Make(hive);
    struct stat before {};
    ASSERT_EQ(lstat(hive.c_str(), &before), 0);
    const std::string original =
        S_ISREG(before.st_mode) && before.st_size < (8 << 20) ? ReadText(hive) : std::string();

    // A call that blocked in the hive is let go (a writer for the FIFO) and fails the test.
    auto call = std::async(std::launch::async, [] {
      HKEY key = nullptr;
      LONG result = RegOpenKeyExA(HKEY_CURRENT_USER, win32::kShellFoldersKey, 0, KEY_READ, &key);
      RegCloseKey(key);
      return result;
    });
    if (call.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
      ADD_FAILURE() << "the call did not return";
      int writer = open(hive.c_str(), O_WRONLY | O_NONBLOCK);
      if (writer >= 0) close(writer);
    }
    EXPECT_EQ(call.get(), static_cast<LONG>(ERROR_SUCCESS));

    // The hive now in place reads cleanly and holds what it should, no more.
    const std::string now = ReadText(hive);
    EXPECT_TRUE(std::filesystem::is_regular_file(hive));
    EXPECT_FALSE(win32::RegistryHive::Parse(now).Damaged());
    EXPECT_NE(now.find("\"Desktop\"=1:\"" + root.Home() + "/Desktop%00\""), std::string::npos);
    EXPECT_EQ(std::filesystem::exists(hive + ".bad"), c.KeptAside);
    EXPECT_FALSE(std::filesystem::exists(hive + ".bad.1"));
    if (c.KeptAside) {
      EXPECT_LT(now.size(), 1024u);
      struct stat kept {};
      ASSERT_EQ(lstat((hive + ".bad").c_str(), &kept), 0);
      EXPECT_EQ(kept.st_ino, before.st_ino);
      EXPECT_EQ(kept.st_mode & S_IFMT, before.st_mode & S_IFMT);
      EXPECT_EQ(kept.st_size, before.st_size);
      if (S_ISREG(before.st_mode) && original.size() == size_t(before.st_size)) {
        EXPECT_EQ(ReadText(hive + ".bad"), original);
      }
      if (S_ISDIR(before.st_mode)) {
        EXPECT_EQ(ReadText(hive + ".bad/inside"), "kept");
      }
    } else {
      EXPECT_LT(now.size(), original.size() + 1024);
      HKEY key = nullptr;
      ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, c.Key.c_str(), 0, KEY_READ, &key),
                static_cast<LONG>(ERROR_SUCCESS));
      DWORD type = 0;
      std::string data;
      EXPECT_EQ(Query(key, "value", type, data), static_cast<LONG>(ERROR_SUCCESS));
      EXPECT_EQ(data, c.Data);
      RegCloseKey(key);
    }
  }
}

// A hive that is rewritten is no larger than what it holds: a key deep down is one line, and
// so are the keys on the way to it.
TEST_F(RegistryTest, RewrittenHiveIsNoLargerThanWhatItHolds) {
  const std::string hive = win32::UserHivePath();
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Test");
  RegCloseKey(key);
  const std::string lines = DeepKeyLine(512) + "\"Value\"=1:\"deep\"\n";
  std::ofstream(hive, std::ios::app) << lines;
  const size_t before = ReadText(hive).size();
  key = Create(HKEY_CURRENT_USER, "Software\\Test");
  SetString(key, "Other", "x");
  RegCloseKey(key);
  EXPECT_LE(ReadText(hive).size(), before + 20);
  EXPECT_NE(ReadText(hive).find(lines), std::string::npos);
}

// A program cannot make a hive beyond the limits: a key 513 levels deep, a key or value name
// of 256 characters, more data than a hive file may hold; the hive stays as it was and reads
// back cleanly.
TEST_F(RegistryTest, ChangesBeyondTheLimitsAreRefused) {
  std::string deep = "a";
  for (int level = 1; level < 512; ++level) deep += "\\a";
  HKEY key = Create(HKEY_CURRENT_USER, deep.c_str());
  SetString(key, std::string(255, 'v').c_str(), "longest name");
  const std::string hive = ReadText(win32::UserHivePath());

  const std::string k256(256, 'k'), v256(256, 'v');
  HKEY refused = nullptr;
  for (const std::string& path : {deep + "\\b", "Software\\" + k256, k256}) {
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &refused, nullptr),
              static_cast<LONG>(ERROR_INVALID_PARAMETER))
        << path.size();
    EXPECT_EQ(refused, nullptr);
  }
  EXPECT_EQ(RegCreateKeyExA(key, "b", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &refused, nullptr),
            static_cast<LONG>(ERROR_INVALID_PARAMETER));
  const BYTE byte = 1;
  EXPECT_EQ(RegSetValueExA(key, v256.c_str(), 0, REG_BINARY, &byte, 1),
            static_cast<LONG>(ERROR_INVALID_PARAMETER));
  // Data as large as a hive may be, or that grows beyond it once written out.
  for (const std::string& data :
       {std::string(win32::kMaxHiveFileSize + 1, 'x'), std::string(12 << 20, '\x01')}) {
    EXPECT_EQ(RegSetValueExA(key, "Large", 0, REG_BINARY,
                             reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size())),
              static_cast<LONG>(ERROR_NOT_ENOUGH_MEMORY))
        << data.size();
  }
  EXPECT_EQ(ReadText(win32::UserHivePath()), hive);
  RegCloseKey(key);

  // What was made reads back: the next change keeps nothing aside.
  key = Create(HKEY_CURRENT_USER, "Software\\k");
  SetString(key, "Value", "x");
  RegCloseKey(key);
  EXPECT_FALSE(std::filesystem::exists(win32::UserHivePath() + ".bad"));
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, deep.c_str(), 0, KEY_READ, &key),
            static_cast<LONG>(ERROR_SUCCESS));
  ExpectString(key, std::string(255, 'v').c_str(), "longest name");
  RegCloseKey(key);
}

}  // namespace
