#include "converter/Main.h"

#include <functional>

#include "converter/Options.h"
#include "converter/OutputBase.h"
#include "platform/classlib/ExceptionHandler.h"

// The batch: one queued file after another through player 0, moved on by the timer.

int TForm1::BatchCount() const {
  const int entries = ListBox1->Items()->Count();
  const int rows = ListView1->Items()->Count();
  return entries < rows ? entries : rows;
}

std::string TForm1::OutputFileName() const {
  return OutputFileOf(Form3->Edit1->Text(), OutputBase);
}

void TForm1::SetRowStatus(int Row, const std::string& Status) {
  if (Row < 0 || Row >= ListView1->Items()->Count()) return;
  TStrings* status = ListView1->Items()->Item(Row)->SubItems();
  status->Clear();
  status->Add(Status);
}

void TForm1::Button1Click(TObject*) {
  if (Batch.Busy()) return;
  // The batch goes on at the current entry: the first after a choice of files, the one that
  // failed after a failure.
  if (CurrentIndex >= BatchCount()) return;
  StartCurrentEntry(Batch.Mode() != pmClosed);
}

void TForm1::Decode() { StartCurrentEntry(true); }

void TForm1::StartCurrentEntry(bool CloseFirst) {
  ShowFailureOnRow([this, CloseFirst] {
    // Every file starts at 0, also one that then fails before its first tick.
    ProgressBar1->SetPosition(0);
    TYzPlayer& player = TakenPlayer();
    if (CloseFirst) player.Close();
    const std::string entry = ListBox1->Items()->Get(CurrentIndex);
    player.SetInputName(entry);
    player.Open();
    player.InitStream();
    SetRowStatus(CurrentIndex, "Decoding...");
    OutputBase = OutputBaseOf(entry);
    ProgressBar1->SetMax(player.GetSize() / 1000);
    player.SetPriority(Form3->Slider1->Value());
    player.SetOutputMode(omFile);
    player.SetOutputName(OutputFileName());
    Batch.RunStarting();
    player.Play();
    Batch.RunStarted();
    Timer1->SetEnabled(true);
  });
}

void TForm1::ShowFailureOnRow(const std::function<void()>& Step) {
  try {
    Step();
  } catch (...) {
    SetRowStatus(CurrentIndex, ExceptionMessage(std::current_exception()));
    throw;
  }
}

void TForm1::Timer1Timer(TObject*) {
  const auto [mode, runEnded] = Batch.Tick();
  if (runEnded) {
    // One that failed (a read, the decoding, the output file) left its code: it is shown on
    // its row and in the error box, and the batch stands still at this entry.
    ShowFailureOnRow([this] { TakenPlayer().RaiseRunFailure(); });
  }
  if (mode == pmFinished) {
    // Ended by itself without a code: its file was written whole.
    if (runEnded) SetRowStatus(CurrentIndex, "Decoded");
    ++CurrentIndex;
    if (CurrentIndex <= BatchCount() - 1) {
      Decode();
    } else {
      ClearBatch();
      Timer1->SetEnabled(false);
    }
  } else if (mode == pmPlaying || mode == pmPaused) {
    ProgressBar1->SetPosition(TakenPlayer().GetPos() / 1000);
  }
}

void TForm1::ClearBatch() {
  ListView1->Items()->Clear();
  ListBox1->Items()->Clear();
  ProgressBar1->SetPosition(0);
}
