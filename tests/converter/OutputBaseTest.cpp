#include <gtest/gtest.h>

#include "converter/OutputBase.h"
#include "converter/PathParts.h"

namespace {

struct NamingCase {
  const char* entry;
  const char* outputDir;
  const char* base;
  const char* outputFile;
};

// The converter's naming table, with "/" as the delimiter.
const NamingCase kNaming[] = {
    {"/music/song.mp3", "/out", "/song", "/out/song.wav"},
    {"/music/a.mp2", "/out", "/a", "/out/a.wav"},
    {"/music/song.mpeg", "/out", "/song.", "/out/song..wav"},
    {"song.mp3", "/out", "song.", "/outsong..wav"},
    {"/music/ab", "/out", "", "/out.wav"},
    {"/music/song.mp3", "/", "/song", "//song.wav"},
    {"", "/out", "", "/out.wav"},
    {"ab", "/out", "", "/out.wav"},
    {"/x.mp3", "/out", "/x", "/out/x.wav"},
};

TEST(OutputBaseTest, FollowsTheNamingTable) {
  for (const auto& c : kNaming) {
    SCOPED_TRACE(c.entry);
    const std::string base = OutputBaseOf(c.entry);
    EXPECT_EQ(base, c.base);
    EXPECT_EQ(std::string(c.outputDir) + base + ".wav", c.outputFile);
  }
}

TEST(PathPartsTest, ExtensionIsTakenAfterTheLastSlash) {
  const struct {
    const char* path;
    const char* extension;
    bool mpeg;
  } cases[] = {
      {"c.mp2", ".mp2", true},
      {"/a/b.mpg", ".mpg", true},
      {"x.mp3", ".mp3", true},
      {"song.MP3", ".MP3", false},
      {"a.mp3 ", ".mp3 ", false},
      {"#EXTM3U", "", false},
      {"", "", false},
      {"/dir.mp3/file", "", false},
      {"b.ogg", ".ogg", false},
      {"a.b.mp3", ".mp3", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(FileExtension(c.path), c.extension);
    EXPECT_EQ(IsMpegExtension(FileExtension(c.path)), c.mpeg);
  }
  EXPECT_EQ(FolderPart("/music/song.mp3"), "/music/");
  EXPECT_EQ(FolderPart("song.mp3"), "");
}

}  // namespace
