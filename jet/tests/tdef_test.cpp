// TDEF decoding of definitions built here: damaged ones, and one long
// enough to continue on a second page.
#include "table_def.h"

#include <gtest/gtest.h>

#include "page_builder.h"

namespace jet {
namespace {

using testing::Bytes;

// A Jet 4 TDEF: a long column "id", text columns "t" (and `extra` more),
// one real and one logical (primary) index on "id".
Bytes jet4_tdef(std::uint16_t extra = 0) {
  const Format& f = kJet4Format;
  Bytes page(f.tdef_header_size, 0);
  page[0] = 0x02;
  page[1] = 0x01;
  coding::put_u32(&page[f.tdef_row_count_offset], 3);
  coding::put_u32(&page[f.tdef_autonumber_offset], 42);
  page[f.tdef_table_type_offset] = 0x4E;
  coding::put_u16(&page[f.tdef_max_columns_offset], 2 + extra);
  coding::put_u16(&page[f.tdef_var_columns_offset], 1 + extra);
  coding::put_u16(&page[f.tdef_column_count_offset], 2 + extra);
  coding::put_u32(&page[f.tdef_index_count_offset], 1);
  coding::put_u32(&page[f.tdef_real_index_count_offset], 1);
  coding::put_u32(&page[f.tdef_used_pages_offset], RowPointer{9, 1}.to_word());
  Bytes counts(f.tdef_real_index_count_entry, 0);
  coding::put_u32(&counts[4], 3);
  auto column = [&](ColumnType type, std::uint16_t number, std::uint8_t flags, std::uint16_t length) {
    Bytes c(f.tdef_column_entry, 0);
    c[0] = static_cast<std::uint8_t>(type);
    coding::put_u16(&c[5], number);
    coding::put_u16(&c[9], number);
    if (type == ColumnType::text) coding::put_u16(&c[11], 0x409);
    c[15] = flags;
    coding::put_u16(&c[23], length);
    return c;
  };
  auto name = [](const std::string& n) {
    Bytes b = testing::le16(static_cast<std::uint16_t>(n.size() * 2));
    for (char ch : n) b.insert(b.end(), {static_cast<std::uint8_t>(ch), 0});
    return b;
  };
  Bytes real(f.tdef_real_index_entry, 0);
  for (int i = 0; i < 10; ++i) coding::put_u16(&real[4 + 3 * i], 0xFFFF);
  coding::put_u16(&real[4], 0);
  real[6] = 0x01;
  coding::put_u32(&real[38], 20);   // first index page
  real[46] = index_flag::unique;
  Bytes logical(f.tdef_logical_index_entry, 0);
  coding::put_u32(&logical[13], 0xFFFFFFFF);
  logical[23] = 1;  // primary
  Bytes columns = testing::concat(
      {column(ColumnType::long_integer, 0, column_flag::fixed_length | column_flag::auto_long, 4),
       column(ColumnType::text, 1, column_flag::nullable, 100)});
  Bytes names = testing::concat({name("id"), name("t")});
  for (std::uint16_t i = 0; i < extra; ++i) {
    columns = testing::concat({columns, column(ColumnType::text, 2 + i, column_flag::nullable, 20)});
    names = testing::concat({names, name("x" + std::to_string(i))});
  }
  return testing::concat({page, counts, columns, names, real, logical, name("PK"), testing::le16(0xFFFF)});
}

TEST(TableDefinition, DamageIsReportedWithThePage) {
  const Bytes good = jet4_tdef();
  const Format& f = kJet4Format;
  EXPECT_EQ(decode_table_def(good, f, 12).indexes.at(0).kind, IndexKind::primary);
  const std::tuple<const char*, std::size_t, Bytes, std::size_t> cases[] = {
      {"page type", 0, {0x01}, good.size()},
      {"column count beyond the data", f.tdef_column_count_offset, testing::le16(2000), good.size()},
      {"more columns than max columns", f.tdef_max_columns_offset, testing::le16(1), good.size()},
      {"huge index count", f.tdef_real_index_count_offset, testing::le32(0xFFFFFFF0u), good.size()},
      {"unknown column type", f.tdef_header_size + f.tdef_real_index_count_entry, {0x2A}, good.size()},
      {"truncated in the names", 0, {0x02}, f.tdef_header_size + 12 + 2 * 25 + 3},
      {"name longer than the data", f.tdef_header_size + 12 + 2 * 25, testing::le16(5000), good.size()},
  };
  for (const auto& [what, offset, bytes, keep] : cases) {
    Bytes damaged = good;
    std::copy(bytes.begin(), bytes.end(), damaged.begin() + std::ptrdiff_t(offset));
    damaged.resize(keep);
    testing::expect_corruption([&] { decode_table_def(damaged, f, 12); }, 12, what);
  }
}

TEST(TableDefinition, ContinuationPagesAreJoinedAndLoopsRefused) {
  const Bytes whole = jet4_tdef(200);  // 202 columns: more than one page
  ASSERT_GT(whole.size(), kJet4Format.page_size);
  Bytes first(whole.begin(), whole.begin() + kJet4Format.page_size);
  coding::put_u32(&first[4], 2);
  Bytes second = {0x02, 0x01, 0, 0, 0, 0, 0, 0};
  second.insert(second.end(), whole.begin() + kJet4Format.page_size, whole.end());
  testing::PageFileFixture f(kJet4Format, {Bytes(16, 0), first, second});
  const TableDef def = read_table_def(f.cache(), kJet4Format, 1);
  EXPECT_EQ(def.continuation_pages, std::vector<std::uint32_t>{2});
  ASSERT_EQ(def.columns.size(), 202u);
  EXPECT_EQ(def.columns.back().name, "x199");
  EXPECT_EQ(def.indexes.at(0).name, "PK");

  Bytes looping = second;
  coding::put_u32(&looping[4], 1);
  testing::PageFileFixture loop(kJet4Format, {Bytes(16, 0), first, looping});
  testing::expect_corruption([&] { read_table_def(loop.cache(), kJet4Format, 1); }, 2, "continuation loop");
}

}  // namespace
}  // namespace jet
