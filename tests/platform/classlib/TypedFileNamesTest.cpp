// The names typed into a file dialog's name box: each quoted name, in its order, joined to the
// dialog's folder unless it is absolute.
#include "platform/classlib/TypedFileNames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

TEST(TypedFileNamesTest, QuotedNamesInTheirOrder) {
  const struct {
    const char* text;
    const char* folder;
    Names names;
  } cases[] = {
      {R"("a.mp3" "d.mp2")", "/music", {"/music/a.mp3", "/music/d.mp2"}},
      {R"("d.mp2" "a.mp3")", "/music/", {"/music/d.mp2", "/music/a.mp3"}},
      {R"("/other/x.mp3" "sub/y.m3u")", "/music", {"/other/x.mp3", "/music/sub/y.m3u"}},
      {R"("a b.mp3")", "/", {"/a b.mp3"}},
      {R"("a.mp3""b.mp3")", "/m", {"/m/a.mp3", "/m/b.mp3"}},
      {R"(  "a.mp3"   )", "/m", {"/m/a.mp3"}},
      // An empty pair is no name; an unclosed quote runs to the end.
      {R"("" "b.mp3")", "/m", {"/m/b.mp3"}},
      {R"("a.mp3" "c d)", "/m", {"/m/a.mp3", "/m/c d"}},
      {R"(x "a.mp3" y)", "/m", {"/m/a.mp3"}},
      // Without quotes the name is the dialog's own to read.
      {"a.mp3", "/m", {}},
      {"", "/m", {}},
      {"\"", "/m", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TypedFileNames(c.text, c.folder), c.names) << c.text << " in " << c.folder;
  }
}

}  // namespace
