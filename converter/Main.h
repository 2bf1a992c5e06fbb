// The converter's main window: the file list, the tool bar and menus, the progress bar, and
// the batch that feeds one queued file after another to player 0, polled by a one-second
// timer. Its creation writes the two decoder modules into the Windows directory and binds
// player 0 to the MPEG module; its close releases the module, deletes the module files and
// saves the options. The form and its commands are in Main.cpp, the batch in Batch.cpp and
// its states in BatchState, player 0's events in PlayerEvents.cpp.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "controls/ShellFolders.h"
#include "converter/BatchState.h"
#include "engine/YzPlayerMan.h"
#include "platform/classlib/Button.h"
#include "platform/classlib/Form.h"
#include "platform/classlib/ImageList.h"
#include "platform/classlib/IniFile.h"
#include "platform/classlib/ListBox.h"
#include "platform/classlib/ListView.h"
#include "platform/classlib/MainMenu.h"
#include "platform/classlib/MenuItem.h"
#include "platform/classlib/OpenDialog.h"
#include "platform/classlib/ProgressBar.h"
#include "platform/classlib/Timer.h"
#include "platform/classlib/ToolBar.h"
#include "platform/classlib/ToolButton.h"

class TForm1 : public TForm {
 public:
  explicit TForm1(TComponent* AOwner);
  ~TForm1() override;

  TToolBar* ToolBar1;
  TToolButton* ToolButton1;
  TToolButton* ToolButton2;
  TToolButton* ToolButton3;
  TToolButton* ToolButton4;
  TToolButton* ToolButton5;
  TToolButton* ToolButton6;
  TToolButton* ToolButton7;
  TListView* ListView1;
  TProgressBar* ProgressBar1;
  TMainMenu* MainMenu1;
  TMenuItem* File1;
  TMenuItem* InputFile1;
  TMenuItem* OutputFile1;
  TMenuItem* N1;
  TMenuItem* Decode1;
  TMenuItem* Abort1;
  TMenuItem* N2;
  TMenuItem* Exit1;
  TMenuItem* Edit1;
  TMenuItem* Delete1;
  TMenuItem* Help1;
  TMenuItem* About1;
  TListBox* ListBox1;
  TListBox* ListBox2;
  TButton* Button1;
  TTimer* Timer1;
  TOpenDialog* OpenDialog1;
  TImageList* ImageList1;
  TShellFolders* ShellFolders1;
  TYzPlayerMan* PlayerMan;

  // Published handlers.
  void FormCreate(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void InputFile1Click(TObject* Sender);
  void OutputFile1Click(TObject* Sender);
  void Decode1Click(TObject* Sender);
  void Abort1Click(TObject* Sender);
  void Delete1Click(TObject* Sender);
  void About1Click(TObject* Sender);
  void Exit1Click(TObject* Sender);
  void ToolButton1Click(TObject* Sender);
  void ToolButton2Click(TObject* Sender);
  void ToolButton3Click(TObject* Sender);
  void ToolButton4Click(TObject* Sender);
  void ToolButton5Click(TObject* Sender);
  void ToolButton6Click(TObject* Sender);
  void ToolButton7Click(TObject* Sender);
  void Button1Click(TObject* Sender);
  void Timer1Timer(TObject* Sender);
  void PlayerManPlayers0OutputInit(TObject* Sender, bool& Success);
  void PlayerManPlayers0OutputDone(TObject* Sender, bool& Success);
  void PlayerManPlayers0Output(TObject* Sender, void* SampleData, int32_t SBits, int32_t Channels,
                               int32_t SampleRate, int32_t Size, bool& Success);
  void PlayerManPlayers0InputOpen(TObject* Sender, QVStream& UserData, bool& CanSetPos,
                                  bool& Success);
  void PlayerManPlayers0InputClose(TObject* Sender, QVStream UserData, bool& Success);
  void PlayerManPlayers0InputGetSize(TObject* Sender, QVStream UserData, int32_t& Size,
                                     bool& Success);
  void PlayerManPlayers0InputSeek(TObject* Sender, QVStream UserData, int32_t& NewPos,
                                  int32_t SeekMode, bool& Success);
  void PlayerManPlayers0InputRead(TObject* Sender, QVStream UserData, void* Buffer,
                                  int32_t BytesToRead, int32_t& BytesRead, bool& Success);

  // Published methods of the batch.
  void Decode();
  void Playlist(const std::string& FileName);

  // State the tests look at.
  TYzPlayer* Player0() const { return Player; }
  int CurrentIndexValue() const { return CurrentIndex; }
  const std::string& InitialDirValue() const { return InitialDir; }

 private:
  // Player 0, or the player's "Module not initialized" when it was never taken.
  TYzPlayer& TakenPlayer();
  // The entries that have a row: only those are converted.
  int BatchCount() const;
  // A row holds one status: the file's progress, or the failure that stopped it.
  void SetRowStatus(int Row, const std::string& Status);
  // Converts queue entry CurrentIndex; a failure is shown on its row as well.
  void StartCurrentEntry(bool CloseFirst);
  // Runs Step; its failure is shown on the current entry's row, then raised on.
  void ShowFailureOnRow(const std::function<void()>& Step);
  void WriteModuleFile(const char* ResourceName, const char* FileName, bool& Written);
  void ClearBatch();
  // The output directory's file for OutputBase.
  std::string OutputFileName() const;

  TYzPlayer* Player = nullptr;
  std::string OutputBase;
  int32_t CurrentIndex = 0;
  std::unique_ptr<TIniFile> IniFile;
  std::string InitialDir;

  // Every question of player 0's mode goes through the batch's states; pmClosed while
  // player 0 holds no module.
  BatchState Batch{[this] {
    return Player != nullptr && Player->Initialized() ? Player->GetPlayerMode() : pmClosed;
  }};
  bool DecoderWritten = false;
  bool WmaWritten = false;
  int FilterUsed = 1;
};

extern TForm1* Form1;
