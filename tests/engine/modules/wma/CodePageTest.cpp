#include <gtest/gtest.h>

#include <string>

#include "engine/modules/wma/CodePage.h"

namespace {

using wma::AnsiToWide;
using wma::WideToAnsi;

TEST(CodePage, AnsiToWideConvertsTheWholeTextOrFailsWhenItDoesNotFit) {
  struct Case {
    const char* text;
    std::u16string wide;  // without the zero
  } cases[] = {
      {"", u""},
      {"/music/song.wma", u"/music/song.wma"},
      {"Tön €", u"Tön €"},
      {"\xF0\x9D\x84\x9E", u"\U0001D11E"},  // a surrogate pair
      {"a\xFF"
       "b",
       u"a\uFFFDb"},                  // an invalid byte
      {"\xE2\x82", u"\uFFFD"},        // cut short by the end
      {"\xC0\xAF", u"\uFFFD\uFFFD"},  // an overlong form
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    char16_t out[16];
    ASSERT_TRUE(AnsiToWide(c.text, out, 16));
    EXPECT_EQ(std::u16string(out), c.wide);
    const size_t needed = c.wide.size() + 1;
    EXPECT_TRUE(AnsiToWide(c.text, out, needed));
    EXPECT_FALSE(AnsiToWide(c.text, out, needed - 1));
  }
}

TEST(CodePage, WideToAnsiNeedsRoomForTheTextAndItsZero) {
  struct Case {
    std::u16string wide;
    std::string text;
  } cases[] = {
      {u"", ""},
      {u"x", "x"},  // no room for a byte beside the zero
      {u"Title", "Title"},
      {u"Tön €", "Tön €"},
      {u"\U0001D11E", "\xF0\x9D\x84\x9E"},
      {std::u16string(1, u'\xD800') + u"x", "\xEF\xBF\xBDx"},  // an unpaired surrogate
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    char out[32];
    ASSERT_TRUE(WideToAnsi(c.wide.data(), c.wide.size(), out, sizeof out));
    EXPECT_EQ(std::string(out), c.text);
    EXPECT_TRUE(WideToAnsi(c.wide.data(), c.wide.size(), out, c.text.size() + 1));
    EXPECT_FALSE(WideToAnsi(c.wide.data(), c.wide.size(), out, c.text.size()));
  }
}

}  // namespace
