#include <gtest/gtest.h>

#include "converter/OutputBase.h"
#include "converter/PathParts.h"

namespace {

struct NamingCase {
  const char* entry;
  const char* outputDir;
  const char* outputFile;
};

// Every output lands inside the output directory, named after the entry's file name less its
// extension.
const NamingCase kNaming[] = {
    {"/music/song.mp3", "/out", "/out/song.wav"},
    {"/music/a.mp2", "/out", "/out/a.wav"},
    {"/music/song.mpeg", "/out", "/out/song.wav"},  // a longer extension
    {"song.mp3", "/x/out", "/x/out/song.wav"},      // a relative play-list entry
    {"sub/song.mp3", "/x/out", "/x/out/song.wav"},
    {"/music/ab", "/out", "/out/ab.wav"},           // no extension
    {"/my.music/song", "/out", "/out/song.wav"},    // the folder's dot is no extension
    {"/my.music/a.b.mp3", "/out", "/out/a.b.wav"},  // only the last extension goes
    {"/music/song.mp3", "/", "/song.wav"},          // the root
    {"/music/song.mp3", "/out/", "/out/song.wav"},  // a directory given with its "/"
    {"/x.mp3", "/out", "/out/x.wav"},
    {"/music/.mp3", "/out", "/out/.wav"},
};

TEST(OutputBaseTest, OutputFileIsInsideTheOutputDirectory) {
  for (const auto& c : kNaming) {
    SCOPED_TRACE(c.entry);
    EXPECT_EQ(OutputFileOf(c.outputDir, OutputBaseOf(c.entry)), c.outputFile);
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
