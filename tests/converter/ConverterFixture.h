// The converter's forms as the program block makes them, with scripted dialogs, in a program
// folder and platform root of the test's own (see ProgramFolder.h). The timer is driven from
// the test: Tick runs its handler as a tick would, and the waits poll with a deadline.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/ScriptedDialogs.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WavFile.h"

class TForm1;

namespace converter_test {

bool FileExists(const std::string& FileName);
std::string ReadFileText(const std::string& FileName);
void WriteFileText(const std::string& FileName, const std::string& Text);

class ConverterTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates the three forms as the program block does, in a process whose signals are as a
  // shell leaves them for a program it starts.
  void StartConverter();
  // Closes the main window (its close handler runs) unless it was closed already.
  void CloseConverter();

  // A temporary folder for inputs and outputs, with its trailing "/".
  const std::string& Work() const { return FWork; }
  std::string WindowsDir() const;
  // Copies a conformance stream to Work() under a new name, Times times in a row.
  std::string CopyVector(const std::string& Vector, const std::string& Name, int Times = 1);

  // A limit on the size of every file the process writes from now on, as `ulimit -f` sets it.
  static void LimitFileSize(rlim_t Bytes);

  // The input-file command with a scripted answer (filter counted from 1).
  void ChooseFiles(const std::vector<std::string>& Files, int Filter);
  // The output-directory command with a scripted answer.
  void ChooseOutputDir(const std::string& Folder);
  void ClickDecode();
  void ClickAbort();

  // One timer tick, with the handling a real tick has: an exception goes to the error box.
  void Tick();
  // Ticks until Done holds (asked before each tick and after it); false at the deadline.
  bool TickUntil(const std::function<bool()>& Done, int Seconds = 60);
  // Ticks until the current entry changes or the batch ends; false at the deadline.
  bool TickUntilNextEntry(int Seconds = 60);
  // Ticks until the batch timer is off; false at the deadline.
  bool TickUntilBatchEnds(int Seconds = 120);

  std::vector<std::string> RowTexts(int Row);
  std::vector<std::string> MessageTexts() const;

  TScriptedDialogs* Dialogs = nullptr;
  bool Started = false;
  bool Closed = false;

 private:
  std::optional<TempFolder> FFolder;
  std::string FWork;
};

}  // namespace converter_test
