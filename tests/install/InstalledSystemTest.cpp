// The whole system as a user meets it: setup, driven through its forms, installs the converter
// and the uninstaller as they are built into a fresh home and platform root; the installed
// converter, started from there as a process of its own that cannot reach the build tree,
// converts an MP3 and a WMA file; the installed uninstaller removes what it should. A small
// driver preloaded into those processes works their windows through Qt, as a user would.
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "install/setup/Setup.h"
#include "install/setup/Unit1.h"
#include "install/setup/Unit2.h"
#include "platform/classlib/Application.h"
#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/ScriptedDialogs.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Resources.h"
#include "tests/install/InstallProcess.h"
#include "tests/install/IsolatedProcess.h"
#include "tests/support/PlatformRoot.h"
#include "tests/support/Files.h"
#include "tests/support/WavFile.h"

namespace {

namespace fs = std::filesystem;
using install_test::ReadFileBytes;

constexpr const char* kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brassel 1.2";
constexpr const char* kUserKey = "Software\\Ormund\\Brassel 1.2";
// Set for the child that installs as another user: "uid:gid".
constexpr const char* kUserVariable = "BRASSEL_INSTALL_TEST_USER";

bool KeyExists(HKEY Root, const std::string& Key) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(Root, Key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::string Payload(const char* Name) {
  HRSRC resource = FindResourceA(nullptr, Name, "Application");
  if (resource == nullptr) return "";
  const void* bytes = LockResource(LoadResource(nullptr, resource));
  return std::string(static_cast<const char*>(bytes), SizeofResource(nullptr, resource));
}

// Every file and folder under Base, by relative path: a file with its bytes, a folder as "/".
std::map<std::string, std::string> Snapshot(const std::string& Base) {
  std::map<std::string, std::string> entries;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(Base, error);
       it != fs::recursive_directory_iterator(); it.increment(error)) {
    const std::string relative = fs::relative(it->path(), Base).string();
    entries[relative] = it->is_directory() ? "/" : ReadFileBytes(it->path().string());
  }
  return entries;
}

std::set<std::string> Names(const std::map<std::string, std::string>& Entries) {
  std::set<std::string> names;
  for (const auto& [name, content] : Entries) names.insert(name);
  return names;
}

// Runs setup's forms as its program block does, answering the folder dialog with Folder
// (none: the default target stays), and returns the target the installation went to.
std::string InstallWithSetup(const std::string& Folder) {
  TScriptedDialogs dialogs;
  CreateSetupForms();
  auto click = [](TControl* control) { CallHandled(control, [control] { control->Click(); }); };
  click(Form2->Button2);
  if (!Folder.empty()) {
    dialogs.AnswerFolder(Folder);
    click(Form2->SpeedButton1);
  }
  const std::string target = Form2->Memo1->Text();
  click(Form2->Button1);
  for (int tick = 0; tick < 100; ++tick) CallHandled(Form2->Timer1, [] { Form2->Timer1->Timer(); });
  EXPECT_EQ(Form2->Label14->Caption(), "Succesfully installed!");
  click(Form2->Button1);
  EXPECT_TRUE(Application->Terminated());
  delete Form2;
  delete Form1;
  EndSetup();
  for (const auto& message : dialogs.Messages) ADD_FAILURE() << "setup said: " << message.Text;
  return target;
}

class InstalledSystemTest : public testing::Test {
 protected:
  // Starts an installed program the way a user's session would, with the driver's steps.
  install_test::ProcessResult Start(const std::string& Program, const std::string& Steps) {
    std::vector<std::string> environment{
        "HOME=" + Root->Home(),
        "BRASSEL_ROOT=" + Root->Root(),
        "XDG_CONFIG_HOME=" + Root->Home() + "/.config",
        "XDG_DATA_HOME=" + Root->Home() + "/.local/share",
        std::string("XDG_RUNTIME_DIR=") + getenv("XDG_RUNTIME_DIR"),
        "PATH=/usr/bin:/bin",
        "QT_QPA_PLATFORM=offscreen",
        "LD_PRELOAD=" + Preloaded(),
        "BRASSEL_FORM_DRIVER=" + Steps,
    };
    // Under the address sanitizer the driver is preloaded ahead of its run-time library.
    const char* asan = getenv("ASAN_OPTIONS");
    environment.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") +
                          ":verify_asan_link_order=0");
    for (const char* name : {"UBSAN_OPTIONS", "LSAN_OPTIONS"})
      if (const char* value = getenv(name)) environment.push_back(std::string(name) + "=" + value);
    return install_test::RunWithoutBuildTree(Program, {}, environment, Root->Home(), 120);
  }

  std::string Preloaded() const {
#if defined(__SANITIZE_ADDRESS__)
    // FFmpeg's libraries keep allocations of their start-up in their static data: loaded for
    // the whole process, they stay mapped when the converter releases the WMA module, so the
    // leak checker still sees them.
    return Driver + ":" + BRASSEL_FFMPEG_LIBRARIES;
#else
    return Driver;
#endif
  }

  std::unique_ptr<PlatformRoot> Root;
  std::string Driver;
};

TEST_F(InstalledSystemTest, InstallsConvertsAndUninstalls) {
  if (install_test::RunInChild()) return;  // the test ran in a process of its own
  const std::string why = install_test::WhyNoIsolatedProcess();
  if (!why.empty()) GTEST_SKIP() << why;
  Root = std::make_unique<PlatformRoot>();
  const std::string base = fs::path(Root->Root()).parent_path().string();
  const std::string music = Root->Scratch() + "/music";
  const std::string output = Root->Scratch() + "/converted";
  const std::string programs = Root->Scratch() + "/programs";
  for (const std::string& folder : {music, output, programs}) fs::create_directories(folder);
  // The driver, too, comes from outside the build tree.
  Driver = Root->Scratch() + "/libformdriver.so";
  fs::copy_file(FORM_DRIVER, Driver);
  fs::copy_file(VectorPath("M2L3_noise.bit"), music + "/noise.mp3");
  fs::copy_file(FixturePath("wma/v2-44k-stereo.wma"), music + "/tune.wma");
  const auto before = Snapshot(base);

  const std::string target = InstallWithSetup(programs);
  ASSERT_EQ(target, programs + "/Brassel 1.2");
  ASSERT_TRUE(ReadFileBytes(target + "/Brassel.exe") == Payload("File1"));
  ASSERT_TRUE(ReadFileBytes(target + "/Uninstall.exe") == Payload("File2"));

  // The build tree is out of reach for the installed programs.
  const install_test::ProcessResult probe = install_test::RunWithoutBuildTree(
      "/bin/sh", {"-c", "test ! -e \"$0\"", FORM_DRIVER}, {}, "/", 30);
  ASSERT_EQ(probe.Status, 0) << "the build tree is still reachable: " << probe.Output;

  const install_test::ProcessResult converter = Start(target + "/Brassel.exe",
                                                      "click|Output Dir\n"
                                                      "folder|" +
                                                          output +
                                                          "\n"
                                                          "click|Input Files\n"
                                                          "open|3|" +
                                                          music +
                                                          "/noise.mp3\n"
                                                          "rows|1\n"
                                                          "click|Decode\n"
                                                          "rows|0\n"
                                                          "click|Input Files\n"
                                                          "open|5|" +
                                                          music +
                                                          "/tune.wma\n"
                                                          "rows|1\n"
                                                          "click|Decode\n"
                                                          "rows|0\n"
                                                          "click|Exit\n");
  EXPECT_EQ(converter.Status, 0) << converter.Output;

  // Every sample of both files, the MPEG stream within one step of its reference.
  const WavFile mpeg = ReadWavFile(output + "/noise.wav");
  ASSERT_TRUE(mpeg.valid);
  EXPECT_EQ(mpeg.channels, 2);
  EXPECT_EQ(mpeg.sampleRate, 22050u);
  const std::string mpegReference = ReadText(VectorPath("M2L3_noise.pcm"));
  EXPECT_EQ(mpeg.data.size(), mpegReference.size());
  EXPECT_EQ(MatchingSamples(mpeg.data, mpegReference), mpegReference.size() / 2);
  const WavFile wma = ReadWavFile(output + "/tune.wav");
  ASSERT_TRUE(wma.valid);
  EXPECT_EQ(wma.sampleRate, 44100u);
  EXPECT_TRUE(wma.data == ReadText(FixturePath("wma/v2-44k-stereo.pcm")))
      << wma.data.size() << " bytes of samples";

  const install_test::ProcessResult uninstaller =
      Start(target + "/Uninstall.exe", "click|Uninstall\nenabled|Finish\nclick|Finish\n");
  EXPECT_EQ(uninstaller.Status, 0) << uninstaller.Output;

  // Outside the platform root: the converted files, what the uninstaller leaves of the
  // installation (itself and the converter's settings) and the desktop folder the platform
  // made; nothing else, and nothing changed.
  auto after = Snapshot(base);
  auto inRoot = [](const std::string& name) {
    return name == "root" || name.rfind("root/", 0) == 0;
  };
  std::set<std::string> added;
  for (const auto& [name, content] : after) {
    if (inRoot(name)) continue;
    const auto old = before.find(name);
    if (old == before.end()) {
      added.insert(name);
    } else {
      EXPECT_TRUE(old->second == content) << name << " changed";
    }
  }
  for (const auto& [name, content] : before) {
    if (!inRoot(name)) {
      EXPECT_TRUE(after.count(name)) << name << " went";
    }
  }
  const std::string installed = fs::relative(target, base).string();
  const std::string converted = fs::relative(output, base).string();
  EXPECT_EQ(added, (std::set<std::string>{"home/Desktop", installed, installed + "/Uninstall.exe",
                                          installed + "/config.ini", converted + "/noise.wav",
                                          converted + "/tune.wav"}));

  // Inside it: the machine's uninstall entry is gone, the user's key stays, no link and no
  // module file is left, the maker's folder stays.
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kUserKey));
  EXPECT_TRUE(fs::is_directory(Root->Root() + "/Programs/Ormund"));
  for (const std::string& name : Names(after)) {
    EXPECT_NE(fs::path(name).extension(), ".lnk") << name;
    EXPECT_NE(fs::path(name).extension(), ".dll") << name;
  }
}

// An ordinary user installs into the default target on the platform's system drive.
TEST_F(InstalledSystemTest, AnOrdinaryUserInstallsIntoTheDefaultTarget) {
  if (install_test::InChild()) {
    // Another user from here on, before anything of the program runs.
    unsigned uid = 0, gid = 0;
    ASSERT_EQ(sscanf(getenv(kUserVariable), "%u:%u", &uid, &gid), 2);
    ASSERT_EQ(setgroups(0, nullptr), 0);
    ASSERT_EQ(setresgid(gid, gid, gid), 0);
    ASSERT_EQ(setresuid(uid, uid, uid), 0);
    const std::string root = getenv("BRASSEL_ROOT");
    const std::string target = InstallWithSetup("");
    EXPECT_EQ(target, root + "/Program Files/Brassel 1.2");
    for (const char* program : {"/Brassel.exe", "/Uninstall.exe"})
      EXPECT_EQ(access((target + program).c_str(), X_OK), 0) << program;
    EXPECT_EQ(ReadFileBytes(target + "/setup.log"), target);
    EXPECT_TRUE(fs::exists(getenv("HOME") + std::string("/Desktop/Brassel.lnk")));
    EXPECT_TRUE(fs::exists(root + "/Programs/Ormund/Brassel.lnk"));
    return;
  }
  if (geteuid() != 0) GTEST_SKIP() << "switching to an ordinary user needs the superuser";
  const passwd* user = getpwnam("nobody");
  if (user == nullptr) GTEST_SKIP() << "no user \"nobody\" here";
  Root = std::make_unique<PlatformRoot>();
  // The user's own home and platform root, and nothing else of theirs.
  const std::string base = fs::path(Root->Root()).parent_path().string();
  ASSERT_EQ(chown(base.c_str(), user->pw_uid, user->pw_gid), 0);
  for (const auto& entry : fs::recursive_directory_iterator(base))
    ASSERT_EQ(lchown(entry.path().c_str(), user->pw_uid, user->pw_gid), 0);
  Root->Set(kUserVariable, std::to_string(user->pw_uid) + ":" + std::to_string(user->pw_gid));
  install_test::RunInChild();
}

}  // namespace
