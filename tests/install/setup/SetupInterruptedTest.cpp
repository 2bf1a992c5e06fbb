// Setup stopped between any two of its steps, and setup on a disk that fills at any of its
// files: whatever is left, an uninstall entry stands only while the uninstaller it names
// stands complete. Each setup runs in a process of its own, forked from the test's child.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "install/setup/Setup.h"
#include "install/setup/Unit1.h"
#include "install/setup/Unit2.h"
#include "platform/classlib/ExceptionHandler.h"
#include "platform/win32/Machine.h"
#include "tests/install/InstallProcess.h"
#include "tests/install/setup/SetupFixture.h"

namespace setup_test {
namespace {

namespace fs = std::filesystem;
using install_test::ReadFileBytes;
using install_test::WriteFileBytes;

int stopAfter = 0;

struct SetupRun {
  bool Killed = false;   // stopped by the test's signal
  int Status = -1;       // the exit status otherwise
  std::string Messages;  // the texts of the message boxes, one a line
};

// Installs into Folder + "/Brassel 1.2" in a forked process; with StopAfter > 0 the process
// kills itself once that many steps are done.
SetupRun RunSetup(const std::string& Folder, int StopAfter) {
  int output[2];
  SetupRun run;
  if (pipe(output) != 0) return run;
  stopAfter = StopAfter;
  const pid_t pid = fork();
  if (pid == 0) {
    close(output[0]);
    TScriptedDialogs dialogs;
    CreateSetupForms();
    if (stopAfter > 0)
      TForm2::OnStepDone = [](int step) {
        if (step == stopAfter) raise(SIGKILL);
      };
    auto click = [](TControl* control) { CallHandled(control, [control] { control->Click(); }); };
    click(Form2->Button2);
    dialogs.AnswerFolder(Folder);
    click(Form2->SpeedButton1);
    click(Form2->Button1);
    std::string texts;
    for (const auto& message : dialogs.Messages) texts += message.Text + "\n";
    (void)!write(output[1], texts.data(), texts.size());
    _exit(0);
  }
  close(output[1]);
  char buffer[4096];
  ssize_t count;
  while ((count = read(output[0], buffer, sizeof buffer)) > 0)
    run.Messages.append(buffer, size_t(count));
  close(output[0]);
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return run;
  run.Killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// The machine's uninstall entry as it stands now.
struct Entry {
  RegValue Name, Uninstaller;
  bool KeyStands = false;
  static Entry Now() {
    return {QueryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"),
            QueryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"),
            KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)};
  }
  // The file the entry names, or empty.
  std::string Program() const {
    return Uninstaller.Exists ? std::string(Uninstaller.Data.c_str()) : std::string();
  }
  bool HasValues() const { return Name.Exists || Uninstaller.Exists; }
};

void MakeEntry(const std::string& UninstallString) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  for (const auto& [name, text] :
       {std::pair<const char*, std::string>{"DisplayName", "Brassel 1.2"},
        {"UninstallString", UninstallString}})
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   DWORD(text.size() + 1));
  RegCloseKey(key);
}

// Stopped after each step in turn, on a fresh machine and over an earlier installation in the
// same target (whose uninstaller is another program): the entry either holds nothing or names
// a complete uninstaller, the earlier one or the new one.
TEST(SetupInterruptedTest, EntryOnlyNamesACompleteUninstaller) {
  if (install_test::RunInChild()) return;  // the test ran in a process of its own
  const std::string uninstaller = ResourceBytes("File2", "Application");
  ASSERT_FALSE(uninstaller.empty());
  const std::string earlierUninstaller = "an earlier uninstaller";
  for (const bool earlier : {false, true}) {
    int stops = 0;
    for (int stop = 1;; ++stop) {
      SCOPED_TRACE(std::string(earlier ? "over an earlier installation" : "fresh") +
                   ", stopped after step " + std::to_string(stop));
      PlatformRoot root;
      const std::string target = root.Scratch() + "/Brassel 1.2";
      if (earlier) {
        fs::create_directories(target);
        WriteFileBytes(target + "/Brassel.exe", "an earlier converter");
        WriteFileBytes(target + "/Uninstall.exe", earlierUninstaller);
        WriteFileBytes(target + "/setup.log", target);
        MakeEntry(target + "/Uninstall.exe");
      }
      const SetupRun run = RunSetup(root.Scratch(), stop);
      const Entry entry = Entry::Now();
      const std::string named = entry.Program().empty() ? "" : ReadFileBytes(entry.Program());
      EXPECT_TRUE(!entry.HasValues() ||
                  (entry.Program() == target + "/Uninstall.exe" &&
                   (named == uninstaller || (earlier && named == earlierUninstaller))))
          << "the entry names " << entry.Program() << ", holding " << named.size() << " bytes";
      if (!run.Killed) {
        EXPECT_EQ(run.Status, 0);
        EXPECT_EQ(run.Messages, "");
        EXPECT_EQ(entry.Name.Data, std::string("Brassel 1.2", 12));
        EXPECT_TRUE(named == uninstaller);
        break;
      }
      ++stops;
      ASSERT_LT(stop, 100) << "setup never ends";
    }
    // Stopped between the files, the entry's values and the links.
    EXPECT_GT(stops, 8);
  }
}

// Fills a small file system, leaving Free bytes of it.
bool LeaveFree(const std::string& Folder, off_t Free) {
  const std::string filler = Folder + "/filler";
  const int fd = open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  static const std::string page(4096, 'f');
  off_t written = 0;
  for (ssize_t count; (count = write(fd, page.data(), page.size())) > 0;) written += count;
  const bool left = written >= Free && ftruncate(fd, written - Free) == 0;
  close(fd);
  return left;
}

// The platform root on a small file system that is full at each of setup's files in turn:
// the programs, the marker, the machine's hive. Every failure is told;
// the entry never names a missing or cut uninstaller, and one that could not be taken back
// is told with the hive's path.
TEST(SetupInterruptedTest, FullDiskAtEachFile) {
  if (install_test::RunInChild()) return;  // the test ran in a process of its own
  if (geteuid() != 0) GTEST_SKIP() << "a file system of its own needs the superuser";
  ASSERT_EQ(unshare(CLONE_NEWNS), 0);
  ASSERT_EQ(mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0);
  const std::string uninstaller = ResourceBytes("File2", "Application");
  constexpr off_t page = 4096;
  auto pages = [](size_t bytes) { return off_t((bytes + page - 1) / page) * page; };
  const off_t converter = pages(ResourceBytes("File1", "Application").size());
  const off_t programs = converter + pages(uninstaller.size());
  std::set<off_t> frees{0,         converter / 2,    converter - page,
                        converter, converter + page, converter + pages(uninstaller.size() / 2)};
  for (off_t free = programs - 2 * page; free <= programs + 40 * page; free += page)
    frees.insert(free);
  std::set<std::string> told;
  const std::string earlierUninstaller = "an earlier uninstaller";
  for (const bool earlier : {false, true}) {
    bool installed = false;
    for (const off_t free : frees) {
      SCOPED_TRACE(std::string(earlier ? "over an earlier installation, " : "fresh, ") +
                   std::to_string(free) + " bytes free");
      PlatformRoot root;
      fs::create_directories(root.Root());
      const std::string size = "size=" + std::to_string(programs + 64 * page);
      ASSERT_EQ(mount("tmpfs", root.Root().c_str(), "tmpfs", 0, size.c_str()), 0);
      const std::string target = root.Root() + "/Programs/Brassel 1.2";
      fs::create_directories(target);
      if (earlier) {
        WriteFileBytes(target + "/Brassel.exe", "an earlier converter");
        WriteFileBytes(target + "/Uninstall.exe", earlierUninstaller);
        WriteFileBytes(target + "/setup.log", target);
        MakeEntry(target + "/Uninstall.exe");
      }
      ASSERT_TRUE(LeaveFree(root.Root(), free));
      const SetupRun run = RunSetup(root.Root() + "/Programs", 0);
      EXPECT_EQ(run.Status, 0);
      const Entry entry = Entry::Now();
      const std::string named = entry.Program().empty() ? "" : ReadFileBytes(entry.Program());
      EXPECT_TRUE(!entry.HasValues() ||
                  (entry.Program() == target + "/Uninstall.exe" &&
                   (named == uninstaller || (earlier && named == earlierUninstaller))))
          << "the entry names " << entry.Program() << ", holding " << named.size() << " bytes; "
          << run.Messages;
      EXPECT_TRUE(!entry.KeyStands || entry.HasValues() ||
                  run.Messages.find(win32::MachineHivePath()) != std::string::npos)
          << run.Messages;
      told.insert(run.Messages.substr(0, run.Messages.find_first_of("\n'")));
      if (run.Messages.empty()) {
        // Nothing told: everything is there, whole.
        EXPECT_TRUE(ReadFileBytes(target + "/Brassel.exe") ==
                    ResourceBytes("File1", "Application"));
        EXPECT_TRUE(named == uninstaller);
        EXPECT_EQ(ReadFileBytes(target + "/setup.log"), target);
        EXPECT_EQ(entry.Name.Data, std::string("Brassel 1.2", 12));
        EXPECT_TRUE(fs::exists(root.Root() + "/Programs/Ormund/Brassel.lnk"));
        installed = true;
      }
      umount2(root.Root().c_str(), MNT_DETACH);
      if (installed) break;
    }
    EXPECT_TRUE(installed) << "the disk never had room enough";
  }
  // Full at the programs and the marker, and at each change of the machine's hive.
  EXPECT_TRUE(told.count("Stream write error."));
  EXPECT_TRUE(told.count(std::string("Failed to create key ") + kUninstallKey + "."));
  EXPECT_TRUE(told.count("Failed to set data for "));
}

}  // namespace
}  // namespace setup_test
