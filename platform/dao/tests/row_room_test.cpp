// The widest row a table can have, and the values wider than it assumed.
#include <gtest/gtest.h>

#include "platform/dao/row_room.h"

namespace {

using namespace dao_impl;
using T = jet::ColumnType;

jet::ColumnDef column(T type, std::uint16_t length = 0) {
  jet::ColumnDef c;
  c.type = type;
  c.length = length;
  return c;
}

TEST(DaoRowRoom, TheWidestRowHoldsTheLargestValueOfEveryColumn) {
  jet::TableDef table;
  table.columns = {column(T::boolean), column(T::long_integer, 4), column(T::text, 20), column(T::binary, 7),
                   column(T::memo), column(T::guid, 16)};
  for (bool jet3 : {true, false}) {
    std::vector<jet::Value> row = widest_row(table, jet3);
    ASSERT_EQ(row.size(), table.columns.size());
    EXPECT_EQ(std::get<bool>(row[0]), true);
    EXPECT_TRUE(std::holds_alternative<std::int32_t>(row[1]));
    // Jet 3: 20 one-byte characters; Jet 4: 10 characters of two bytes.
    EXPECT_EQ(std::get<std::string>(row[2]).size(), jet3 ? 20u : 30u);
    EXPECT_EQ(std::get<jet::Binary>(row[3]).size(), 7u);
    EXPECT_FALSE(jet::is_null(row[4]));  // a long value keeps a reference in the row
    EXPECT_TRUE(jet::is_null(row[5]));   // no assignment writes a GUID
  }
}

TEST(DaoRowRoom, ValuesBeyondTheWidestRowAreFound) {
  const std::string astral = "\xF0\x9F\x98\x80";  // two UTF-16 units
  const struct {
    jet::ColumnDef column;
    jet::Value value;
    bool jet3;
    bool beyond;
  } cases[] = {
      {column(T::text, 20), std::string(10, 'a'), false, false},
      {column(T::text, 20), astral + astral, false, false},  // 8 bytes, 4 units of 10
      {column(T::text, 20), astral + astral + astral, false, true},  // 12 bytes: may pass 10 units
      {column(T::text, 20), std::string(20, 'a'), true, false},  // Jet 3 counts characters
      {column(T::memo), std::string(1 << 20, 'm'), false, false},
      {column(T::memo), std::string((1 << 20) + 1, 'm'), true, true},
      {column(T::ole), jet::Binary((1 << 20) + 1), false, true},
      {column(T::long_integer, 4), std::int32_t{7}, false, false},
      {column(T::text, 20), jet::Null{}, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(beyond_widest(c.column, c.value, c.jet3), c.beyond)
        << static_cast<int>(c.column.type) << " " << jet::to_display_string(c.value).substr(0, 20);
  }
}

}  // namespace
