// Checks one table: claims its pages, compares its usage maps with the
// owners written on the pages, reads its rows and checks its indexes.
#include <algorithm>

#include "check_context.h"
#include "coding.h"
#include "data_page.h"
#include "table_def.h"
#include "usage_map.h"

namespace jet::check_detail {
namespace {

// Claims the pages that hold the map at `pointer`, returns the pages it
// lists (empty when there is no map or it cannot be read).
std::vector<std::uint32_t> read_map(CheckContext& ctx, RowPointer pointer, std::uint32_t tdef,
                                    const std::string& what) {
  if (pointer.to_word() == 0 || !ctx.in_file(pointer.page, what)) return {};
  try {
    ctx.claim(pointer.page, kMapRowsOwner);
    LocatedRow row = locate_row(ctx.pages, ctx.format, pointer, tdef);
    bool reference = !row.bytes.empty() && row.bytes[0] == kReferenceUsageMap;
    for (std::size_t at = 1; reference && at + 4 <= row.bytes.size(); at += 4) {
      std::uint32_t map_page = coding::get_u32(row.bytes.data() + at);
      if (map_page != 0) ctx.claim(map_page, "usage map of " + what);
    }
    return decode_usage_map(row.bytes, ctx.pages, ctx.format, pointer.page).pages;
  } catch (const Error& e) {
    ctx.fault(e, "usage map of " + what);
    return {};
  }
}

// Claims each listed page for `what` and checks its type and owner field.
void claim_listed(CheckContext& ctx, const std::vector<std::uint32_t>& listed,
                  std::initializer_list<std::uint8_t> types, std::uint32_t owner,
                  const std::string& what) {
  for (std::uint32_t page : listed) {
    ctx.claim(page, what);
    if (page >= ctx.page_count) continue;
    PageRef bytes = ctx.pages.get(page);
    std::uint8_t type = bytes->bytes[0];
    std::uint32_t found = coding::get_u32(bytes->bytes.data() + kPageOwnerOffset);
    if (std::find(types.begin(), types.end(), type) == types.end()) {
      ctx.fault(page, what, "usage map lists it, expected page type " + coding::hex_byte(*types.begin()) +
                                ", found " + coding::hex_byte(type));
    } else if (found != owner) {
      ctx.fault(page, what, "usage map lists it, expected owner " + owner_text(owner) +
                                ", found " + owner_text(found));
    }
  }
}

// A free-space map may list only pages its used map lists.
void check_subset(CheckContext& ctx, const std::vector<std::uint32_t>& free,
                  const std::vector<std::uint32_t>& used, const std::string& what) {
  for (std::uint32_t page : free) {
    if (!std::binary_search(used.begin(), used.end(), page)) {
      ctx.fault(page, what, "expected free-space map pages among the used pages, found it only in the free-space map");
    }
  }
}

void check_long_values(CheckContext& ctx, const TableDef& table, const std::string& where) {
  for (const LongValueMaps& maps : table.long_value_maps) {
    std::string what = "long values of column " + std::to_string(maps.column_number) + " of " + where;
    std::vector<std::uint32_t> used = read_map(ctx, maps.used_pages, table.tdef_page, what);
    claim_listed(ctx, used, {page_type::data}, kLvalMarker, what);
    check_subset(ctx, read_map(ctx, maps.free_pages, table.tdef_page, what), used, what);
  }
}

}  // namespace

void check_table(CheckContext& ctx, const CatalogTable& entry) {
  const std::string where = "table '" + entry.name + "'";
  if (!ctx.in_file(entry.tdef_page, where)) return;
  TableDef table;
  try {
    table = read_table_def(ctx.pages, ctx.format, entry.tdef_page);
  } catch (const Error& e) {
    ctx.claim(entry.tdef_page, "TDEF of " + where);
    ctx.unreadable_tdefs.insert(entry.tdef_page);
    return ctx.fault(e, where);
  }
  table.name = entry.name;
  ctx.live_tdefs.insert(table.tdef_page);
  ctx.claim(table.tdef_page, "TDEF of " + where);
  for (std::uint32_t page : table.continuation_pages) ctx.claim(page, "TDEF of " + where);

  std::string data_what = "data pages of " + where;
  std::vector<std::uint32_t> data = read_map(ctx, table.used_pages, table.tdef_page, data_what);
  claim_listed(ctx, data, {page_type::data}, table.tdef_page, data_what);
  check_subset(ctx, read_map(ctx, table.free_pages, table.tdef_page, data_what), data, data_what);
  check_long_values(ctx, table, where);

  struct IndexUnderCheck {
    const RealIndexDef& index;
    std::vector<std::uint32_t> pages;
    ExpectedEntries expected;
  };
  std::vector<IndexUnderCheck> indexes;
  indexes.reserve(table.real_indexes.size());
  for (const RealIndexDef& index : table.real_indexes) {
    std::string what = "index " + std::to_string(index.number) + " of " + where;
    std::vector<std::uint32_t> pages = read_map(ctx, index.usage_map, table.tdef_page, what);
    claim_listed(ctx, pages, {page_type::index_node, page_type::index_leaf}, table.tdef_page, what);
    indexes.push_back({index, std::move(pages), ExpectedEntries(table, index, ctx.format.version)});
  }
  // One pass over the rows keeps only what each index expects of them.
  std::size_t row_count = 0;
  for_each_live_row(ctx, table, data, where, [&](const LiveRow& row) {
    ++row_count;
    for (IndexUnderCheck& i : indexes) i.expected.add(row);
  });
  // Access leaves the counts of its own system tables stale at times.
  if (!table.is_system() && row_count != table.row_count) {
    ctx.fault(table.tdef_page, where, "expected " + std::to_string(table.row_count) +
                                          " rows (TDEF count), found " + std::to_string(row_count));
  }
  for (IndexUnderCheck& i : indexes) {
    i.expected.seal();
    check_index(ctx, table, i.index, i.expected, i.pages);
  }
}

}  // namespace jet::check_detail
