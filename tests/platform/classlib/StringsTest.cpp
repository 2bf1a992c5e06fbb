#include "platform/classlib/StringList.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/classlib/FileStream.h"
#include "tests/support/PlatformRoot.h"

using namespace std::string_literals;

namespace {

std::vector<std::string> Lines(const TStrings& list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list[i]);
  return lines;
}

TEST(StringsTest, TextSplitsAtEveryKindOfLineEnd) {
  struct Case {
    std::string Text;
    std::vector<std::string> Lines;
  };
  const Case cases[] = {
      {"", {}},
      {"one", {"one"}},
      {"one\r\n", {"one"}},
      {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
      {"a\n\nb\r\n\r\n", {"a", "", "b", ""}},
      {"\n", {""}},
      {"a\n\rb", {"a", "", "b"}},
      {"before\0after\nmore"s, {"before"}},
  };
  for (const Case& c : cases) {
    TStringList list;
    list.Add("stale");
    list.SetText(c.Text);
    EXPECT_EQ(Lines(list), c.Lines) << testing::PrintToString(c.Text);
  }
}

TEST(StringsTest, LoadFromFileReadsThePlayList) {
  PlatformRoot root;
  const std::string file = root.Scratch() + "/list.m3u";
  std::ofstream(file, std::ios::binary) << "#EXTM3U\r\n/music/a.mp3\n\nrel/b.MP2\r";
  TStringList list;
  list.LoadFromFile(file);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"#EXTM3U", "/music/a.mp3", "", "rel/b.MP2"}));

  const std::string missing = root.Scratch() + "/missing.m3u";
  try {
    list.LoadFromFile(missing);
    FAIL();
  } catch (const EFOpenError& error) {
    EXPECT_EQ(error.Message(), "Cannot open file " + missing);
  }
  EXPECT_EQ(list.Count(), 4) << "a failed load keeps the list";
}

TEST(StringsTest, EditingAndIndexErrors) {
  TStringList list;
  EXPECT_EQ(list.Add("b.mp3"), 0);
  list.Insert(0, "a.mp3");
  list.Insert(2, "c.mp3");
  list.Put(1, "B.mp3");
  EXPECT_EQ(list.IndexOf("b.MP3"), 1);
  EXPECT_EQ(list.IndexOf("d.mp3"), -1);
  list.Delete(0);
  EXPECT_EQ(list.Text(), "B.mp3\nc.mp3\n");

  auto message = [](auto action) {
    try {
      action();
    } catch (const EStringListError& error) {
      return error.Message();
    }
    return "<no error>"s;
  };
  EXPECT_EQ(message([&] { list.Get(2); }), "List index out of bounds (2)");
  EXPECT_EQ(message([&] { list.Get(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(message([&] { list.Insert(3, "x"); }), "List index out of bounds (3)");
  EXPECT_EQ(message([&] { list.Delete(2); }), "List index out of bounds (2)");
  EXPECT_EQ(message([&] { list.Put(5, "x"); }), "List index out of bounds (5)");
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
