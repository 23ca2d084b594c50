#include "text.h"

#include <gtest/gtest.h>

#include "page_builder.h"

namespace jet {
namespace {

using testing::Bytes;

// The samples (against mdb-export) cover the assigned bytes.
TEST(TextDecoding, CodePage1252UnassignedBytesStayC1Controls) {
  EXPECT_EQ(cp1252_to_utf8(Bytes{0x81, 0x8D, 0x8F, 0x90, 0x9D}), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
  EXPECT_EQ(cp1252_to_utf8(Bytes{0x80, 0x9F}), "\xE2\x82\xAC\xC5\xB8");
}

TEST(TextDecoding, Ucs2AndCompressedUnicode) {
  const std::tuple<const char*, Bytes, std::string> cases[] = {
      {"plain UCS-2", {'h', 0, 'i', 0}, "hi"},
      {"non-Latin", {0x42, 0x04, 0x4B, 0x04}, "\xD1\x82\xD1\x8B"},
      {"surrogate pair", {0x3D, 0xD8, 0x00, 0xDE}, "\xF0\x9F\x98\x80"},
      {"lone surrogate", {0x00, 0xD8}, "\xEF\xBF\xBD"},
      {"odd byte", {'a', 0, 'b'}, "a\xEF\xBF\xBD"},
      {"compressed", {0xFF, 0xFE, 'a', 'b', 'c'}, "abc"},
      {"compressed then raw then compressed",
       {0xFF, 0xFE, 'a', 0x00, 0x42, 0x04, 0x00, 'z'}, "a\xD1\x82z"},
      {"compressed, empty", {0xFF, 0xFE}, ""},
      {"compressed, truncated raw unit", {0xFF, 0xFE, 0x00, 0x42}, "\xEF\xBF\xBD"},
  };
  for (const auto& [what, in, out] : cases) EXPECT_EQ(jet4_text_to_utf8(in), out) << what;
}


// Encoding: the exact bytes where the form is chosen (compressed from three
// characters on, 1252 for U+0080..U+009F), a round trip for the rest, and
// a refusal for what is not UTF-8, whichever way the text is read.
TEST(TextEncoding, ChosenFormsRoundTripsAndRefusals) {
  const std::tuple<const char*, std::string, Bytes, Bytes> exact[] = {
      // what, UTF-8, Jet 4 (compressing), code page 1252
      {"two characters stay UCS-2", "ab", {'a', 0, 'b', 0}, {'a', 'b'}},
      {"three are compressed", "abc", {0xFF, 0xFE, 'a', 'b', 'c'}, {'a', 'b', 'c'}},
      {"Latin-1 letters compressed", "D\xC3\xA9lta \xC2\xA0\xC3\xBF", {0xFF, 0xFE, 'D', 0xE9, 'l', 't', 'a', ' ', 0xA0, 0xFF},
       {'D', 0xE9, 'l', 't', 'a', ' ', 0xA0, 0xFF}},
      {"C1 controls; UCS-2 when shorter", "\xE2\x82\xAC\xC2\x81x", {0xAC, 0x20, 0x81, 0, 'x', 0},
       {0x80, 0x81, 'x'}},
  };
  for (const auto& [what, utf8, jet4, cp1252] : exact) {
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(utf8_to_jet4_text(utf8, true, out)) << what;
    EXPECT_EQ(out, jet4) << what;
    ASSERT_TRUE(utf8_to_cp1252(utf8, out)) << what;
    EXPECT_EQ(out, cp1252) << what;
  }
  {
    // Runs of ASCII longer than a machine word between Latin-1 letters.
    std::string utf8;
    Bytes latin1;
    for (int i = 0; i < 40; ++i) {
      const std::string run = "an ascii run of some length " + std::to_string(i);
      utf8 += run + "\xC3\xA9";
      latin1.insert(latin1.end(), run.begin(), run.end());
      latin1.push_back(0xE9);
    }
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(utf8_to_cp1252(utf8, out));
    EXPECT_EQ(out, latin1);
    ASSERT_TRUE(utf8_to_jet4_text(utf8, true, out));
    latin1.insert(latin1.begin(), {0xFF, 0xFE});
    EXPECT_EQ(out, latin1);
  }
  // One character that is not plain ASCII at every place of a word.
  for (std::size_t at = 0; at <= 20; ++at) {
    const std::string before(at, 'a'), after(20 - at, 'b');
    const Bytes plain_before(before.begin(), before.end()), plain_after(after.begin(), after.end());
    std::vector<std::uint8_t> out;
    for (const auto& [utf8, cp1252] : {std::pair<std::string, std::uint8_t>{"\xC3\xA9", 0xE9}, {"\xE2\x82\xAC", 0x80}}) {
      Bytes expected = plain_before;
      expected.push_back(cp1252);
      expected.insert(expected.end(), plain_after.begin(), plain_after.end());
      ASSERT_TRUE(utf8_to_cp1252(before + utf8 + after, out)) << at;
      EXPECT_EQ(out, expected) << at;
    }
    for (const std::string& middle : {std::string("\xC3\xA9"), std::string(1, '\0'), std::string("\xE2\x82\xAC")}) {
      ASSERT_TRUE(utf8_to_jet4_text(before + middle + after, true, out)) << at;
      EXPECT_EQ(jet4_text_to_utf8(out), before + middle + after) << at;
    }
    EXPECT_FALSE(utf8_to_jet4_text(before + "\xC3" + after, true, out)) << at;
    EXPECT_FALSE(utf8_to_cp1252(before + "\xC3" + after, out)) << at;
    // Lengths count characters, and in Jet 4 a character beyond UCS-2 twice.
    EXPECT_EQ(text_length(before + "\xC3\xA9" + after, Format::of(JetVersion::jet3)), 21u) << at;
    EXPECT_EQ(text_length(before + "\xE2\x82\xAC" + after, Format::of(JetVersion::jet4)), 21u) << at;
    EXPECT_EQ(text_length(before + "\xF0\x9F\x98\x80" + after, Format::of(JetVersion::jet3)), 21u) << at;
    EXPECT_EQ(text_length(before + "\xF0\x9F\x98\x80" + after, Format::of(JetVersion::jet4)), 22u) << at;
  }
  const std::string round_trips[] = {std::string("0123456789abcdef\0" "0123456789", 27),
                                     "0123456789abcdef\xE2\x82\xAC 0123456789abcdef","", "a", std::string("a\0b\0c", 5), "h\xC3\xB4tel \xE6\x97\xA5\xE6\x9C\xAC",
                                     "\xF0\x9F\x98\x80 and more", "\xC4\x80\xC4\x80\xC4\x80"};
  for (const std::string& text : round_trips) {
    for (bool compress : {false, true}) {
      std::vector<std::uint8_t> out;
      ASSERT_TRUE(utf8_to_jet4_text(text, compress, out)) << text;
      EXPECT_EQ(jet4_text_to_utf8(out), text) << text;
    }
  }
  const std::string malformed[] = {"\xC3", "ab\xC3", "\xC3" "A", "\xC0\x80" "abc", "\xC3\xA9\x80", "\xE2\x82"};
  for (const std::string& text : malformed) {
    std::vector<std::uint8_t> out;
    EXPECT_FALSE(utf8_to_jet4_text(text, true, out)) << text;
    EXPECT_FALSE(utf8_to_cp1252(text, out)) << text;
  }
}

}  // namespace
}  // namespace jet
