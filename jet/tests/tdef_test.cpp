// TDEF decoding of definitions built here: damaged ones, and one long
// enough to continue on a second page.
#include <gtest/gtest.h>

#include "page_builder.h"
#include "table_def.h"

namespace jet {
namespace {

using testing::Bytes;

// A Jet 4 TDEF: a long column "id", text columns "t" (and `extra` more),
// one real and one logical (primary) index on "id".
Bytes jet4_tdef(std::uint16_t extra = 0) {
  const Format& f = kJet4Format;
  using coding::put_u16;
  using coding::put_u32;
  Bytes page(f.tdef_header_size, 0);
  page[0] = 0x02;
  page[1] = 0x01;
  put_u32(&page[f.tdef_row_count_offset], 3);
  put_u32(&page[f.tdef_autonumber_offset], 42);
  page[f.tdef_table_type_offset] = 0x4E;
  put_u16(&page[f.tdef_max_columns_offset], 2 + extra);
  put_u16(&page[f.tdef_var_columns_offset], 1 + extra);
  put_u16(&page[f.tdef_column_count_offset], 2 + extra);
  put_u32(&page[f.tdef_index_count_offset], 1);
  put_u32(&page[f.tdef_real_index_count_offset], 1);
  put_u32(&page[f.tdef_used_pages_offset], RowPointer{9, 1}.to_word());
  Bytes counts(f.tdef_real_index_count_entry, 0);
  put_u32(&counts[4], 3);
  Bytes columns, names;
  auto add_column = [&](ColumnType type, std::uint16_t number, std::uint8_t flags, std::uint16_t length,
                        const std::string& name) {
    Bytes c(f.tdef_column_entry, 0);
    c[0] = std::uint8_t(type);
    put_u16(&c[5], number);
    put_u16(&c[9], number);
    if (type == ColumnType::text) put_u16(&c[11], 0x409);
    c[15] = flags;
    put_u16(&c[23], length);
    columns = testing::concat({columns, c});
    names = testing::concat({names, testing::le16(std::uint16_t(2 * name.size()))});
    for (char ch : name) names.insert(names.end(), {std::uint8_t(ch), 0});
  };
  add_column(ColumnType::long_integer, 0, column_flag::fixed_length | column_flag::auto_long, 4, "id");
  add_column(ColumnType::text, 1, column_flag::nullable, 100, "t");
  for (std::uint16_t i = 0; i < extra; ++i) add_column(ColumnType::text, 2 + i, column_flag::nullable, 20, "x" + std::to_string(i));
  Bytes real(f.tdef_real_index_entry, 0);
  for (int i = 1; i < 10; ++i) put_u16(&real[4 + 3 * i], 0xFFFF);
  real[6] = 0x01;
  put_u32(&real[38], 20);  // first index page
  real[46] = index_flag::unique;
  Bytes logical(f.tdef_logical_index_entry, 0);
  put_u32(&logical[13], 0xFFFFFFFF);
  logical[23] = 1;  // primary
  return testing::concat({page, counts, columns, names, real, logical, testing::le16(4), {'P', 0, 'K', 0},
                          testing::le16(0xFFFF)});
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
