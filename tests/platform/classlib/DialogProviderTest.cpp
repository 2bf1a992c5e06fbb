// Qt's dialogs as the user sees them: the file-open dialog's filters, and where the folder
// dialog opens and to which window it belongs.
#include "platform/classlib/DialogProvider.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/classlib/Application.h"
#include "platform/classlib/Form.h"
#include "platform/classlib/Registry.h"
#include "platform/win32/Machine.h"
#include "tests/platform/classlib/OpenDialogTyping.h"
#include "tests/support/PlatformRoot.h"

namespace {

using namespace std::string_literals;

class DialogProviderTest : public ::testing::Test {
 protected:
  void SetUp() override { Application->Initialize(); }

  // Runs Look on the modal dialog that Show opens, then cancels it.
  void WhileShown(const std::function<void()>& Show,
                  const std::function<void(QFileDialog*)>& Look) {
    bool looked = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      Look(dialog);
      looked = true;
      dialog->reject();
    });
    Show();
    EXPECT_TRUE(looked);
  }

  PlatformRoot root;
};

TEST_F(DialogProviderTest, OpenDialogShowsEachFilterOnce) {
  TOpenFilesRequest request;
  request.Filter =
      "Mpeg Files (*.mpg)|*.mpg|Mp2 Files (*.mp2)|*.mp2|Mp3 Files (*.mp3)|*.mp3|"
      "Playlist Files (*.m3u)|*.m3u|Windows Media Audio File (*.wma)|*.wma|Sound|*.mp3;*.wma";
  request.FilterIndex = 3;
  request.MultiSelect = true;
  std::vector<std::string> shown;
  std::string current;
  WhileShown(
      [&] {
        TOpenFilesAnswer answer;
        EXPECT_FALSE(DialogProvider()->OpenFiles(request, answer));
      },
      [&](QFileDialog* dialog) {
        auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        ASSERT_NE(types, nullptr);
        for (int i = 0; i < types->count(); ++i) shown.push_back(types->itemText(i).toStdString());
        current = types->currentText().toStdString();
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
      });
  EXPECT_EQ(shown, (std::vector<std::string>{"Mpeg Files (*.mpg)", "Mp2 Files (*.mp2)",
                                             "Mp3 Files (*.mp3)", "Playlist Files (*.m3u)",
                                             "Windows Media Audio File (*.wma)", "Sound"}));
  EXPECT_EQ(current, "Mp3 Files (*.mp3)");
}

TEST_F(DialogProviderTest, OpenDialogAnswersTheFilesAndTheFilterInUse) {
  const std::filesystem::path music = std::filesystem::path(getenv("HOME")) / "music";
  std::filesystem::create_directories(music);
  { std::ofstream(music / "tune.wma") << "x"; }
  TOpenFilesRequest request;
  request.Filter = "Mp3 Files (*.mp3)|*.mp3|Windows Media Audio File (*.wma)|*.wma";
  request.MultiSelect = true;
  TOpenFilesAnswer answer;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    // As a user does: the second filter, a name typed into the name box, then open.
    dialog->selectNameFilter(dialog->nameFilters().at(1));
    dialog->setDirectory(QString::fromStdString(music.string()));
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setText("tune.wma");
    static_cast<QDialog*>(dialog)->accept();  // the dialog's own checks run as for its button
  });
  ASSERT_TRUE(DialogProvider()->OpenFiles(request, answer));
  EXPECT_EQ(answer.Files, std::vector<std::string>{(music / "tune.wma").string()});
  EXPECT_EQ(answer.FilterIndex, 2);
}

TEST_F(DialogProviderTest, OpenDialogAnswersEveryNameTypedBetweenQuotes) {
  const std::filesystem::path music = std::filesystem::path(getenv("HOME")) / "music";
  std::filesystem::create_directories(music / "sub");
  for (const char* name : {"a.mp3", "b.mp3", "d.mp2", "list.m3u", "sub/e.mp2"})
    std::ofstream(music / name) << "x";
  const std::string m = music.string() + "/";
  const struct {
    const char* typed;
    int selected;  // the rows that the dialog selects itself: those the filter shows
    std::vector<std::string> files;
  } cases[] = {
      // Hidden by the filter "Mp3 Files" in use, and still chosen, in the order typed.
      {R"("a.mp3" "d.mp2")", 1, {m + "a.mp3", m + "d.mp2"}},
      {R"("d.mp2" "a.mp3" "list.m3u")", 1, {m + "d.mp2", m + "a.mp3", m + "list.m3u"}},
      // A name in a folder not read yet the dialog takes past the filter itself.
      {R"("sub/e.mp2" "b.mp3")", 2, {m + "sub/e.mp2", m + "b.mp3"}},
      // All shown, or one name alone: as the dialog reads them itself.
      {R"("b.mp3" "a.mp3")", 2, {m + "b.mp3", m + "a.mp3"}},
      {"a.mp3", 1, {m + "a.mp3"}},
      {"d.mp2", 0, {m + "d.mp2"}},
  };
  TOpenFilesRequest request;
  request.Filter = "Mp2 Files (*.mp2)|*.mp2|Mp3 Files (*.mp3)|*.mp3|Playlist Files (*.m3u)|*.m3u";
  request.FilterIndex = 2;
  request.MultiSelect = true;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    TypedIntoOpenDialog typed;
    TypeIntoNextOpenDialog(0, music.string(), "a.mp3", c.typed, typed);
    TOpenFilesAnswer answer;
    ASSERT_TRUE(DialogProvider()->OpenFiles(request, answer));
    ASSERT_TRUE(typed.Typed);
    EXPECT_EQ(typed.Selected, c.selected);
    EXPECT_EQ(answer.Files, c.files);
    EXPECT_EQ(answer.FilterIndex, 2);
  }
}

TEST_F(DialogProviderTest, OpenDialogAnswersPickedFilesAsTheyAreSpelled) {
  const std::filesystem::path music = std::filesystem::path(getenv("HOME")) / "picked";
  std::filesystem::create_directories(music);
  // Names that read as names between quotes, and the file that such a reading finds (without
  // it, Qt's own Open button would not take the first name alone).
  const std::string quote = "with \"quote\".mp3", other = "b \"x\".mp3";
  for (const std::string& name :
       {quote, other, "quote"s, "a&b.mp3"s, "new\nline.mp3"s, "plain.mp3"s})
    std::ofstream(music / name) << "x";
  const std::string m = music.string() + "/";
  const std::vector<std::vector<std::string>> cases = {
      {quote},
      {quote, other},
      {"a&b.mp3", "new\nline.mp3", "plain.mp3", quote},
  };
  TOpenFilesRequest request;
  request.Filter = "Mp3 Files (*.mp3)|*.mp3|Playlist Files (*.m3u)|*.m3u";
  request.MultiSelect = true;
  for (const auto& names : cases) {
    SCOPED_TRACE(testing::PrintToString(names));
    PickedInOpenDialog picked;
    PickInNextOpenDialog(music.string(), names, picked);
    TOpenFilesAnswer answer;
    ASSERT_TRUE(DialogProvider()->OpenFiles(request, answer));
    ASSERT_TRUE(picked.Picked);
    std::vector<std::string> files;
    for (const std::string& name : names) files.push_back(m + name);
    EXPECT_EQ(answer.Files, files) << "name box: " << picked.NameBox;
    EXPECT_EQ(answer.FilterIndex, 1);
  }
}

TEST_F(DialogProviderTest, FolderDialogOpensAtTheDesktopOwnedByTheMainWindow) {
  const std::filesystem::path desktop = std::filesystem::path(getenv("HOME")) / "Schreibtisch";
  std::filesystem::create_directories(desktop);
  {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(win32::kShellFoldersKey, true));
    registry.WriteString("Desktop", desktop.string());
  }
  TForm* main = nullptr;
  Application->CreateForm(main);
  ASSERT_EQ(Application->MainForm(), main);
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  QString title, opened;
  QWidget* owner = nullptr;
  WhileShown(
      [&] {
        std::string folder;
        EXPECT_FALSE(DialogProvider()->BrowseForFolder("Select the destination", folder));
      },
      [&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        opened = dialog->directory().absolutePath();
        owner = dialog->parentWidget();
      });
  std::filesystem::current_path(before);
  EXPECT_EQ(title, "Select the destination");
  EXPECT_EQ(opened.toStdString(), desktop.string());
  EXPECT_EQ(owner, main->Widget());
  delete main;
}

}  // namespace
