// Property blobs built by hand in both versions' forms, and damaged ones.
#include "properties.h"

#include <gtest/gtest.h>

#include "jet/error.h"
#include "page_builder.h"

namespace jet {
namespace {

using testing::Bytes;

Bytes text_bytes(const std::string& s, const Format& f) {
  Bytes b;
  for (char c : s) {
    b.push_back(static_cast<std::uint8_t>(c));
    if (f.is_jet4()) b.push_back(0);
  }
  return b;
}

Bytes chunk(std::uint16_t type, const Bytes& body) {
  return testing::concat({testing::le32(static_cast<std::uint32_t>(6 + body.size())), testing::le16(type), body});
}

Bytes entry(std::uint8_t type, std::uint16_t name_index, const Bytes& value) {
  return testing::concat({testing::le16(static_cast<std::uint16_t>(8 + value.size())), {0x00, type},
                          testing::le16(name_index), testing::le16(static_cast<std::uint16_t>(value.size())), value});
}

Bytes block(const std::string& name, const Format& f, const Bytes& entries) {
  const Bytes n = text_bytes(name, f);
  const Bytes head = testing::concat({testing::le16(static_cast<std::uint16_t>(n.size())), n, entries});
  return testing::concat({testing::le32(static_cast<std::uint32_t>(4 + head.size())), head});
}

Bytes blob(const Format& f) {
  Bytes names;
  for (const char* n : {"DefaultValue", "Required", "DecimalPlaces", "Description"}) {
    const Bytes t = text_bytes(n, f);
    names = testing::concat({names, testing::le16(static_cast<std::uint16_t>(t.size())), t});
  }
  const Bytes object = block("", f, entry(0x0A, 3, text_bytes("Orders", f)));
  const Bytes column = block("Amount", f, testing::concat({entry(0x0A, 0, text_bytes("=0", f)), entry(0x01, 1, {0x01}),
                                                            entry(0x02, 2, {0x02})}));
  return testing::concat({text_bytes(f.is_jet4() ? "MR2" : "KKD", kJet3Format), {0x00}, chunk(0x80, names),
                          chunk(0x00, object), chunk(0x01, column)});
}

TEST(PropertyBlobs, BothVersionsDecodeToTypedValues) {
  for (const Format* f : {&kJet3Format, &kJet4Format}) {
    const PropertySet set = decode_properties(blob(*f), *f, 2);
    ASSERT_EQ(set.blocks.size(), 2u);
    ASSERT_NE(set.object(), nullptr);
    EXPECT_EQ(set.object()->find("Description")->value, Value(std::string("Orders")));
    const PropertyBlock* amount = set.column("amount");
    ASSERT_NE(amount, nullptr);
    EXPECT_EQ(amount->chunk_type, 0x01);
    EXPECT_EQ(amount->find("DefaultValue")->value, Value(std::string("=0")));
    EXPECT_EQ(amount->find("Required")->value, Value(true));
    EXPECT_EQ(amount->find("DecimalPlaces")->value, Value(std::uint8_t{2}));
    EXPECT_EQ(amount->find("Format"), nullptr);
    EXPECT_EQ(set.column("Other"), nullptr);
  }
  EXPECT_TRUE(decode_properties({}, kJet4Format, 2).blocks.empty());
}

TEST(PropertyBlobs, DamageIsCorruption) {
  const Bytes good = blob(kJet4Format);
  const std::size_t names_chunk = 4;
  const std::size_t first_value_chunk = names_chunk + coding::get_u32(&good[names_chunk]);
  struct Case {
    const char* what;
    std::size_t offset;
    Bytes bytes;
  };
  const Case cases[] = {
      {"wrong magic", 0, {'K', 'K', 'D'}},
      {"chunk longer than the blob", names_chunk, testing::le32(90000)},
      {"chunk shorter than its header", names_chunk, testing::le32(3)},
      {"values before names", names_chunk + 4, testing::le16(0x01)},
      {"name index past the names", first_value_chunk + 6 + 6 + 4, testing::le16(40)},
      {"entry shorter than its header", first_value_chunk + 6 + 6, testing::le16(2)},
  };
  for (const auto& c : cases) {
    Bytes bytes = good;
    std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(c.offset));
    try {
      decode_properties(bytes, kJet4Format, 2);
      ADD_FAILURE() << c.what;
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::corruption) << c.what;
      EXPECT_EQ(e.page(), 2u) << c.what;
    }
  }
}

}  // namespace
}  // namespace jet
