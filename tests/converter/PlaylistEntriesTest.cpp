// A play list's entries: its MPEG lines as written and in order, from a file read as it
// streams (lines across the reads, lines of any length, a text that ends at its first NUL),
// and only from a regular file, refused at once otherwise.
#include "converter/PlaylistEntries.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include "platform/classlib/Stream.h"
#include "tests/support/TempFolder.h"

namespace {

using namespace std::string_literals;
using Entries = std::vector<std::string>;

class PlaylistEntriesTest : public testing::Test {
 protected:
  std::string Write(const std::string& Name, const std::string& Text) {
    const std::string path = folder.File(Name);
    std::ofstream(path, std::ios::binary) << Text;
    return path;
  }
  // The entries, or the message of the refusal.
  static std::string RefusalOf(const std::string& Path) {
    try {
      const Entries entries = PlaylistEntries(Path);
      return "read " + std::to_string(entries.size()) + " entries";
    } catch (const EFOpenError& e) {
      return e.Message();
    }
  }

  TempFolder folder;
};

TEST_F(PlaylistEntriesTest, MpegLinesAsWrittenInTheirOrder) {
  const struct {
    const char* what;
    std::string text;
    Entries entries;
  } cases[] = {
      {"comments, case, blanks, other extensions",
       "#EXTM3U\r\nsong.MP3\r\na.mp3 \r\n\r\nb.ogg\r\nc.mp2\r\n",
       {"c.mp2"}},
      {"CR alone, no end after the last",
       "one.mp3\rtwo.mpg\r/abs/three.mp2",
       {"one.mp3", "two.mpg", "/abs/three.mp2"}},
      {"LF then CR: two line ends", "a.mp3\n\rb.mp3\n", {"a.mp3", "b.mp3"}},
      {"nothing after the NUL", "x.mp3\ny.mp3\0z.mp3\n"s, {"x.mp3", "y.mp3"}},
      {"a NUL first: no text", "\0a.mp3\n"s, {}},
      {"a byte-order mark stays part of the first line",
       "\xEF\xBB\xBF"
       "first.mp3\r\nnext.mp3",
       {"\xEF\xBB\xBF"
        "first.mp3",
        "next.mp3"}},
      {"any other byte stays",
       "with \"quote\".mp3\n\"a.mp3\" \"b.mp3\na&b.mp2\n\tlead.mpg\n\x01\x7f\xff.mp3\n",
       {"with \"quote\".mp3", "\"a.mp3\" \"b.mp3", "a&b.mp2", "\tlead.mpg", "\x01\x7f\xff.mp3"}},
      {"the extension follows the last /",
       "dir.mp3/file\n/.mp3\n.mp2\nmp3\nx.mp3/\n",
       {"/.mp3", ".mp2"}},
      {"empty", "", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlaylistEntries(Write("list.m3u", c.text)), c.entries) << c.what;
  }
}

TEST_F(PlaylistEntriesTest, ManyEntriesAllThereInOrderAcrossTheReads) {
  // Lines of every length up to a few hundred bytes, so that line ends, CR LF pairs among
  // them, fall at every place of a read.
  std::string text = "#EXTM3U\r\n";
  Entries expected;
  for (int i = 0; i < 10000; ++i) {
    const std::string entry = "/music/" + std::string(static_cast<size_t>(i % 331), 'a' + i % 26) +
                              std::to_string(i) +
                              (i % 3 == 0   ? ".mp3"
                               : i % 3 == 1 ? ".mp2"
                                            : ".mpg");
    expected.push_back(entry);
    text += "#EXTINF:1," + std::to_string(i) + "\r\n" + entry + (i % 2 ? "\r\n" : "\n");
  }
  const Entries entries = PlaylistEntries(Write("many.m3u", text));
  ASSERT_EQ(entries.size(), expected.size());
  for (size_t i = 0; i < entries.size(); ++i) ASSERT_EQ(entries[i], expected[i]) << i;
}

TEST_F(PlaylistEntriesTest, LinesOfAnyLengthAreKeptWhole) {
  // Far beyond what is kept while a line is read, ending at and around the reads' edges.
  for (const size_t length : {size_t{70000}, size_t{131072}, size_t{131074}, size_t{1} << 20}) {
    SCOPED_TRACE(length);
    const std::string head = std::string(length - 4, 'n');
    const std::string entry = head + ".mp3";
    const std::string other = head + ".ogg";
    const struct {
      std::string text;
      Entries entries;
    } cases[] = {
        {entry, {entry}},
        {"a.mp3\r\n" + entry + "\r\nb.mp2\n", {"a.mp3", entry, "b.mp2"}},
        {other + "\nb.mp2\n" + entry + "\0"s, {"b.mp2", entry}},
    };
    for (const auto& c : cases) {
      const Entries entries = PlaylistEntries(Write("long.m3u", c.text));
      // Compared whole, told by their lengths.
      std::vector<size_t> lengths;
      for (const std::string& e : entries) lengths.push_back(e.size());
      EXPECT_TRUE(entries == c.entries) << testing::PrintToString(lengths);
    }
  }
}

TEST_F(PlaylistEntriesTest, SparseFileEndsAtTheHoleItBeginsWith) {
  // Its lines, then 3 GB of nothing: read up to the first NUL only.
  const std::string path = Write("sparse.m3u", "a.mp3\nb.mp3\n");
  ASSERT_EQ(truncate(path.c_str(), 3LL << 30), 0);
  EXPECT_EQ(PlaylistEntries(path), (Entries{"a.mp3", "b.mp3"}));
}

TEST_F(PlaylistEntriesTest, OnlyARegularFileIsReadAndTheRestIsRefusedAtOnce) {
  const std::string fifo = folder.File("fifo.m3u");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string directory = folder.File("folder.m3u");
  std::filesystem::create_directory(directory);
  const std::string device = folder.File("zero.m3u");
  std::filesystem::create_symlink("/dev/zero", device);
  const std::string missing = folder.File("missing.m3u");
  for (const std::string& path : {fifo, directory, device, missing}) {
    SCOPED_TRACE(path);
    auto refusal = std::async(std::launch::async, [&] { return RefusalOf(path); });
    if (refusal.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      ADD_FAILURE() << "still waiting in the open";
      // A writer lets a reader held in its open go.
      close(open(path.c_str(), O_WRONLY | O_NONBLOCK));
    }
    EXPECT_EQ(refusal.get(), "Cannot open file " + path);
  }
}

}  // namespace
