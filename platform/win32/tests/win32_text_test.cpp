#include "platform/win32/win32_text.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/win32/win32_error.h"

namespace {

TEST(Utf, RoundTripsEveryPlane) {
  const std::string narrow = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // A é € 😀
  std::u16string wide;
  ASSERT_TRUE(win32::utf8_to_utf16(narrow, wide));
  EXPECT_EQ(wide, (std::u16string{u'A', u'\u00E9', u'\u20AC', char16_t(0xD83D), char16_t(0xDE00)}));
  std::string back;
  ASSERT_TRUE(win32::utf16_to_utf8(wide, back));
  EXPECT_EQ(back, narrow);
  ASSERT_TRUE(win32::utf8_to_utf16("", wide));
  EXPECT_TRUE(wide.empty());
}

// Refused text sets EILSEQ and leaves the output as it was.
TEST(Utf, RefusesInvalidTextBothWays) {
  const char* narrow_invalid[] = {
      "\x80",              // a lone continuation byte
      "a\xC3",             // truncated two-byte sequence
      "\xC0\xAF",          // overlong '/'
      "\xE0\x80\xAF",      // overlong three-byte form
      "\xED\xA0\x80",      // a surrogate
      "\xF4\x90\x80\x80",  // past U+10FFFF
      "\xFF",              // never valid
      "\xE2\x82",          // truncated at the end
  };
  const std::u16string wide_invalid[] = {  // unpaired surrogates
      {char16_t(0xD800)}, {char16_t(0xDC00)}, {u'a', char16_t(0xD83D), u'b'}, {char16_t(0xDE00), char16_t(0xD83D)}};
  for (const char* text : narrow_invalid) {
    std::u16string wide = u"kept";
    win32::set_last_error(0);
    EXPECT_FALSE(win32::utf8_to_utf16(text, wide)) << testing::PrintToString(text);
    EXPECT_EQ(win32::get_last_error(), EILSEQ);
    EXPECT_EQ(wide, u"kept");
  }
  for (const std::u16string& wide : wide_invalid) {
    std::string narrow = "kept";
    win32::set_last_error(0);
    EXPECT_FALSE(win32::utf16_to_utf8(wide, narrow));
    EXPECT_EQ(win32::get_last_error(), EILSEQ);
    EXPECT_EQ(narrow, "kept");
  }
}

TEST(CompareNocase, FoldsCaseAndKeepsAccentsAndWidth) {
  struct {
    const char *left, *right;
    int expected;  // sign of the comparison
  } rows[] = {
      {"Orders", "ORDERS", 0},
      {"orders", "Order", 1},
      {"", "", 0},
      {"", "a", -1},
      {"a", "B", -1},
      {"\xC3\x84rger", "\xC3\xA4RGER", 0},                  // Ärger / äRGER (Latin-1)
      {"\xC5\x81\xC3\xB3" "d\xC5\xBA", "\xC5\x82\xC3\x93" "D\xC5\xB9", 0},  // Łódź / łÓDŹ (Latin Ext-A)
      {"\xC5\xBF", "s", 0},                                 // long s folds to s
      {"\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x99\xCE\x91", "\xCF\x83\xCE\xBF\xCF\x86\xCE\xB9\xCE\xB1", 0},  // ΣΟΦΙΑ σοφια
      {"\xCF\x82", "\xCE\xA3", 0},                          // final sigma = Sigma
      {"\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0", "\xD0\xBC\xD0\x9E\xD0\xA1\xD0\x9A\xD0\x92\xD0\x90", 0},  // Москва
      {"\xD0\x81", "\xD1\x91", 0},                          // Ё ё
      {"\xE2\x84\xAA", "k", 0},                             // Kelvin sign
      {"\xC3\xA9", "e", 1},                                 // é is not e
      {"\xEF\xBC\xA1", "A", 1},                             // fullwidth Ａ is not A
      {"\xEF\xBC\xA1", "\xEF\xBD\x81", 0},                  // Ａ ａ
      {"\xC3\x9F", "ss", 1},                                // ß stays one letter
      {"\xE1\xBA\x9E", "\xC3\x9F", 0},                      // ẞ folds to ß
      {"a\x80", "A\x80", 0},                                // invalid bytes compare as themselves
      {"a\x80", "a\xC2\x80", 1},                            // ... after every code point
  };
  auto sign = [](int result) { return (result > 0) - (result < 0); };
  for (const auto& r : rows) {
    EXPECT_EQ(sign(win32::compare_nocase(r.left, r.right)), r.expected) << r.left << " vs " << r.right;
    EXPECT_EQ(sign(win32::compare_nocase(r.right, r.left)), -r.expected) << r.right << " vs " << r.left;
  }
}

TEST(CompareNocase, FoldingLeavesUncasedLettersAlone) {
  EXPECT_EQ(win32::fold_case(U'A'), U'a');
  EXPECT_EQ(win32::fold_case(U'1'), U'1');
  EXPECT_EQ(win32::fold_case(U'\u0130'), U'\u0130');  // I with dot: no simple folding
  EXPECT_EQ(win32::fold_case(U'\u4E2D'), U'\u4E2D');
  EXPECT_EQ(win32::fold_case(U'\U00010400'), U'\U00010428');  // Deseret
}

}  // namespace
