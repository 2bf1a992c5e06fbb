#include "converter/Main.h"

#include <algorithm>
#include <functional>

#include "converter/ConfigFile.h"
#include "converter/Options.h"
#include "converter/OutputBase.h"
#include "converter/PathParts.h"
#include "converter/PlaylistEntries.h"
#include "converter/about.h"
#include "engine/YzSException.h"
#include "platform/classlib/Application.h"
#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/FileStream.h"
#include "platform/classlib/ResourceStream.h"
#include "platform/classlib/Strings.h"
#include "platform/win32/Files.h"

TForm1* Form1 = nullptr;

namespace {

constexpr const char* kDecoderFile = "teskdec.dll";
constexpr const char* kWmaFile = "teskwma.dll";
constexpr const char* kInputFilter =
    "Mpeg Files (*.mpg)|*.mpg|Mp2 Files (*.mp2)|*.mp2|Mp3 Files (*.mp3)|*.mp3|"
    "Playlist Files (*.m3u)|*.m3u|Windows Media Audio File (*.wma)|*.wma";
constexpr int kWmaFilter = 5;

bool FileExists(const std::string& FileName) {
  const DWORD attributes = GetFileAttributesA(FileName.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void MoveEntry(TStrings* Strings, int From, int To) {
  const std::string entry = Strings->Get(From);
  Strings->Delete(From);
  Strings->Insert(To, entry);
}

// Runs one step of the close: a failure is shown and the close goes on, so the window can
// always be closed.
template <class Step>
void CloseStep(TObject* Sender, Step step) {
  try {
    step();
  } catch (...) {
    ApplicationHandleException(Sender);
  }
}

}  // namespace

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner) {
  SetName("Form1");
  SetCaption("Brassel 1.2");
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu | biMinimize);
  SetPosition(poScreenCenter);
  SetClientWidth(431);
  SetClientHeight(342);
  Font()->SetName("MS Sans Serif");
  Font()->SetSize(8);

  ImageList1 = new TImageList(this);
  ImageList1->SetName("ImageList1");
  ImageList1->SetWidth(32);
  ImageList1->SetHeight(32);
  {
    TBitmap strip;
    strip.LoadFromResourceName(nullptr, "TOOLBAR");
    ImageList1->AddMasked(&strip, clFuchsia);
  }

  ToolBar1 = new TToolBar(this);
  ToolBar1->SetName("ToolBar1");
  ToolBar1->SetParent(this);
  ToolBar1->SetAlign(alTop);
  ToolBar1->SetHeight(54);
  ToolBar1->SetFlat(true);
  ToolBar1->SetButtonWidth(61);
  ToolBar1->SetButtonHeight(52);
  ToolBar1->SetShowCaptions(true);
  ToolBar1->SetImages(ImageList1);
  struct ButtonDef {
    TToolButton** Button;
    const char* Name;
    const char* Caption;
    int Image;
    void (TForm1::*Handler)(TObject*);
  };
  const ButtonDef buttons[] = {
      {&ToolButton1, "ToolButton1", "Input Files", 0, &TForm1::ToolButton1Click},
      {&ToolButton2, "ToolButton2", " Output Dir ", 1, &TForm1::ToolButton2Click},
      {&ToolButton3, "ToolButton3", "Decode", 5, &TForm1::ToolButton3Click},
      {&ToolButton4, "ToolButton4", "Abort", 8, &TForm1::ToolButton4Click},
      {&ToolButton5, "ToolButton5", "Options", 2, &TForm1::ToolButton5Click},
      {&ToolButton6, "ToolButton6", "About", 7, &TForm1::ToolButton6Click},
      {&ToolButton7, "ToolButton7", "Exit", 4, &TForm1::ToolButton7Click},
  };
  for (const auto& b : buttons) {
    auto* button = new TToolButton(this);
    button->SetName(b.Name);
    button->SetParent(ToolBar1);
    button->SetCaption(b.Caption);
    button->SetImageIndex(b.Image);
    button->OnClick = [this, h = b.Handler](TObject* Sender) { (this->*h)(Sender); };
    *b.Button = button;
  }

  ProgressBar1 = new TProgressBar(this);
  ProgressBar1->SetName("ProgressBar1");
  ProgressBar1->SetParent(this);
  ProgressBar1->SetAlign(alBottom);
  ProgressBar1->SetHeight(17);
  ProgressBar1->SetMin(0);
  ProgressBar1->SetMax(100);
  ProgressBar1->SetPosition(0);

  ListView1 = new TListView(this);
  ListView1->SetName("ListView1");
  ListView1->SetParent(this);
  ListView1->SetAlign(alClient);
  ListView1->SetViewStyle(vsReport);
  ListView1->SetReadOnly(true);
  ListView1->SetRowSelect(true);
  ListView1->SetParentFont(false);
  ListView1->Font()->SetName("Verdana");
  ListView1->Font()->SetSize(8);
  TListColumn* column = ListView1->Columns()->Add();
  column->SetCaption("Filename");
  column->SetWidth(300);
  column = ListView1->Columns()->Add();
  column->SetCaption("Status");
  column->SetWidth(127);

  ListBox1 = new TListBox(this);
  ListBox1->SetName("ListBox1");
  ListBox1->SetParent(this);
  ListBox1->SetVisible(false);
  ListBox2 = new TListBox(this);
  ListBox2->SetName("ListBox2");
  ListBox2->SetParent(this);
  ListBox2->SetVisible(false);

  Button1 = new TButton(this);
  Button1->SetName("Button1");
  Button1->SetParent(this);
  Button1->SetCaption("Decode");
  Button1->SetEnabled(false);
  Button1->SetVisible(false);
  Button1->OnClick = [this](TObject* Sender) { Button1Click(Sender); };

  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetEnabled(false);
  Timer1->SetInterval(1000);
  Timer1->OnTimer = [this](TObject* Sender) { Timer1Timer(Sender); };

  OpenDialog1 = new TOpenDialog(this);
  OpenDialog1->SetName("OpenDialog1");
  OpenDialog1->SetOptions(ofHideReadOnly | ofAllowMultiSelect | ofEnableSizing);

  ShellFolders1 = new TShellFolders(this);
  ShellFolders1->SetName("ShellFolders1");
  ShellFolders1->SetParent(this);
  ShellFolders1->SetBounds(264, 8, 9, 17);

  PlayerMan = new TYzPlayerMan(this);
  PlayerMan->SetName("PlayerMan");
  {
    // The one stored player: its settings are streamed in before any module is loaded, so
    // the player only keeps them.
    auto* player = static_cast<TYzPlayer*>(PlayerMan->Players()->Add());
    player->SetInputMode(imFile);
    player->SetOutputMode(omFile);
    player->SetModuleName("(Module not initialized)");
    player->SetStartPos(0);
    player->SetEndPos(0);
    player->SetPriority(0);
    player->SetBuffersCount(12);
    player->SetBufferSize(16384);
    player->SetOutputDevNum(0);
    player->SetUseEqualizer(false);
    using namespace std::placeholders;
    player->OnOutputInit = [this](TObject* S, bool& Ok) { PlayerManPlayers0OutputInit(S, Ok); };
    player->OnOutputDone = [this](TObject* S, bool& Ok) { PlayerManPlayers0OutputDone(S, Ok); };
    player->OnOutput =
        std::bind(&TForm1::PlayerManPlayers0Output, this, _1, _2, _3, _4, _5, _6, _7);
    player->OnInputOpen = std::bind(&TForm1::PlayerManPlayers0InputOpen, this, _1, _2, _3, _4);
    player->OnInputClose = std::bind(&TForm1::PlayerManPlayers0InputClose, this, _1, _2, _3);
    player->OnInputGetSize =
        std::bind(&TForm1::PlayerManPlayers0InputGetSize, this, _1, _2, _3, _4);
    player->OnInputSeek = std::bind(&TForm1::PlayerManPlayers0InputSeek, this, _1, _2, _3, _4, _5);
    player->OnInputRead =
        std::bind(&TForm1::PlayerManPlayers0InputRead, this, _1, _2, _3, _4, _5, _6);
  }

  MainMenu1 = new TMainMenu(this);
  MainMenu1->SetName("MainMenu1");
  auto item = [this](TMenuItem* parent, const char* name, const char* caption,
                     void (TForm1::*handler)(TObject*)) {
    auto* menuItem = new TMenuItem(this);
    menuItem->SetName(name);
    menuItem->SetCaption(caption);
    if (handler) menuItem->OnClick = [this, handler](TObject* Sender) { (this->*handler)(Sender); };
    if (parent)
      parent->Add(menuItem);
    else
      MainMenu1->Items()->Add(menuItem);
    return menuItem;
  };
  File1 = item(nullptr, "File1", "&File", nullptr);
  InputFile1 = item(File1, "InputFile1", "&Input Files...", &TForm1::InputFile1Click);
  OutputFile1 = item(File1, "OutputFile1", "&Output Directory...", &TForm1::OutputFile1Click);
  N1 = item(File1, "N1", "-", nullptr);
  Decode1 = item(File1, "Decode1", "&Decode", &TForm1::Decode1Click);
  Abort1 = item(File1, "Abort1", "&Abort", &TForm1::Abort1Click);
  N2 = item(File1, "N2", "-", nullptr);
  Exit1 = item(File1, "Exit1", "&Exit", &TForm1::Exit1Click);
  Edit1 = item(nullptr, "Edit1", "&Edit", nullptr);
  Delete1 = item(Edit1, "Delete1", "&Options", &TForm1::Delete1Click);
  Help1 = item(nullptr, "Help1", "&Help", nullptr);
  About1 = item(Help1, "About1", "&About", &TForm1::About1Click);
  SetMenu(MainMenu1);

  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  OnClose = [this](TObject* Sender, TCloseAction& Action) { FormClose(Sender, Action); };
}

TForm1::~TForm1() {
  // The rows go while the list's window still holds them: the form's window, and the list's
  // with it, is gone before the owned components are destroyed.
  ListView1->Items()->Clear();
  if (Form1 == this) Form1 = nullptr;
}

// Start-up and close.

void TForm1::FormCreate(TObject*) {
  CurrentIndex = 0;
  IniFile = std::make_unique<TIniFile>(ConfigFileName());
  InitialDir = IniFile->ReadString(kOptionsSection, "InitialDir", "");
  WriteModuleFile("Decoder", kDecoderFile, DecoderWritten);
  WriteModuleFile("WMA", kWmaFile, WmaWritten);
  Player = PlayerMan->Players()->GetItems(0);
  Player->SetPathToDLL(ShellFolders1->GetWindowsDir() + kDecoderFile);
  Player->InitModule();
}

void TForm1::WriteModuleFile(const char* ResourceName, const char* FileName, bool& Written) {
  TResourceStream module(nullptr, ResourceName, "Module");
  const std::string path = ShellFolders1->GetWindowsDir() + FileName;
  // A file that cannot be created may be another instance's module: it is left alone.
  auto file = std::make_unique<TFileStream>(path, fmCreate);
  try {
    module.SaveToStream(file.get());
  } catch (...) {
    // A torn module (a full disk, a file-size limit) is not left behind.
    file.reset();
    DeleteFileA(path.c_str());
    throw;
  }
  Written = true;
}

void TForm1::FormClose(TObject*, TCloseAction&) {
  // The timer first: once the module is released every tick would fail.
  Timer1->SetEnabled(false);
  CloseStep(this, [this] {
    if (Batch.Mode() == pmPlaying) TakenPlayer().Stop();
  });
  if (Player) Player->DeInitModule();
  // Only the files this instance wrote: those of another running instance stay its own.
  const std::string windows = ShellFolders1->GetWindowsDir();
  if (WmaWritten && FileExists(windows + kWmaFile)) DeleteFileA((windows + kWmaFile).c_str());
  if (DecoderWritten && FileExists(windows + kDecoderFile)) {
    DeleteFileA((windows + kDecoderFile).c_str());
  }
  CloseStep(this, [this] {
    IniFile = std::make_unique<TIniFile>(ConfigFileName());
    IniFile->WriteInteger(kOptionsSection, "Priority", Form3->Slider1->Value());
    IniFile->WriteString(kOptionsSection, "Abort", Form3->CheckBox1->Checked() ? "true" : "false");
    if (Form3->RadioButton1->Checked()) {
      IniFile->WriteString(kOptionsSection, "AllFiles", "true");
      IniFile->WriteString(kOptionsSection, "OnlyOne", "false");
    } else {
      IniFile->WriteString(kOptionsSection, "AllFiles", "false");
      IniFile->WriteString(kOptionsSection, "OnlyOne", "true");
    }
    IniFile->WriteString(kOptionsSection, "OutputDir", Form3->Edit1->Text());
    IniFile->WriteString(kOptionsSection, "InitialDir", InitialDir);
  });
}

void TForm1::Exit1Click(TObject*) { Close(); }
void TForm1::ToolButton7Click(TObject*) { Close(); }

// Player 0 as the commands see it.

TYzPlayer& TForm1::TakenPlayer() {
  if (Player == nullptr) throw TYzSException(11);
  return *Player;
}

// Commands.

void TForm1::ToolButton1Click(TObject*) {
  if (Batch.Busy()) return;
  CurrentIndex = 0;
  InputFile1->Click();
}

void TForm1::InputFile1Click(TObject*) {
  if (Batch.Busy()) return;
  CurrentIndex = 0;
  OpenDialog1->SetFilter(kInputFilter);
  OpenDialog1->SetInitialDir(InitialDir);
  if (!OpenDialog1->Execute()) return;
  if (Batch.Mode() != pmClosed) {
    Timer1->SetEnabled(false);
    TakenPlayer().Close();
  }
  // A finished report of the old batch must not move the new one on.
  Batch.Forget();
  TYzPlayer& player = TakenPlayer();
  const char* module = OpenDialog1->FilterIndex() == kWmaFilter ? kWmaFile : kDecoderFile;
  player.SetPathToDLL(ShellFolders1->GetWindowsDir() + module);
  player.InitModule();
  ListView1->Items()->Clear();
  ListBox1->Items()->Clear();
  // A new batch: nothing of the last one's progress stays on the bar.
  ProgressBar1->SetPosition(0);
  const TStrings* files = OpenDialog1->Files();
  for (int i = 0; i < files->Count(); ++i) {
    const std::string file = files->Get(i);
    if (FileExtension(file) == ".m3u") {
      Playlist(file);
    } else {
      ListBox1->Items()->Add(file);
    }
  }
  if (files->Count() == 0) return;
  InitialDir = FolderPart(files->Get(0));
  TStrings* queue = ListBox1->Items();
  if (queue->Count() > 1 && FileExtension(files->Get(0)) != ".m3u") {
    // The first entry to the end, then the former last one to the front.
    MoveEntry(queue, 0, queue->Count() - 1);
    MoveEntry(queue, queue->Count() - 2, 0);
  }
  for (int i = 0; i < queue->Count(); ++i) ListView1->Items()->Add()->SetCaption(queue->Get(i));
}

void TForm1::Playlist(const std::string& FileName) {
  // Read as it streams, without a copy of every line: only the entries are kept.
  for (const std::string& entry : PlaylistEntries(FileName)) ListBox1->Items()->Add(entry);
}

void TForm1::ToolButton2Click(TObject*) {
  if (Batch.Busy()) return;
  OutputFile1->Click();
}

void TForm1::OutputFile1Click(TObject*) {
  if (Batch.Busy()) return;
  std::string folder;
  if (DialogProvider()->BrowseForFolder("Select the destination for the output file(s)", folder)) {
    Form3->Edit1->SetText(folder);
  }
}

void TForm1::Decode1Click(TObject*) { ToolButton3->Click(); }

void TForm1::ToolButton3Click(TObject*) {
  if (Batch.Busy()) return;
  if (Form3->Edit1->Text().empty()) {
    Application->MessageBox("Please select the output directory for the files", "Information",
                            MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (BatchCount() == 0) {
    Application->MessageBox("Please insert an/some input file(s)", "Information",
                            MB_OK | MB_ICONINFORMATION);
    return;
  }
  Button1->Click();
}

void TForm1::Abort1Click(TObject*) { ToolButton4->Click(); }

void TForm1::ToolButton4Click(TObject*) {
  // Also in the moment between the end of a file and the tick that starts the next one: the
  // batch is running then as well.
  const bool playing = Batch.Mode() == pmPlaying;
  if (!playing && !Batch.RunPending()) return;
  if (playing) TakenPlayer().Stop();
  const bool runEnded = !playing;
  Batch.Forget();
  if (Form3->CheckBox1->Checked()) {
    // Every entry up to the current one, or the current one only; tried whether the file
    // exists or not.
    const int last = std::min(CurrentIndex, ListBox1->Items()->Count() - 1);
    const int first = Form3->RadioButton1->Checked() ? 0 : last;
    for (int i = std::max(first, 0); i <= last; ++i) {
      OutputBase = OutputBaseOf(ListBox1->Items()->Get(i));
      DeleteFileA(OutputFileName().c_str());
    }
  }
  ClearBatch();
  // A run that ended before the abort may have failed: its code is shown now rather than
  // left in the module for the next batch.
  if (runEnded) TakenPlayer().RaiseRunFailure();
}

void TForm1::Delete1Click(TObject*) { Form3->Show(); }
void TForm1::ToolButton5Click(TObject*) { Form3->Show(); }
void TForm1::About1Click(TObject*) { Form2->Show(); }
void TForm1::ToolButton6Click(TObject*) { Form2->Show(); }
