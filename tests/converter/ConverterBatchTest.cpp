// The batch: choosing files and play lists, converting them in turn into WAV files, the
// statuses and the progress maximum, the end of a batch, and the WMA module switch.
#include <gmock/gmock.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <thread>

#include "converter/Main.h"
#include "converter/Options.h"
#include "engine/PluginInterface.h"
#include "tests/converter/ConverterFixture.h"
#include "tests/converter/ProgramFolder.h"
#include "tests/support/Wait.h"

namespace converter_test {
namespace {

using namespace std::string_literals;
using testing::ElementsAre;

class ConverterBatchTest : public ConverterTest {};

TEST_F(ConverterBatchTest, FourFilesAreConvertedLastFirstThenInOrder) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  const std::string a = CopyVector("l2-fl10.bit", "a.mp2");
  const std::string b = CopyVector("l3-he_44khz.bit", "b.mp3");
  const std::string c = CopyVector("M2L3_noise.bit", "c.mp3");
  const std::string d = CopyVector("l1-fl1.bit", "d.mpg");
  const std::string out = Work() + "out";
  ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
  StartConverter();
  ASSERT_NE(Form1->Player0(), nullptr);

  ChooseOutputDir(out);
  EXPECT_EQ(Form3->Edit1->Text(), out);
  ASSERT_EQ(Dialogs->FolderTitles.size(), 1u);
  EXPECT_EQ(Dialogs->FolderTitles[0], "Select the destination for the output file(s)");

  ChooseFiles({a, b, c, d}, 2);
  ASSERT_EQ(Dialogs->OpenRequests.size(), 1u);
  EXPECT_EQ(Dialogs->OpenRequests[0].Filter,
            "Mpeg Files (*.mpg)|*.mpg|Mp2 Files (*.mp2)|*.mp2|Mp3 Files (*.mp3)|*.mp3|"
            "Playlist Files (*.m3u)|*.m3u|Windows Media Audio File (*.wma)|*.wma");
  EXPECT_TRUE(Dialogs->OpenRequests[0].MultiSelect);
  EXPECT_EQ(Form1->InitialDirValue(), Work());
  EXPECT_EQ(Form1->Player0()->PathToDLL(), WindowsDir() + "teskdec.dll");
  const std::vector<std::string> order = {d, b, c, a};
  ASSERT_EQ(Form1->ListView1->Items()->Count(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Form1->ListBox1->Items()->Get(i), order[i]);
    EXPECT_THAT(RowTexts(i), ElementsAre(order[i]));
  }

  ClickDecode();
  EXPECT_TRUE(Form1->Timer1->Enabled());
  EXPECT_THAT(RowTexts(0), ElementsAre(d, "Decoding..."));
  EXPECT_EQ(Form1->Player0()->OutputName(), out + "/d.wav");
  // l1-fl1 lasts less than a second.
  EXPECT_EQ(Form1->ProgressBar1->Max(), 0);

  ASSERT_TRUE(TickUntilNextEntry());
  EXPECT_EQ(Form1->CurrentIndexValue(), 1);
  EXPECT_THAT(RowTexts(0), ElementsAre(d, "Decoded"));
  EXPECT_THAT(RowTexts(1), ElementsAre(b, "Decoding..."));
  EXPECT_EQ(Form1->ProgressBar1->Position(), 0);
  EXPECT_EQ(Form1->ProgressBar1->Max(), Form1->Player0()->GetSize() / 1000);
  EXPECT_GE(Form1->ProgressBar1->Max(), 1);

  ASSERT_TRUE(TickUntilNextEntry());
  EXPECT_THAT(RowTexts(1), ElementsAre(b, "Decoded"));
  EXPECT_THAT(RowTexts(2), ElementsAre(c, "Decoding..."));
  ASSERT_TRUE(TickUntilNextEntry());
  EXPECT_THAT(RowTexts(2), ElementsAre(c, "Decoded"));
  EXPECT_THAT(RowTexts(3), ElementsAre(a, "Decoding..."));

  ASSERT_TRUE(TickUntilBatchEnds());
  EXPECT_EQ(Form1->ListView1->Items()->Count(), 0);
  EXPECT_EQ(Form1->ListBox1->Items()->Count(), 0);
  EXPECT_EQ(Form1->ProgressBar1->Position(), 0);
  EXPECT_EQ(Form1->Player0()->GetPlayerMode(), pmOpen);
  EXPECT_TRUE(Dialogs->Messages.empty()) << testing::PrintToString(MessageTexts());

  const struct {
    const char* name;
    int rate;
  } outputs[] = {{"d.wav", 32000}, {"b.wav", 44100}, {"c.wav", 22050}, {"a.wav", 32000}};
  for (const auto& o : outputs) {
    SCOPED_TRACE(o.name);
    const WavFile wav = ReadWavFile(out + "/" + o.name);
    EXPECT_TRUE(wav.valid);
    EXPECT_EQ(wav.sampleRate, o.rate);
    EXPECT_EQ(wav.bitsPerSample, 16);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_GT(wav.dataSize, 0u);
  }
}

TEST_F(ConverterBatchTest, FailedEntryShowsItsFailureAndDecodeGoesOnThere) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  const std::string one = CopyVector("l1-fl1.bit", "one.mp3");
  const std::string two = Work() + "two.mp3";  // missing until the end
  const std::string three = CopyVector("l1-fl1.bit", "three.mp3");
  const std::string out = Work() + "out";
  ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
  StartConverter();
  ChooseOutputDir(out);
  ChooseFiles({three, two, one}, 3);
  ASSERT_EQ(Form1->ListBox1->Items()->Get(0), one);
  ClickDecode();
  ASSERT_TRUE(TickUntilNextEntry());
  // The file before it was written whole; the missing one tells why it stopped; the one
  // after it was not touched.
  ASSERT_EQ(Dialogs->Messages.size(), 1u);
  EXPECT_EQ(Dialogs->Messages[0].Text, "Input stream failure.");
  EXPECT_THAT(RowTexts(0), ElementsAre(one, "Decoded"));
  EXPECT_THAT(RowTexts(1), ElementsAre(two, "Input stream failure"));
  EXPECT_THAT(RowTexts(2), ElementsAre(three));
  EXPECT_TRUE(ReadWavFile(out + "/one.wav").valid);
  ASSERT_EQ(unlink((out + "/one.wav").c_str()), 0);

  // Decode goes on at the failed entry, not at the first one, and a failure again is told
  // again; ticks in between change nothing.
  for (int attempt = 0; attempt < 2; ++attempt) {
    SCOPED_TRACE(attempt);
    for (int i = 0; i < 3; ++i) Tick();
    EXPECT_EQ(Form1->CurrentIndexValue(), 1);
    ClickDecode();
    EXPECT_EQ(Form1->Player0()->InputName(), two);
    ASSERT_EQ(Dialogs->Messages.size(), 2u + attempt) << testing::PrintToString(MessageTexts());
    EXPECT_EQ(Dialogs->Messages.back().Text, "Input stream failure.");
    EXPECT_THAT(RowTexts(0), ElementsAre(one, "Decoded"));
    EXPECT_THAT(RowTexts(1), ElementsAre(two, "Input stream failure"));
    EXPECT_THAT(RowTexts(2), ElementsAre(three));
  }
  // Once the file is there, the batch goes on from it to its end.
  CopyVector("l1-fl1.bit", "two.mp3");
  ClickDecode();
  EXPECT_THAT(RowTexts(1), ElementsAre(two, "Decoding..."));
  ASSERT_TRUE(TickUntilNextEntry());
  EXPECT_THAT(RowTexts(1), ElementsAre(two, "Decoded"));
  EXPECT_THAT(RowTexts(2), ElementsAre(three, "Decoding..."));
  ASSERT_TRUE(TickUntilBatchEnds());
  EXPECT_EQ(Dialogs->Messages.size(), 3u) << testing::PrintToString(MessageTexts());
  EXPECT_TRUE(ReadWavFile(out + "/two.wav").valid);
  EXPECT_TRUE(ReadWavFile(out + "/three.wav").valid);
  EXPECT_FALSE(FileExists(out + "/one.wav"));
}

TEST_F(ConverterBatchTest, SwapOrderForOneTwoAndThreeFiles) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  const std::string a = CopyVector("l1-fl1.bit", "a.mpg");
  const std::string b = CopyVector("l1-fl1.bit", "b.mpg");
  const std::string c = CopyVector("l1-fl1.bit", "c.mpg");
  StartConverter();
  const struct {
    std::vector<std::string> chosen, queued;
  } cases[] = {{{a}, {a}}, {{a, b}, {b, a}}, {{a, b, c}, {c, b, a}}};
  for (const auto& k : cases) {
    ChooseFiles(k.chosen, 1);
    std::vector<std::string> queue;
    for (int i = 0; i < Form1->ListBox1->Items()->Count(); ++i) {
      queue.push_back(Form1->ListBox1->Items()->Get(i));
    }
    EXPECT_EQ(queue, k.queued);
    EXPECT_EQ(Form1->ListView1->Items()->Count(), static_cast<int>(k.queued.size()));
  }
}

TEST_F(ConverterBatchTest, PlayListsQueueTheirMpegLinesAsWritten) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  const std::string plain = CopyVector("l1-fl1.bit", "plain.mp3");
  WriteFileText(Work() + "mixed.m3u", "#EXTM3U\r\nsong.MP3\r\na.mp3 \r\n\r\nb.ogg\r\nc.mp2\r\n");
  WriteFileText(Work() + "cr.m3u", "one.mp3\rtwo.mpg\r/abs/three.mp2");
  WriteFileText(Work() + "nul.m3u", "x.mp3\ny.mp3\0z.mp3\n"s);
  StartConverter();

  auto queue = [] {
    std::vector<std::string> entries;
    for (int i = 0; i < Form1->ListBox1->Items()->Count(); ++i) {
      entries.push_back(Form1->ListBox1->Items()->Get(i));
    }
    return entries;
  };
  ChooseFiles({Work() + "mixed.m3u"}, 4);
  EXPECT_THAT(queue(), ElementsAre("c.mp2"));
  ChooseFiles({Work() + "cr.m3u"}, 4);
  EXPECT_THAT(queue(), ElementsAre("one.mp3", "two.mpg", "/abs/three.mp2"));
  ChooseFiles({Work() + "nul.m3u"}, 4);
  EXPECT_THAT(queue(), ElementsAre("x.mp3", "y.mp3"));
  // A play list chosen first keeps its order, even with files after it.
  ChooseFiles({Work() + "cr.m3u", plain}, 4);
  EXPECT_THAT(queue(), ElementsAre("one.mp3", "two.mpg", "/abs/three.mp2", plain));
  // After a plain file it takes part in the swap: its last entry comes first.
  ChooseFiles({plain, Work() + "cr.m3u"}, 3);
  EXPECT_THAT(queue(), ElementsAre("/abs/three.mp2", "one.mp3", "two.mpg", plain));
  EXPECT_EQ(Form1->ListView1->Items()->Count(), 4);
  EXPECT_TRUE(Dialogs->Messages.empty());
}

TEST_F(ConverterBatchTest, LongPlayListIsQueuedWholeInItsOrder) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  std::string text = "#EXTM3U\r\n";
  std::vector<std::string> entries;
  for (int i = 0; i < 10000; ++i) {
    entries.push_back("/music/album " + std::to_string(i / 12) + "/track " + std::to_string(i) +
                      ".mp3");
    text += "#EXTINF:215,Artist - Title " + std::to_string(i) + "\r\n" + entries.back() + "\r\n";
  }
  WriteFileText(Work() + "long.m3u", text);
  StartConverter();
  ChooseFiles({Work() + "long.m3u"}, 4);
  EXPECT_TRUE(Dialogs->Messages.empty()) << testing::PrintToString(MessageTexts());
  ASSERT_EQ(Form1->ListBox1->Items()->Count(), 10000);
  ASSERT_EQ(Form1->ListView1->Items()->Count(), 10000);
  for (int i = 0; i < 10000; ++i) {
    ASSERT_EQ(Form1->ListBox1->Items()->Get(i), entries[i]) << i;
    ASSERT_EQ(Form1->ListView1->Items()->Item(i)->Caption(), entries[i]) << i;
  }
  // Chosen again: the rows of the first choice are replaced.
  ChooseFiles({Work() + "long.m3u"}, 4);
  EXPECT_EQ(Form1->ListView1->Items()->Count(), 10000);
}

TEST_F(ConverterBatchTest, RelativePlayListEntryOpensFromTheChosenFolder) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  CopyVector("l1-fl1.bit", "rel.mp3");
  WriteFileText(Work() + "list.m3u", "#EXTM3U\nrel.mp3\n");
  ASSERT_EQ(mkdir((Work() + "out").c_str(), 0755), 0);
  StartConverter();
  ChooseOutputDir(Work() + "out");
  ChooseFiles({Work() + "list.m3u"}, 4);
  ASSERT_EQ(Form1->ListBox1->Items()->Get(0), "rel.mp3");
  ClickDecode();
  ASSERT_TRUE(TickUntilBatchEnds());
  EXPECT_TRUE(Dialogs->Messages.empty()) << testing::PrintToString(MessageTexts());
  // Written inside the output directory, whatever the entry looks like.
  EXPECT_TRUE(ReadWavFile(Work() + "out/rel.wav").valid);
  EXPECT_FALSE(FileExists(Work() + "outrel..wav"));
}

TEST_F(ConverterBatchTest, UnreadablePlayListKeepsWhatWasQueuedAndStartsNothing) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  const std::string plain = CopyVector("l1-fl1.bit", "plain.mp3");
  // Named as play lists, none a regular file but the missing one would be.
  const std::string fifo = Work() + "fifo.m3u";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string folder = Work() + "folder.m3u";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  const std::string device = Work() + "zero.m3u";
  ASSERT_EQ(symlink("/dev/zero", device.c_str()), 0);
  StartConverter();
  ChooseOutputDir(Work() + "out");
  for (const std::string& list : {Work() + "missing.m3u", fifo, folder, device}) {
    SCOPED_TRACE(list);
    Dialogs->Messages.clear();
    // A choice held in the open of a FIFO is let go by a writer after a while, and fails.
    std::atomic<bool> chosen{false}, released{false};
    std::thread watch([&] {
      if (WaitFor([&] { return chosen.load(); }, std::chrono::seconds(5))) return;
      released = true;
      close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    });
    ChooseFiles({plain, list}, 4);
    chosen = true;
    watch.join();
    EXPECT_FALSE(released);
    ASSERT_EQ(Dialogs->Messages.size(), 1u);
    EXPECT_EQ(Dialogs->Messages[0].Text, "Cannot open file " + list + ".");
    EXPECT_EQ(Dialogs->Messages[0].Caption, "Brassel 1.2");
    EXPECT_EQ(Form1->ListBox1->Items()->Count(), 1);
    EXPECT_EQ(Form1->ListView1->Items()->Count(), 0);
    EXPECT_EQ(Form1->InitialDirValue(), "");
    // The queued entry has no row: it is not converted.
    ClickDecode();
    ASSERT_EQ(Dialogs->Messages.size(), 2u);
    EXPECT_EQ(Dialogs->Messages[1].Text, "Please insert an/some input file(s)");
    EXPECT_FALSE(Form1->Timer1->Enabled());
  }
}

TEST_F(ConverterBatchTest, FifthFilterLoadsTheWmaModuleAndConvertsWma) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  const std::string wma = std::string(BRASSEL_FIXTURES_DIR) + "/wma/";
  const std::string out = Work() + "out";
  ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
  const std::string input = wma + "v2-44k-stereo.wma";
  ASSERT_TRUE(FileExists(input));
  StartConverter();
  ChooseOutputDir(out);
  ChooseFiles({input}, 5);
  EXPECT_EQ(Form1->Player0()->PathToDLL(), WindowsDir() + "teskwma.dll");
  ClickDecode();
  ASSERT_TRUE(TickUntilBatchEnds());
  EXPECT_TRUE(Dialogs->Messages.empty()) << testing::PrintToString(MessageTexts());
  const WavFile wav = ReadWavFile(out + "/v2-44k-stereo.wav");
  EXPECT_TRUE(wav.valid);
  EXPECT_GT(wav.dataSize, 0u);
  // Any other filter goes back to the MPEG module, whatever the extension; the dialog opens
  // with the filter of the last confirmed choice.
  ChooseFiles({input}, 1);
  ASSERT_EQ(Dialogs->OpenRequests.size(), 2u);
  EXPECT_EQ(Dialogs->OpenRequests[1].FilterIndex, 5);
  EXPECT_EQ(Form1->Player0()->PathToDLL(), WindowsDir() + "teskdec.dll");
}

}  // namespace
}  // namespace converter_test
