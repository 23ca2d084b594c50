// Reads every live row of a table for the checker.
#include "check_context.h"
#include "data_page.h"
#include "field_decoder.h"
#include "row_layout.h"

namespace jet::check_detail {
namespace {

std::vector<Value> decode_row(CheckContext& ctx, const TableDef& table, const LocatedRow& row,
                              std::uint32_t page) {
  std::vector<FieldBytes> fields = split_row(row.bytes, table, ctx.format, page);
  std::vector<Value> values;
  values.reserve(fields.size());
  for (std::size_t i = 0; i < fields.size(); ++i) {
    values.push_back(decode_field(table.columns[i], fields[i], ctx.pages, ctx.format, page));
  }
  return values;
}

}  // namespace

std::vector<LiveRow> read_live_rows(CheckContext& ctx, const TableDef& table,
                                    const std::vector<std::uint32_t>& data_pages,
                                    const std::string& where) {
  std::vector<LiveRow> rows;
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
      RowPointer pointer{page, std::uint8_t(i)};
      try {
        LocatedRow row = resolve_row(ctx.pages, ctx.format, pointer, page);
        rows.push_back(LiveRow{pointer, decode_row(ctx, table, row, row.page->number)});
      } catch (const Error& e) {
        ctx.fault(e, where + ", row " + std::to_string(i));
      }
    }
  }
  return rows;
}

}  // namespace jet::check_detail
