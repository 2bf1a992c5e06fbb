#include "tests/converter/ConverterFixture.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "converter/Brassel.h"
#include "converter/Main.h"
#include "converter/Options.h"
#include "converter/about.h"
#include "platform/classlib/Application.h"
#include "platform/classlib/ExceptionHandler.h"
#include "tests/converter/ProgramFolder.h"
#include "tests/support/Wait.h"

namespace converter_test {

namespace fs = std::filesystem;

namespace {

// A tick runs the form's handler: the waits that tick leave the decode thread a moment.
constexpr std::chrono::milliseconds kTickPause{5};

}  // namespace

bool FileExists(const std::string& FileName) { return fs::is_regular_file(FileName); }

std::string ReadFileText(const std::string& FileName) {
  std::ifstream in(FileName, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFileText(const std::string& FileName, const std::string& Text) {
  std::ofstream out(FileName, std::ios::binary);
  out << Text;
}

void ConverterTest::SetUp() {
  // The parent only starts the child (see CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER).
  if (!InOwnProgramFolder()) return;
#ifdef BRASSEL_FFMPEG_LIBRARIES
  // FFmpeg's libraries, which the WMA module loads, keep allocations of their start-up in
  // their static data; kept mapped after the module is released, so that the leak checker
  // still sees them.
  const std::string libraries = BRASSEL_FFMPEG_LIBRARIES;
  for (size_t start = 0; start < libraries.size();) {
    const size_t end = std::min(libraries.find(':', start), libraries.size());
    dlopen(libraries.substr(start, end - start).c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    start = end + 1;
  }
#endif
  FFolder.emplace();
  ASSERT_FALSE(FFolder->path().empty());
  FWork = FFolder->path().string() + "/";
  Dialogs = new TScriptedDialogs;
}

void ConverterTest::TearDown() {
  if (Dialogs == nullptr) return;
  if (Started) CloseConverter();
  delete Form3;
  delete Form2;
  delete Form1;
  delete Dialogs;
  Dialogs = nullptr;
  FFolder.reset();
}

void ConverterTest::StartConverter() {
  ASSERT_NE(Dialogs, nullptr) << "forms are made only in the test's own program folder";
  // The file-size signal at its default: the program ignores it itself, or a test that passes
  // the limit ends with it.
  ASSERT_NE(signal(SIGXFSZ, SIG_DFL), SIG_ERR);
  CreateBrasselForms();
  Started = true;
}

void ConverterTest::CloseConverter() {
  if (Closed || Form1 == nullptr) return;
  Closed = true;
  Form1->Close();
}

std::string ConverterTest::WindowsDir() const { return Form1->ShellFolders1->GetWindowsDir(); }

std::string ConverterTest::CopyVector(const std::string& Vector, const std::string& Name,
                                      int Times) {
  const std::string bytes = ReadFileText(std::string(BRASSEL_VECTORS_DIR) + "/" + Vector);
  EXPECT_FALSE(bytes.empty()) << Vector;
  std::string all;
  for (int i = 0; i < Times; ++i) all += bytes;
  WriteFileText(FWork + Name, all);
  return FWork + Name;
}

void ConverterTest::LimitFileSize(rlim_t Bytes) {
  rlimit limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
  limit.rlim_cur = Bytes;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
}

void ConverterTest::ChooseFiles(const std::vector<std::string>& Files, int Filter) {
  Dialogs->AnswerOpenFiles(Files, Filter);
  CallHandled(Form1, [] { Form1->InputFile1->Click(); });
}

void ConverterTest::ChooseOutputDir(const std::string& Folder) {
  Dialogs->AnswerFolder(Folder);
  CallHandled(Form1, [] { Form1->OutputFile1->Click(); });
}

void ConverterTest::ClickDecode() {
  CallHandled(Form1, [] { Form1->Decode1->Click(); });
}

void ConverterTest::ClickAbort() {
  CallHandled(Form1, [] { Form1->Abort1->Click(); });
}

void ConverterTest::Tick() {
  // As the window system delivers a tick: an exception goes to the error box.
  CallHandled(Form1->Timer1, [] { Form1->Timer1->Timer(); });
}

bool ConverterTest::TickUntil(const std::function<bool()>& Done, int Seconds) {
  return WaitFor(
      [&] {
        if (Done()) return true;
        Tick();
        return Done();
      },
      std::chrono::seconds(Seconds), kTickPause);
}

bool ConverterTest::TickUntilNextEntry(int Seconds) {
  const int start = Form1->CurrentIndexValue();
  return WaitFor(
      [&] {
        Tick();
        return Form1->CurrentIndexValue() != start || !Form1->Timer1->Enabled();
      },
      std::chrono::seconds(Seconds), kTickPause);
}

bool ConverterTest::TickUntilBatchEnds(int Seconds) {
  return TickUntil([] { return !Form1->Timer1->Enabled(); }, Seconds);
}

std::vector<std::string> ConverterTest::RowTexts(int Row) {
  std::vector<std::string> texts;
  TListItem* item = Form1->ListView1->Items()->Item(Row);
  texts.push_back(item->Caption());
  for (int i = 0; i < item->SubItems()->Count(); ++i) texts.push_back(item->SubItems()->Get(i));
  return texts;
}

std::vector<std::string> ConverterTest::MessageTexts() const {
  std::vector<std::string> texts;
  for (const auto& m : Dialogs->Messages) texts.push_back(m.Text);
  return texts;
}

}  // namespace converter_test
