// Text keys of both sort orders: exact keys for characters of each code
// kind, and the rules around the characters (case, trailing spaces, length,
// direction, bad UTF-8). The samples check the generated tables.
#include <gtest/gtest.h>

#include "jet/error.h"
#include "jet/index.h"

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string key(std::string_view text, SortOrder order, bool ascending = true) {
  Bytes out;
  append_text_key(text, order, ascending, out);
  return key_to_hex(out);
}

TEST(SortTextKey, ExactKeys) {
  struct Case {
    std::string text;
    SortOrder order;
    bool ascending;
    std::string hex;
  } cases[] = {
      {"", SortOrder::general_legacy, true, "7F 01 00"},
      {"AB", SortOrder::general_legacy, true, "7F 4A 4C 01 00"},
      {"ab  ", SortOrder::general_legacy, true, "7F 4A 4C 01 00"},
      {"AB", SortOrder::general_legacy, false, "80 B5 B3 FE FF 00"},
      // an accented letter: base code inline, its accent after the text
      {"\xC3\xA9", SortOrder::general_legacy, true, "7F 51 01 0E 00"},
      {"a\xC3\xA9", SortOrder::general_legacy, true, "7F 4A 51 01 02 0E 00"},
      // an unprintable character: only a positioned code after the text
      {"a\x01", SortOrder::general_legacy, true, "7F 4A 01 01 01 01 80 0B 06 03 00"},
      // a modifier adds to the last extra code, or starts the extras
      {"a\xCA\xB9", SortOrder::general_legacy, true, "7F 4A 01 0E 00"},
      {"\xCA\xB9" "a", SortOrder::general_legacy, true, "7F 4A 01 0C 00"},
      {"\xCA\xB9\x01", SortOrder::general_legacy, true, "7F 01 0C 01 01 01 80 07 06 03 00"},
      // kana carry 2-bit flags, three to a byte, trailing 3s dropped
      {"\xE3\x81\x81", SortOrder::general_legacy, true, "7F 7F 02 01 01 01 A0 FF 02 80 FF 80 00"},
      {"\xE3\x81\x82", SortOrder::general_legacy, true, "7F 7F 02 01 01 01 FF 02 80 FF 80 00"},
      {"\xE3\x81\x81\xE3\x81\x82\xE3\x81\x81\xE3\x81\x81", SortOrder::general_legacy, true,
       "7F 7F 02 7F 02 7F 02 7F 02 01 01 01 AE A0 FF 02 80 FF 80 00"},
      {"\xE3\x81\x81\x01", SortOrder::general_legacy, true,
       "7F 7F 02 01 01 01 A0 FF 02 80 FF 80 FF 01 80 0B 06 03 00"},
      {"", SortOrder::general97, true, "7F 00"},
      {"AB", SortOrder::general97, true, "7F 60 61 00"},
      // extra codes as nibbles: 0, a 2 per significant letter before, the
      // code, 0
      {"A\xC3\xA9", SortOrder::general97, true, "7F 60 66 02 40"},
      {"\xC3\xA9" "A", SortOrder::general97, true, "7F 66 60 04 00"},
      {"AB", SortOrder::general97, false, "80 9F 9E FF"},
      // U+1F600 is D83D DE00 in UTF-16: D83D - 10238 = B03F; DE00 lies 512
      // into its block, so its code is DE00 - 9988 = B6FC; both add extra 3F.
      {"\xF0\x9F\x98\x80", SortOrder::general_legacy, true, "7F B0 3F B6 FC 01 3F 3F 00"},
  };
  for (const auto& c : cases) EXPECT_EQ(key(c.text, c.order, c.ascending), c.hex) << c.text;
}

// Case and trailing spaces do not count, nor characters past the 255th;
// keys sort like the words, descending keys the other way.
TEST(SortTextKey, RulesAroundTheCharacters) {
  const char* words[] = {"", "a", "ab", "abc", "b", "ba", "z", "zz"};
  for (SortOrder order : {SortOrder::general97, SortOrder::general_legacy}) {
    EXPECT_EQ(key("Hello World", order), key("hello world   ", order));
    EXPECT_NE(key("Hello World", order), key(" Hello World", order));
    EXPECT_EQ(key(std::string(300, 'a'), order), key(std::string(255, 'a') + "b", order));
    EXPECT_NE(key(std::string(254, 'a') + "b", order), key(std::string(300, 'a'), order));
    for (std::size_t i = 1; i < std::size(words); ++i) {  // hex text orders like the bytes
      EXPECT_LT(key(words[i - 1], order), key(words[i], order)) << words[i - 1] << " < " << words[i];
      EXPECT_GT(key(words[i - 1], order, false), key(words[i], order, false)) << words[i - 1] << " < " << words[i];
    }
  }
}

TEST(SortTextKey, MalformedUtf8IsRejected) {
  const char* bad[] = {"\x80", "a\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"};
  for (const char* text : bad) {
    Bytes out;
    EXPECT_THROW(append_text_key(text, SortOrder::general_legacy, true, out), Error);
    EXPECT_THROW(append_text_key(text, SortOrder::general97, true, out), Error);
  }
}

// General 97 has codes only for the characters of code page 1252 (the
// euro sign is its byte 0x80; U+0080 is no character of it).
TEST(SortTextKey, General97RefusesCharactersOutsideTheCodePage) {
  const char* refused[] = {"\xE4\xB8\x80", "a\xC2\x80", "\xF0\x9F\x98\x80", "\xC4\x80"};
  for (const char* text : refused) {
    Bytes out;
    EXPECT_THROW(append_text_key(text, SortOrder::general97, true, out), Error) << text;
    EXPECT_NO_THROW(append_text_key(text, SortOrder::general_legacy, true, out)) << text;
  }
  for (const char* text : {"\xE2\x82\xAC", "\xC2\x81", "\xC5\xB8", "\xC3\xBF"}) {
    Bytes out;
    EXPECT_NO_THROW(append_text_key(text, SortOrder::general97, true, out)) << text;
  }
}

TEST(SortTextKey, SortOrderFollowsTheColumnsCollation) {
  ColumnDef c;
  c.type = ColumnType::text;
  c.sort_order = 0x409;
  EXPECT_EQ(sort_order_of(c, JetVersion::jet3), SortOrder::general97);
  EXPECT_EQ(sort_order_of(c, JetVersion::jet4), SortOrder::general_legacy);
  c.sort_version = 1;  // the Access 2010 "General" order
  EXPECT_THROW(sort_order_of(c, JetVersion::jet4), Error);
  c.sort_order = 0x40C;  // French
  c.sort_version = 0;
  EXPECT_THROW(sort_order_of(c, JetVersion::jet4), Error);
  c.sort_order = 0;
  EXPECT_EQ(sort_order_of(c, JetVersion::jet4), SortOrder::general_legacy);
}

}  // namespace
}  // namespace jet
