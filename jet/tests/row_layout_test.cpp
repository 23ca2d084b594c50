#include "row_layout.h"

#include <gtest/gtest.h>

#include "jet/error.h"
#include "page_builder.h"

namespace jet {
namespace {

using testing::Bytes;

ColumnDef fixed_column(const char* name, ColumnType type, std::uint16_t number, std::uint16_t offset,
                       std::uint16_t length) {
  ColumnDef c;
  c.name = name;
  c.type = type;
  c.number = number;
  c.fixed_offset = offset;
  c.length = length;
  c.flags = column_flag::fixed_length | column_flag::nullable;
  return c;
}

ColumnDef var_column(const char* name, std::uint16_t number, std::uint16_t var_index) {
  ColumnDef c;
  c.name = name;
  c.type = ColumnType::text;
  c.number = number;
  c.var_index = var_index;
  c.length = 255;
  c.flags = column_flag::nullable;
  return c;
}

// id (long, fixed), flag (boolean), a and b (text, variable).
TableDef sample_table() {
  TableDef t;
  t.columns = {fixed_column("id", ColumnType::long_integer, 0, 0, 4),
               fixed_column("flag", ColumnType::boolean, 1, 0, 0), var_column("a", 2, 0),
               var_column("b", 3, 1)};
  t.variable_columns = 2;
  return t;
}

std::string text_of(const FieldBytes& f) { return std::string(f.bytes.begin(), f.bytes.end()); }

// Jet 4: 2-byte count, fixed area, variable data, offsets last-to-first,
// variable count, null mask.
TEST(RowLayout, Jet4RowSplitsIntoColumns) {
  const Bytes row = testing::concat({testing::le16(4), testing::le32(7), {'x', 'y', 'z', 'w'},
                                     testing::le16(10), testing::le16(9), testing::le16(6),
                                     testing::le16(2), {0x0F}});
  const auto fields = split_row(row, sample_table(), kJet4Format, 5);
  ASSERT_EQ(fields.size(), 4u);
  EXPECT_EQ(fields[0].bytes.size(), 4u);
  EXPECT_FALSE(fields[1].is_null);
  EXPECT_TRUE(fields[1].bit);
  EXPECT_EQ(text_of(fields[2]), "xyz");
  EXPECT_EQ(text_of(fields[3]), "w");
}

TEST(RowLayout, NullMaskAndShortRows) {
  struct Case {
    const char* what;
    Bytes row;
    std::vector<bool> nulls;  // per column
  };
  const Case cases[] = {
      {"all null but boolean false", testing::concat({testing::le16(4), testing::le32(0),
                                                      testing::le16(6), testing::le16(6),
                                                      testing::le16(6), testing::le16(2), {0x00}}),
       {true, false, true, true}},
      {"columns added after the row was written",
       testing::concat({testing::le16(2), testing::le32(1), testing::le16(6), testing::le16(0), {0x01}}),
       {false, false, true, true}},
  };
  for (const auto& c : cases) {
    const auto fields = split_row(c.row, sample_table(), kJet4Format, 5);
    for (std::size_t i = 0; i < c.nulls.size(); ++i) EXPECT_EQ(fields[i].is_null, c.nulls[i]) << c.what << " column " << i;
  }
}

// Jet 3 rows longer than 256 bytes use a jump table to extend the 1-byte
// variable offsets.
TEST(RowLayout, Jet3JumpTableExtendsOffsets) {
  TableDef t = sample_table();
  const std::string a(300, 'a');
  // count, fixed id, a (bytes 5..304), b "bb" (305..306), eod 307.
  Bytes row = testing::concat({{4}, testing::le32(9)});
  row.insert(row.end(), a.begin(), a.end());
  row.insert(row.end(), {'b', 'b'});
  // Offsets last-to-first (low bytes), jump table, var count, null mask.
  // Row length = 307 + 3 offsets + 1 jump + 1 count + 1 mask = 313, so one jump.
  row.insert(row.end(), {static_cast<std::uint8_t>(307 - 256), static_cast<std::uint8_t>(305 - 256), 5});
  row.push_back(1);  // offset index 1 is the first at 256 or beyond
  row.push_back(2);
  row.push_back(0x0D);  // id, a, b not null; boolean false
  ASSERT_EQ(row.size(), 313u);
  const auto fields = split_row(row, t, kJet3Format, 9);
  EXPECT_EQ(text_of(fields[2]), a);
  EXPECT_EQ(text_of(fields[3]), "bb");
  EXPECT_FALSE(fields[1].bit);
}

TEST(RowLayout, DamagedRowsAreCorruptionWithThePage) {
  struct Bad {
    const char* what;
    Bytes row;
  };
  const Bad cases[] = {
      {"empty row", {}},
      {"mask longer than the row", testing::concat({testing::le16(200)})},
      {"offset past the end", testing::concat({testing::le16(4), testing::le32(7), testing::le16(90),
                                               testing::le16(6), testing::le16(6), testing::le16(2), {0x0F}})},
      {"offsets decreasing", testing::concat({testing::le16(4), testing::le32(7), {'x', 'y'},
                                              testing::le16(6), testing::le16(8), testing::le16(6),
                                              testing::le16(2), {0x0F}})},
      {"fixed area cut short, offsets pointing past the row",
       testing::concat({testing::le16(4), {0x01, 0x02}, testing::le16(90), testing::le16(90),
                        testing::le16(90), testing::le16(2), {0x0F}})},
      {"variable count overruns", testing::concat({testing::le16(4), testing::le32(7), testing::le16(900), {0x0F}})},
  };
  for (const auto& c : cases) {
    try {
      split_row(c.row, sample_table(), kJet4Format, 77);
      ADD_FAILURE() << c.what;
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::corruption) << c.what;
      EXPECT_EQ(e.page(), 77u) << c.what;
    }
  }
}

}  // namespace
}  // namespace jet
