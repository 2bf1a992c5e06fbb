// Abort with its deletion choices, the checks of "Decode", a file that cannot be decoded,
// and the commands that do nothing while a file is converted.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "converter/ConfigFile.h"
#include "converter/Main.h"
#include "converter/Options.h"
#include "engine/PluginInterface.h"
#include "platform/classlib/DialogProvider.h"
#include "platform/classlib/FileStream.h"
#include "tests/converter/ConverterFixture.h"
#include "tests/converter/ProgramFolder.h"
#include "tests/support/ProcessThreads.h"
#include "tests/support/Wait.h"

namespace converter_test {
namespace {

using namespace std::string_literals;

// The nice value of a decode thread run at the options' priority 0 to 6 (idle, lowest, below
// normal, normal, above normal, highest, time critical).
int NiceOfSliderPriority(int Priority) {
  static const int offsets[] = {19, 10, 5, 0, -5, -10, -20};
  return std::clamp(ProcessNice() + offsets[Priority], -20, 19);
}

// The decode thread that a command or a tick has just started: the one thread that is new
// since Before, once its output file holds samples (the thread takes its priority before it
// decodes). 0 when there is no such thread.
pid_t StartedDecodeThread(const std::set<pid_t>& Before, const std::string& Output) {
  if (!WaitFor([&] {
        std::error_code error;
        return std::filesystem::file_size(Output, error) > 46 && !error;
      })) {
    return 0;
  }
  const std::vector<pid_t> started = ThreadsSince(Before);
  return started.size() == 1 ? started[0] : 0;
}

// The commands that may not act while a batch runs, from the tool bar and from the menu.
const struct {
  const char* name;
  void (*click)();
} kBatchCommands[] = {
    {"Input Files button", [] { Form1->ToolButton1->Click(); }},
    {"Input Files menu", [] { Form1->InputFile1->Click(); }},
    {"Output Dir button", [] { Form1->ToolButton2->Click(); }},
    {"Output Directory menu", [] { Form1->OutputFile1->Click(); }},
    {"Decode button", [] { Form1->ToolButton3->Click(); }},
    {"Decode menu", [] { Form1->Decode1->Click(); }},
};

class ConverterCommandsTest : public ConverterTest {
 protected:
  // Each of the batch commands does nothing and shows nothing: no dialog opens (one would be
  // cancelled), no message, the batch and the output directory stay as they are.
  void ExpectBatchCommandsDoNothing() {
    const size_t opened = Dialogs->OpenRequests.size();
    const size_t browsed = Dialogs->FolderTitles.size();
    const std::string outputDir = Form3->Edit1->Text();
    const int index = Form1->CurrentIndexValue();
    const std::string input = Form1->Player0()->InputName();
    const int entries = Form1->ListBox1->Items()->Count();
    for (const auto& command : kBatchCommands) {
      SCOPED_TRACE(command.name);
      CallHandled(Form1, command.click);
      EXPECT_EQ(Dialogs->OpenRequests.size(), opened);
      EXPECT_EQ(Dialogs->FolderTitles.size(), browsed);
      EXPECT_TRUE(Dialogs->Messages.empty()) << testing::PrintToString(MessageTexts());
      EXPECT_EQ(Form3->Edit1->Text(), outputDir);
      EXPECT_EQ(Form1->CurrentIndexValue(), index);
      EXPECT_EQ(Form1->Player0()->InputName(), input);
      EXPECT_EQ(Form1->ListBox1->Items()->Count(), entries);
      EXPECT_EQ(Form1->ListView1->Items()->Count(), entries);
    }
  }

  // Starts the converter with Work()/out, a new folder, as the output directory.
  void StartIntoOutFolder() {
    out = Work() + "out";
    ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
    StartConverter();
    ChooseOutputDir(out);
  }

  // Three long files (a stream repeated), converted into Work()/out.
  void QueueThreeLongFiles() {
    first = CopyVector("l3-he_44khz.bit", "first.mp3");
    second = CopyVector("l3-he_44khz.bit", "second.mp3", 8);
    third = CopyVector("l3-he_44khz.bit", "third.mp3", 8);
    StartIntoOutFolder();
    if (HasFatalFailure()) return;
    // Chosen third, second, first: converted first, second, third.
    ChooseFiles({third, second, first}, 3);
    ASSERT_EQ(Form1->ListBox1->Items()->Get(0), first);
  }
  std::string first, second, third, out;
};

TEST_F(ConverterCommandsTest, AbortDeletesAsTheOptionsSay) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  const struct {
    bool deleteOnAbort;
    bool allFiles;
    bool firstKept, secondKept;
  } cases[] = {
      {false, false, true, true},
      {true, false, true, false},
      {true, true, false, false},
  };
  QueueThreeLongFiles();
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "delete " << c.deleteOnAbort << " all " << c.allFiles);
    Form3->CheckBox1->SetChecked(c.deleteOnAbort);
    Form3->RadioButton1->SetChecked(c.allFiles);
    Form3->RadioButton2->SetChecked(!c.allFiles);
    ChooseFiles({third, second, first}, 3);
    ClickDecode();
    ASSERT_TRUE(TickUntilNextEntry());
    ASSERT_EQ(Form1->CurrentIndexValue(), 1);
    ASSERT_EQ(Form1->Player0()->GetPlayerMode(), pmPlaying);
    ClickAbort();
    EXPECT_EQ(Form1->Player0()->GetPlayerMode(), pmOpen);
    EXPECT_EQ(FileExists(out + "/first.wav"), c.firstKept);
    EXPECT_EQ(FileExists(out + "/second.wav"), c.secondKept);
    EXPECT_FALSE(FileExists(out + "/third.wav"));
    if (c.secondKept) {
      // Stopped early: a valid, shorter file.
      const WavFile wav = ReadWavFile(out + "/second.wav");
      EXPECT_TRUE(wav.valid);
      EXPECT_LT(wav.dataSize, 8u * ReadWavFile(out + "/first.wav").dataSize);
    }
    EXPECT_EQ(Form1->ListView1->Items()->Count(), 0);
    EXPECT_EQ(Form1->ListBox1->Items()->Count(), 0);
    EXPECT_EQ(Form1->ProgressBar1->Position(), 0);
    // The timer stays on and finds nothing to do.
    EXPECT_TRUE(Form1->Timer1->Enabled());
    Tick();
    EXPECT_EQ(Form1->CurrentIndexValue(), 1);
    std::filesystem::remove(out + "/first.wav");
    std::filesystem::remove(out + "/second.wav");
  }
  EXPECT_TRUE(Dialogs->Messages.empty()) << testing::PrintToString(MessageTexts());
}

TEST_F(ConverterCommandsTest, CommandsWhileConvertingDoNothing) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  QueueThreeLongFiles();
  ClickDecode();
  ASSERT_EQ(Form1->Player0()->GetPlayerMode(), pmPlaying);
  ExpectBatchCommandsDoNothing();
  EXPECT_EQ(Form1->ListBox1->Items()->Count(), 3);
  EXPECT_EQ(Form1->Player0()->InputName(), first);
  EXPECT_EQ(Form1->Player0()->GetPlayerMode(), pmPlaying);
  ClickAbort();
}

TEST_F(ConverterCommandsTest, DecodeNeedsAnOutputDirectoryThenFiles) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  StartConverter();
  // Both missing: only the output directory is asked for.
  ClickDecode();
  ASSERT_EQ(Dialogs->Messages.size(), 1u);
  EXPECT_EQ(Dialogs->Messages[0].Text, "Please select the output directory for the files");
  EXPECT_EQ(Dialogs->Messages[0].Caption, "Information");
  EXPECT_EQ(Dialogs->Messages[0].Flags, MB_OK | MB_ICONINFORMATION);
  ChooseOutputDir(Work());
  ClickDecode();
  ASSERT_EQ(Dialogs->Messages.size(), 2u);
  EXPECT_EQ(Dialogs->Messages[1].Text, "Please insert an/some input file(s)");
  EXPECT_EQ(Dialogs->Messages[1].Caption, "Information");
  EXPECT_EQ(Dialogs->Messages[1].Flags, MB_OK | MB_ICONINFORMATION);
  EXPECT_FALSE(Form1->Timer1->Enabled());
  // A cancelled folder dialog leaves the directory as it was.
  ChooseOutputDir("");
  EXPECT_EQ(Form3->Edit1->Text(), Work());
}

TEST_F(ConverterCommandsTest, FileWithoutFrameHeaderStopsAtItsSizeAndTheProgramGoesOn) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  WriteFileText(Work() + "noise.mp3", std::string(4096, '\x55'));
  const std::string good = CopyVector("l1-fl1.bit", "good.mp3");
  StartIntoOutFolder();
  if (HasFatalFailure()) return;
  ChooseFiles({Work() + "noise.mp3"}, 3);
  ClickDecode();
  ASSERT_EQ(Dialogs->Messages.size(), 1u);
  EXPECT_EQ(Dialogs->Messages[0].Text, "Incorrect decoder mode.");
  EXPECT_EQ(Dialogs->Messages[0].Caption, "Brassel 1.2");
  EXPECT_EQ(Dialogs->Messages[0].Flags & MB_ICONERROR, MB_ICONERROR);
  EXPECT_THAT(RowTexts(0), testing::ElementsAre(Work() + "noise.mp3", "Incorrect decoder mode"));
  EXPECT_FALSE(Form1->Timer1->Enabled());
  EXPECT_FALSE(FileExists(out + "/noise.wav"));

  // As a later file the batch stands still there; a new choice starts afresh.
  ChooseFiles({Work() + "noise.mp3", good}, 3);
  ClickDecode();
  ASSERT_TRUE(TickUntilNextEntry());
  EXPECT_EQ(Dialogs->Messages.size(), 2u);
  EXPECT_TRUE(Form1->Timer1->Enabled());
  for (int i = 0; i < 3; ++i) Tick();
  EXPECT_EQ(Form1->CurrentIndexValue(), 1);
  EXPECT_EQ(Dialogs->Messages.size(), 2u);
  ChooseFiles({good}, 3);
  ClickDecode();
  ASSERT_TRUE(TickUntilBatchEnds());
  EXPECT_TRUE(ReadWavFile(out + "/good.wav").valid);
}

TEST_F(ConverterCommandsTest, CommandsBetweenTwoFilesDoNothingAndTheNextTickGoesOn) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  const std::string shortFile = CopyVector("l1-fl1.bit", "short.mp3");
  const std::string longFile = CopyVector("l3-he_44khz.bit", "long.mp3", 8);
  StartConverter();
  ChooseOutputDir(Work());
  ChooseFiles({longFile, shortFile}, 3);
  ASSERT_EQ(Form1->ListBox1->Items()->Get(0), shortFile);
  const std::set<pid_t> before = ProcessThreads();
  ClickDecode();
  // The short file's decode thread ends right after its run has ended: the file is done and
  // the next tick is due.
  ASSERT_TRUE(WaitFor([&] { return ThreadsSince(before).empty(); }));
  ExpectBatchCommandsDoNothing();
  // The commands asked for the mode and so took the one finished report; it was kept, and the
  // tick still moves the batch on.
  TYzPlayer* player = Form1->Player0();
  EXPECT_EQ(player->GetPlayerMode(), pmOpen);
  Tick();
  EXPECT_EQ(Form1->CurrentIndexValue(), 1);
  EXPECT_EQ(player->InputName(), longFile);
  EXPECT_THAT(RowTexts(0), testing::ElementsAre(shortFile, "Decoded"));
  EXPECT_THAT(RowTexts(1), testing::ElementsAre(longFile, "Decoding..."));
  EXPECT_TRUE(ReadWavFile(Work() + "short.wav").valid);
  ClickAbort();
  EXPECT_TRUE(Dialogs->Messages.empty()) << testing::PrintToString(MessageTexts());
}

TEST_F(ConverterCommandsTest, AbortBetweenTwoFilesStopsTheBatch) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  const std::string shortFile = CopyVector("l1-fl1.bit", "short.mp3");
  const std::string longFile = CopyVector("l3-he_44khz.bit", "long.mp3", 8);
  StartIntoOutFolder();
  if (HasFatalFailure()) return;
  const struct {
    bool commandTookTheReport;  // a command asked for the mode before the abort
    bool deleteOnAbort;
  } cases[] = {{false, false}, {true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "command first " << c.commandTookTheReport);
    Form3->CheckBox1->SetChecked(c.deleteOnAbort);
    ChooseFiles({longFile, shortFile}, 3);
    ASSERT_EQ(Form1->ListBox1->Items()->Get(0), shortFile);
    const std::set<pid_t> before = ProcessThreads();
    ClickDecode();
    // The short file's decode thread ends right after its run has ended: the file is done and
    // the next tick is due.
    ASSERT_TRUE(WaitFor([&] { return ThreadsSince(before).empty(); }));
    if (c.commandTookTheReport) {
      Dialogs->AnswerOpenFiles({}, 1);  // cancelled
      CallHandled(Form1, [] { Form1->InputFile1->Click(); });
    }
    ClickAbort();
    EXPECT_EQ(Form1->ListView1->Items()->Count(), 0);
    EXPECT_EQ(Form1->ListBox1->Items()->Count(), 0);
    for (int i = 0; i < 3; ++i) Tick();
    EXPECT_EQ(Form1->Player0()->GetPlayerMode(), pmOpen);
    EXPECT_EQ(Form1->CurrentIndexValue(), 0);
    EXPECT_FALSE(FileExists(out + "/long.wav"));
    if (c.deleteOnAbort) {
      EXPECT_FALSE(FileExists(out + "/short.wav"));
    } else {
      EXPECT_TRUE(ReadWavFile(out + "/short.wav").valid);
    }
    std::filesystem::remove(out + "/short.wav");
  }
  EXPECT_TRUE(Dialogs->Messages.empty()) << testing::PrintToString(MessageTexts());
}

TEST_F(ConverterCommandsTest, FailedRunShowsItsFailureAndTheBatchStandsThere) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  const std::string failing = CopyVector("l3-he_44khz.bit", "failing.mp3", 2);
  const std::string next = CopyVector("l1-fl1.bit", "next.mp3");
  StartIntoOutFolder();
  if (HasFatalFailure()) return;
  TYzPlayer* player = Form1->Player0();
  const TInputReadEvent fileReads = player->OnInputRead;
  const struct {
    const char* what;
    std::function<void()> breakRun;  // makes the run of "failing.mp3" fail halfway
    const char* message;             // as the row shows it; the error box adds a full stop
  } cases[] = {
      {"reading",
       [&] {
         // Read through the input events; the decode thread's reads fail from the middle of
         // the file on.
         player->SetInputMode(imCallback);
         player->OnInputRead = [fileReads, ui = std::this_thread::get_id()](
                                   TObject* Sender, QVStream UserData, void* Buffer,
                                   int32_t BytesToRead, int32_t& BytesRead, bool& Ok) {
           fileReads(Sender, UserData, Buffer, BytesToRead, BytesRead, Ok);
           auto* stream = dynamic_cast<TFileStream*>(reinterpret_cast<TObject*>(UserData));
           if (std::this_thread::get_id() != ui && stream != nullptr &&
               stream->Position() > stream->Size() / 2) {
             Ok = false;
           }
         };
       },
       "Input stream failure"},
      {"writing",
       [&] {
         player->SetInputMode(imFile);
         player->OnInputRead = fileReads;
         // 256 KiB per file: the WAV file's writes fail halfway.
         LimitFileSize(256 * 1024);
       },
       "Output device failure"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Dialogs->Messages.clear();
    ChooseFiles({next, failing}, 3);
    ASSERT_EQ(Form1->ListBox1->Items()->Get(0), failing);
    c.breakRun();
    ClickDecode();
    TickUntil([&] { return !Dialogs->Messages.empty() || Form1->CurrentIndexValue() != 0; });
    ASSERT_EQ(Dialogs->Messages.size(), 1u) << testing::PrintToString(MessageTexts());
    EXPECT_EQ(Dialogs->Messages[0].Text, c.message + "."s);
    EXPECT_EQ(Dialogs->Messages[0].Caption, "Brassel 1.2");
    // Not "Decoded", and the batch stands still at the failed entry.
    EXPECT_THAT(RowTexts(0), testing::ElementsAre(failing, c.message));
    EXPECT_THAT(RowTexts(1), testing::ElementsAre(next));
    for (int i = 0; i < 3; ++i) Tick();
    EXPECT_EQ(Form1->CurrentIndexValue(), 0);
    EXPECT_EQ(Dialogs->Messages.size(), 1u);
    EXPECT_TRUE(Form1->Timer1->Enabled());
    EXPECT_FALSE(FileExists(out + "/next.wav"));
  }
}

TEST_F(ConverterCommandsTest, ProgressStartsAtZeroForEveryBatchAndEveryFile) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  const std::string running = CopyVector("l3-he_44khz.bit", "running.mp3", 8);
  const std::string medium = CopyVector("l3-he_44khz.bit", "medium.mp3", 2);
  const std::string later = CopyVector("l3-he_44khz.bit", "later.mp3", 8);
  const std::string missing = Work() + "missing.mp3";
  StartIntoOutFolder();
  if (HasFatalFailure()) return;
  // Every file is read through the input events, whose reads on the decode thread fail while
  // failReads is set.
  TYzPlayer* player = Form1->Player0();
  const TInputReadEvent fileReads = player->OnInputRead;
  std::atomic<bool> failReads{false};
  player->SetInputMode(imCallback);
  player->OnInputRead = [&, fileReads, ui = std::this_thread::get_id()](
                            TObject* Sender, QVStream UserData, void* Buffer, int32_t BytesToRead,
                            int32_t& BytesRead, bool& Ok) {
    fileReads(Sender, UserData, Buffer, BytesToRead, BytesRead, Ok);
    if (std::this_thread::get_id() != ui && failReads) Ok = false;
  };
  const struct {
    const char* how;
    std::function<void()> endRun;  // ends the first batch part way
  } cases[] = {
      {"failed",
       [&] {
         failReads = true;
         TickUntil([&] { return !Dialogs->Messages.empty(); });
         ASSERT_EQ(MessageTexts(), std::vector<std::string>{"Input stream failure."});
         failReads = false;
         // Decode again at the failed entry, which is gone now: that start is at 0 too.
         ASSERT_GE(Form1->ProgressBar1->Position(), 1);
         std::filesystem::remove(running);
         ClickDecode();
         EXPECT_EQ(Dialogs->Messages.size(), 2u);
         EXPECT_EQ(Form1->ProgressBar1->Position(), 0);
         CopyVector("l3-he_44khz.bit", "running.mp3", 8);
       }},
      {"aborted", [&] { ClickAbort(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    Dialogs->Messages.clear();
    ChooseFiles({running}, 3);
    ClickDecode();
    ASSERT_TRUE(TickUntil([] { return Form1->ProgressBar1->Position() >= 1; }));
    c.endRun();
    Dialogs->Messages.clear();

    // A new batch whose first file fails at its start, then runs once it is there.
    std::filesystem::remove(missing);
    ChooseFiles({later, missing}, 3);
    ASSERT_EQ(Form1->ListBox1->Items()->Get(0), missing);
    EXPECT_EQ(Form1->ProgressBar1->Position(), 0);
    ClickDecode();
    EXPECT_EQ(Form1->ProgressBar1->Position(), 0);
    ASSERT_EQ(MessageTexts(), std::vector<std::string>{"Input stream failure."});
    std::filesystem::copy_file(medium, missing);
    ClickDecode();
    EXPECT_EQ(RowTexts(0), (std::vector<std::string>{missing, "Decoding..."}));
    EXPECT_EQ(Form1->ProgressBar1->Position(), 0);
    ASSERT_TRUE(TickUntil([] { return Form1->ProgressBar1->Position() >= 1; }));
    // The next file starts at 0 too.
    ASSERT_TRUE(TickUntilNextEntry());
    ASSERT_EQ(Form1->CurrentIndexValue(), 1);
    EXPECT_GE(Form1->ProgressBar1->Max(), 8);
    EXPECT_EQ(Form1->ProgressBar1->Position(), 0);
    ClickAbort();
  }
  player->OnInputRead = fileReads;
}

TEST_F(ConverterCommandsTest, TicksShowTheProgressAndEachFileTakesThePriorityOfItsStart) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  first = CopyVector("l3-he_44khz.bit", "first.mp3", 2);
  second = CopyVector("l3-he_44khz.bit", "second.mp3", 8);
  StartIntoOutFolder();
  if (HasFatalFailure()) return;
  ChooseFiles({second, first}, 3);
  ASSERT_EQ(Form1->ListBox1->Items()->Get(0), first);
  // Below the form's own value, and neither idle nor normal.
  Form3->Slider1->SetValue(2);
  std::set<pid_t> before = ProcessThreads();
  ClickDecode();
  const pid_t firstThread = StartedDecodeThread(before, out + "/first.wav");
  ASSERT_NE(firstThread, 0);
  EXPECT_EQ(ThreadNice(firstThread), NiceOfSliderPriority(2));
  // Moved during the batch: the running file keeps its priority, the next file takes the new.
  Form3->Slider1->SetValue(1);
  EXPECT_EQ(ThreadNice(firstThread), NiceOfSliderPriority(2));
  // The threads just before the tick that starts the second file.
  TickUntil([&] {
    if (Form1->CurrentIndexValue() == 0) before = ProcessThreads();
    return Form1->CurrentIndexValue() != 0;
  });
  ASSERT_EQ(Form1->CurrentIndexValue(), 1);
  const pid_t secondThread = StartedDecodeThread(before, out + "/second.wav");
  ASSERT_NE(secondThread, 0);
  EXPECT_EQ(ThreadNice(secondThread), NiceOfSliderPriority(1));

  const int maximum = Form1->ProgressBar1->Max();
  EXPECT_GE(maximum, 8);
  TickUntil([] { return Form1->ProgressBar1->Position() >= 1; });
  EXPECT_GE(Form1->ProgressBar1->Position(), 1);
  EXPECT_LE(Form1->ProgressBar1->Position(), maximum);
  EXPECT_EQ(Form1->CurrentIndexValue(), 1);
  ClickAbort();
}

TEST_F(ConverterCommandsTest, InputEventsReadTheFileForCallbackInput) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  const std::string input = CopyVector("l2-fl10.bit", "in.mp2");
  StartConverter();
  TYzPlayer* player = Form1->Player0();
  TObject* sender = player;

  // The handlers one by one: open, size, seeks from each origin, reads, close.
  player->SetInputName(input);
  QVStream stream = 0;
  bool canSetPos = false, success = false;
  Form1->PlayerManPlayers0InputOpen(sender, stream, canSetPos, success);
  ASSERT_TRUE(success);
  EXPECT_TRUE(canSetPos);
  ASSERT_NE(stream, QVStream(0));
  int32_t size = 0;
  Form1->PlayerManPlayers0InputGetSize(sender, stream, size, success);
  EXPECT_TRUE(success);
  EXPECT_EQ(size, 42336);
  const struct {
    int32_t offset, mode, position;
    bool success;
  } seeks[] = {{100, 0, 100, true}, {50, 1, 150, true}, {-36, 2, 42300, true}, {-10, 0, -1, false}};
  for (const auto& k : seeks) {
    int32_t position = k.offset;
    Form1->PlayerManPlayers0InputSeek(sender, stream, position, k.mode, success);
    EXPECT_EQ(success, k.success) << k.offset << " from " << k.mode;
    if (k.success) {
      EXPECT_EQ(position, k.position);
    }
  }
  char buffer[64];
  int32_t read = -1;
  Form1->PlayerManPlayers0InputRead(sender, stream, buffer, sizeof buffer, read, success);
  EXPECT_TRUE(success);
  EXPECT_EQ(read, 36);  // from 42300 to the end
  bool closed = false;
  Form1->PlayerManPlayers0InputClose(sender, stream, closed);
  EXPECT_FALSE(closed);  // sets no result

  // A file that cannot be opened, and a stream value that is none.
  player->SetInputName(Work() + "missing.mp2");
  stream = 0;
  canSetPos = false;
  success = true;
  Form1->PlayerManPlayers0InputOpen(sender, stream, canSetPos, success);
  EXPECT_FALSE(success);
  EXPECT_EQ(stream, QVStream(0));
  EXPECT_FALSE(canSetPos);
  success = true;
  Form1->PlayerManPlayers0InputGetSize(sender, 0, size, success);
  EXPECT_FALSE(success);
  success = true;
  Form1->PlayerManPlayers0InputRead(sender, 0, buffer, sizeof buffer, read, success);
  EXPECT_FALSE(success);

  // A whole conversion through them (the reads come from the decode thread).
  std::atomic<int> reads{0};
  TInputReadEvent original = player->OnInputRead;
  player->OnInputRead = [&reads, original](TObject* Sender, QVStream UserData, void* Buffer,
                                           int32_t BytesToRead, int32_t& BytesRead, bool& Ok) {
    ++reads;
    original(Sender, UserData, Buffer, BytesToRead, BytesRead, Ok);
  };
  player->SetInputMode(imCallback);
  ChooseOutputDir(Work());
  ChooseFiles({input}, 2);
  ClickDecode();
  ASSERT_TRUE(TickUntilBatchEnds());
  EXPECT_TRUE(Dialogs->Messages.empty()) << testing::PrintToString(MessageTexts());
  const WavFile wav = ReadWavFile(Work() + "in.wav");
  EXPECT_TRUE(wav.valid);
  EXPECT_GT(wav.dataSize, 0u);
  EXPECT_GT(reads.load(), 0);
}

TEST_F(ConverterCommandsTest, ModuleThatCannotBeLoadedLeavesTheListAndTheCloseWorks) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  const std::string a = CopyVector("l1-fl1.bit", "a.mp3");
  StartConverter();
  ChooseOutputDir(Work());
  ChooseFiles({a}, 3);
  ASSERT_EQ(Form1->ListView1->Items()->Count(), 1);
  // Without its file the WMA module cannot be loaded: the choice stops before the lists.
  ASSERT_EQ(unlink((WindowsDir() + "teskwma.dll").c_str()), 0);
  ChooseFiles({std::string(BRASSEL_FIXTURES_DIR) + "/wma/v2-8k-mono.wma"}, 5);
  ASSERT_EQ(Dialogs->Messages.size(), 1u);
  EXPECT_EQ(Dialogs->Messages[0].Text, "Failed to load or initialize decoder module.");
  EXPECT_FALSE(Form1->Player0()->Initialized());
  EXPECT_EQ(Form1->ListBox1->Items()->Get(0), a);
  EXPECT_EQ(Form1->ListView1->Items()->Count(), 1);
  // Player 0 holds no module: the commands, the timer and the close still work.
  ClickAbort();
  Tick();
  ClickDecode();
  ASSERT_EQ(Dialogs->Messages.size(), 2u);
  EXPECT_EQ(Dialogs->Messages[1].Text, "Module not initialized.");
  CloseConverter();
  EXPECT_EQ(Dialogs->Messages.size(), 2u) << testing::PrintToString(MessageTexts());
  EXPECT_FALSE(FileExists(WindowsDir() + "teskdec.dll"));
  EXPECT_TRUE(FileExists(ConfigFileName()));
}

}  // namespace
}  // namespace converter_test
