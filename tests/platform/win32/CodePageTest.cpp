#include "platform/win32/CodePage.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Files.h"

namespace {

// The replacement character in each form.
const std::string R8 = "\xEF\xBF\xBD";
constexpr char16_t R16 = u'\uFFFD';

std::string ToAnsi(const std::u16string& wide) {
  char out[64];
  const int written = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                          out, sizeof out, nullptr, nullptr);
  EXPECT_GT(written, 0);
  return std::string(out, static_cast<size_t>(written));
}

std::u16string ToWide(const std::string& text) {
  char16_t out[64];
  const int written =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out, 64);
  EXPECT_GT(written, 0);
  return std::u16string(out, static_cast<size_t>(written));
}

TEST(CodePage, UnpairedSurrogatesBecomeTheReplacementCharacter) {
  struct Case {
    const char* what;
    std::u16string wide;
    std::string text;
  } cases[] = {
      {"plain", u"Tön €", "Tön €"},
      {"valid pair", u"\U0001D11E", "\xF0\x9D\x84\x9E"},
      {"pair at the end", u"a\U0001D11E", "a\xF0\x9D\x84\x9E"},
      {"lone high", {0xD800, u'x'}, R8 + "x"},
      {"lone low", {0xDC00, u'x'}, R8 + "x"},
      {"reversed pair", {0xDC00, 0xD800}, R8 + R8},
      {"two lows", {0xDC00, 0xDC01}, R8 + R8},
      {"high at the end", {u'a', 0xD83D}, "a" + R8},
      {"high before a pair", {0xD800, 0xD834, 0xDD1E}, R8 + "\xF0\x9D\x84\x9E"},
      {"high before a zero", {0xD800, 0, u'b'}, R8 + std::string(1, '\0') + "b"},
      {"embedded zero", {u'a', 0, u'b'}, std::string("a\0b", 3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ToAnsi(c.wide), c.text);
    EXPECT_EQ(win32::Utf16ToUtf8(c.wide), c.text);
  }
}

TEST(CodePage, IllFormedUtf8CostsOneReplacementForEachMaximalPart) {
  struct Case {
    const char* what;
    std::string text;
    std::u16string wide;
  } cases[] = {
      {"plain", "Tön €", u"Tön €"},
      {"four bytes", "\xF0\x9D\x84\x9E", u"\U0001D11E"},
      {"invalid byte",
       "a\xFF"
       "b",
       {u'a', R16, u'b'}},
      {"stray continuation", "\x80x", {R16, u'x'}},
      {"cut short by the end", "x\xE2\x82", {u'x', R16}},
      {"cut short by a character", "\xE2\x82x", {R16, u'x'}},
      {"overlong two bytes", "\xC0\xAF", {R16, R16}},
      {"overlong three bytes", "\xE0\x80\xAF", {R16, R16, R16}},
      {"encoded surrogate", "\xED\xA0\x80", {R16, R16, R16}},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", {R16, R16, R16, R16}},
      {"no lead at all", "\xF5\x80", {R16, R16}},
      {"embedded zero", std::string("a\0b", 3), {u'a', 0, u'b'}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ToWide(c.text), c.wide);
    EXPECT_EQ(win32::Utf8ToUtf16(c.text), c.wide);
  }
}

// The count bounds what is read: the bytes after it do not complete a sequence.
TEST(CodePage, NothingBeyondTheCountIsRead) {
  const char euro[] = "\xE2\x82\xAC";
  char16_t wide[4] = {};
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, euro, 2, wide, 4), 1);
  EXPECT_EQ(wide[0], R16);
  const char16_t pair[] = {0xD834, 0xDD1E};
  char text[8] = {};
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, pair, 1, text, 8, nullptr, nullptr), 3);
  EXPECT_EQ(std::string(text, 3), R8);
}

TEST(CodePage, CountsRoomsAndRefusals) {
  // With -1 the terminating zero is converted too; a room of 0 asks for the length.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "Tön", -1, nullptr, 0), 4);
  char16_t wide[4];
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "Tön", -1, wide, 4), 4);
  EXPECT_EQ(std::u16string(wide), u"Tön");
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "Tön", -1, wide, 3), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"Tön", -1, nullptr, 0, nullptr, nullptr), 5);
  char text[5];
  BOOL usedDefault = TRUE;
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, u"Tön", -1, text, 5, nullptr, &usedDefault), 5);
  EXPECT_EQ(std::string(text), "Tön");
  EXPECT_EQ(usedDefault, FALSE);
  // A character is never cut: the second byte of "ö" does not fit.
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"Tön", 2, text, 2, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

  struct Refused {
    const char* what;
    UINT codePage;
    DWORD flags;
    int count;
    DWORD error;
  } refused[] = {
      {"empty text", CP_ACP, 0, 0, ERROR_INVALID_PARAMETER},
      {"negative count", CP_ACP, 0, -2, ERROR_INVALID_PARAMETER},
      {"another code page", 1252, 0, -1, ERROR_INVALID_PARAMETER},
      {"a flag", CP_ACP, 8, -1, ERROR_INVALID_FLAGS},
  };
  for (const Refused& r : refused) {
    SCOPED_TRACE(r.what);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(MultiByteToWideChar(r.codePage, r.flags, "a", r.count, wide, 4), 0);
    EXPECT_EQ(GetLastError(), r.error);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(WideCharToMultiByte(r.codePage, r.flags, u"a", r.count, text, 5, nullptr, nullptr),
              0);
    EXPECT_EQ(GetLastError(), r.error);
  }
  EXPECT_EQ(win32::Utf8ToUtf16(""), u"");
  EXPECT_EQ(win32::Utf16ToUtf8(u""), "");
}

}  // namespace
