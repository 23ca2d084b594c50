// Reads every live row of a table for the checker.
#include <set>

#include "check_context.h"
#include "coding.h"
#include "data_page.h"
#include "field_decoder.h"
#include "long_value.h"
#include "row_layout.h"

namespace jet::check_detail {
namespace {

// Records the LVAL pages a (readable) long value runs through, so that an
// unowned one counts as missing from its usage map rather than unreclaimed.
void note_long_value_pages(CheckContext& ctx, const ColumnDef& column, const FieldBytes& field,
                           std::uint32_t page) {
  bool long_value = column.type == ColumnType::memo || column.type == ColumnType::ole;
  if (!long_value || field.is_null) return;
  LongValueRef ref = decode_long_value_ref(field.bytes, page);
  if (ref.storage == LongValueStorage::inline_value) return;
  std::set<std::uint32_t> seen;
  std::size_t read = 0;  // value bytes so far; the chain ends where the value does
  for (RowPointer at = ref.first_row; at.page != 0 && seen.insert(at.to_word()).second;) {
    LocatedRow row = locate_row(ctx.pages, ctx.format, at, page);
    ctx.long_value_pages.insert(at.page);
    if (ref.storage == LongValueStorage::single_page || row.bytes.size() < 4) return;
    read += row.bytes.size() - 4;
    if (read >= ref.length) return;
    at = RowPointer::from_word(coding::get_u32(row.bytes.data()));
  }
}

// True when `part` lies within `whole` (compared as addresses, so a span
// that a damaged offset table pushed outside is caught before it is read).
bool inside(std::span<const std::uint8_t> part, std::span<const std::uint8_t> whole) {
  auto begin = reinterpret_cast<std::uintptr_t>(whole.data());
  auto at = reinterpret_cast<std::uintptr_t>(part.data());
  return part.empty() || (at >= begin && at - begin <= whole.size() &&
                          part.size() <= whole.size() - (at - begin));
}

std::vector<Value> decode_row(CheckContext& ctx, const TableDef& table, const LocatedRow& row,
                              std::uint32_t page) {
  std::vector<FieldBytes> fields = split_row(row.bytes, table, ctx.format, page);
  std::vector<Value> values;
  values.reserve(fields.size());
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (!inside(fields[i].bytes, row.bytes)) {
      throw Error::corruption(page, "row", "column '" + table.columns[i].name + "' inside the row",
                              "its bytes outside");
    }
    values.push_back(decode_field(table.columns[i], fields[i], ctx.pages, ctx.format, page));
    note_long_value_pages(ctx, table.columns[i], fields[i], page);
  }
  return values;
}

}  // namespace

void for_each_live_row(CheckContext& ctx, const TableDef& table,
                       const std::vector<std::uint32_t>& data_pages, const std::string& where,
                       const LiveRowVisitor& visit) {
  LiveRow live;
  for (std::uint32_t page : data_pages) {
    std::vector<RowSlot> slots;
    try {
      slots = decode_row_slots(ctx.pages.get(page)->view(), ctx.format, page);
    } catch (const Error& e) {
      ctx.fault(e, where);
      continue;
    }
    for (std::size_t i = 0; i < slots.size() && i <= 0xFF; ++i) {
      if (slots[i].deleted) continue;
      live.pointer = RowPointer{page, std::uint8_t(i)};
      try {
        LocatedRow row = resolve_row(ctx.pages, ctx.format, live.pointer, page);
        live.values = decode_row(ctx, table, row, row.page->number);
      } catch (const Error& e) {
        ctx.fault(e, where + ", row " + std::to_string(i));
        continue;
      }
      visit(live);
    }
  }
}

std::vector<LiveRow> read_live_rows(CheckContext& ctx, const TableDef& table,
                                    const std::vector<std::uint32_t>& data_pages,
                                    const std::string& where) {
  std::vector<LiveRow> rows;
  for_each_live_row(ctx, table, data_pages, where, [&](const LiveRow& row) { rows.push_back(row); });
  return rows;
}

}  // namespace jet::check_detail
