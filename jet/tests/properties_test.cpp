// Damaged property blobs (the samples, against mdb-prop, check sound ones).
#include "properties.h"

#include <gtest/gtest.h>

#include "page_builder.h"

namespace jet {
namespace {

using testing::Bytes;
using testing::concat;
using testing::le16;
using testing::le32;

Bytes utf16(const std::string& s) {
  Bytes b;
  for (char c : s) b.insert(b.end(), {std::uint8_t(c), 0});
  return b;
}
Bytes chunk(std::uint16_t type, const Bytes& body) { return concat({le32(std::uint32_t(6 + body.size())), le16(type), body}); }
Bytes entry(std::uint8_t type, std::uint16_t name_index, const Bytes& value) {
  return concat({le16(std::uint16_t(8 + value.size())), {0x00, type}, le16(name_index), le16(std::uint16_t(value.size())), value});
}
Bytes block(const std::string& name, const Bytes& entries) {
  const Bytes head = concat({le16(std::uint16_t(2 * name.size())), utf16(name), entries});
  return concat({le32(std::uint32_t(4 + head.size())), head});
}

// A Jet 4 blob: names, the table's Description, a column's DefaultValue,
// Required and DecimalPlaces.
Bytes blob() {
  Bytes names;
  for (const char* n : {"DefaultValue", "Required", "DecimalPlaces", "Description"}) {
    names = concat({names, le16(std::uint16_t(2 * std::string(n).size())), utf16(n)});
  }
  return concat({{'M', 'R', '2', 0x00}, chunk(0x80, names), chunk(0x00, block("", entry(0x0A, 3, utf16("Orders")))),
                 chunk(0x01, block("Amount", concat({entry(0x0A, 0, utf16("=0")), entry(0x01, 1, {0x01}),
                                                     entry(0x02, 2, {0x02})})))});
}

TEST(PropertyBlobs, DamageIsCorruptionNamingThePage) {
  const Bytes good = blob();
  EXPECT_EQ(decode_properties(good, kJet4Format, 2).blocks.size(), 2u);
  EXPECT_TRUE(decode_properties({}, kJet4Format, 2).blocks.empty());
  const std::size_t names_chunk = 4;
  const std::size_t first_value_chunk = names_chunk + coding::get_u32(&good[names_chunk]);
  const std::tuple<const char*, std::size_t, Bytes> cases[] = {
      {"wrong magic", 0, {'K', 'K', 'D'}},
      {"chunk longer than the blob", names_chunk, le32(90000)},
      {"chunk shorter than its header", names_chunk, le32(3)},
      {"values before names", names_chunk + 4, le16(0x01)},
      {"name index past the names", first_value_chunk + 6 + 6 + 4, le16(40)},
      {"entry shorter than its header", first_value_chunk + 6 + 6, le16(2)},
  };
  for (const auto& [what, offset, bytes] : cases) {
    Bytes damaged = good;
    std::copy(bytes.begin(), bytes.end(), damaged.begin() + std::ptrdiff_t(offset));
    testing::expect_corruption([&] { decode_properties(damaged, kJet4Format, 2); }, 2, what);
  }
}

}  // namespace
}  // namespace jet
