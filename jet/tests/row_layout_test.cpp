// Row framing beyond what the samples show: rows older than their columns,
// the Jet 3 jump table, and damaged rows.
#include "row_layout.h"

#include <gtest/gtest.h>

#include "page_builder.h"

namespace jet {
namespace {

using testing::Bytes;
using testing::concat;
using testing::le16;
using testing::le32;

// id (long, fixed), flag (boolean), a and b (text, variable).
TableDef sample_table() {
  auto column = [](ColumnType type, std::uint16_t number, std::uint16_t length, bool fixed) {
    ColumnDef c;
    c.type = type;
    c.number = number;
    c.var_index = fixed ? 0 : number - 2;
    c.length = length;
    c.flags = column_flag::nullable | (fixed ? column_flag::fixed_length : 0);
    return c;
  };
  TableDef t;
  t.columns = {column(ColumnType::long_integer, 0, 4, true), column(ColumnType::boolean, 1, 0, true),
               column(ColumnType::text, 2, 255, false), column(ColumnType::text, 3, 255, false)};
  t.variable_columns = 2;
  return t;
}

std::string text_of(const FieldBytes& f) { return std::string(f.bytes.begin(), f.bytes.end()); }

TEST(RowLayout, NullMaskAndRowsOlderThanTheirColumns) {
  const std::tuple<const char*, Bytes, std::vector<bool>> cases[] = {
      {"all null but boolean false",
       concat({le16(4), le32(0), le16(6), le16(6), le16(6), le16(2), {0x00}}), {true, false, true, true}},
      {"columns added after the row was written",
       concat({le16(2), le32(1), le16(6), le16(0), {0x01}}), {false, false, true, true}},
  };
  for (const auto& [what, row, nulls] : cases) {
    const auto fields = split_row(row, sample_table(), kJet4Format, 5);
    for (std::size_t i = 0; i < nulls.size(); ++i) EXPECT_EQ(fields[i].is_null, nulls[i]) << what << " column " << i;
  }
}

// Jet 3 rows longer than 256 bytes extend the 1-byte variable offsets with
// a jump table.
TEST(RowLayout, Jet3JumpTableExtendsOffsets) {
  const std::string a(300, 'a');
  // count, fixed id, a (bytes 5..304), b "bb" (305..306), end 307; then
  // offsets last-to-first (low bytes), one jump (offset index 1 is the first
  // at 256 or beyond), variable count, null mask (id, a, b set; flag false).
  Bytes row = concat({{4}, le32(9), Bytes(a.begin(), a.end()), {'b', 'b'}, {307 - 256, 305 - 256, 5}, {1, 2, 0x0D}});
  ASSERT_EQ(row.size(), 313u);
  const auto fields = split_row(row, sample_table(), kJet3Format, 9);
  EXPECT_EQ(text_of(fields[2]), a);
  EXPECT_EQ(text_of(fields[3]), "bb");
  EXPECT_FALSE(fields[1].bit);
}

TEST(RowLayout, DamagedRowsAreCorruptionWithThePage) {
  const std::pair<const char*, Bytes> cases[] = {
      {"empty row", {}},
      {"mask longer than the row", le16(200)},
      {"offset past the end", concat({le16(4), le32(7), le16(90), le16(6), le16(6), le16(2), {0x0F}})},
      {"offsets decreasing", concat({le16(4), le32(7), {'x', 'y'}, le16(6), le16(8), le16(6), le16(2), {0x0F}})},
      // a fault found by fuzzing: the fixed area read past the row's end
      {"fixed area cut short, offsets pointing past the row",
       concat({le16(4), {0x01, 0x02}, le16(90), le16(90), le16(90), le16(2), {0x0F}})},
      {"variable count overruns", concat({le16(4), le32(7), le16(900), {0x0F}})},
  };
  for (const auto& [what, row] : cases) {
    testing::expect_corruption([&] { split_row(row, sample_table(), kJet4Format, 77); }, 77, what);
  }
}

}  // namespace
}  // namespace jet
