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

}  // namespace
}  // namespace jet
