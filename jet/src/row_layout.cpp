#include "row_layout.h"

#include <algorithm>
#include <string>

#include "coding.h"
#include "jet/error.h"

namespace jet {
namespace {

[[noreturn]] void damaged(std::uint32_t page, const std::string& expected, const std::string& found) {
  throw Error::corruption(page, "row", expected, found);
}

// Offsets of the variable columns plus the end of variable data (v + 1
// entries), relative to the row start.
std::vector<std::size_t> jet4_var_offsets(const coding::ByteReader& in, std::size_t tail) {
  const std::size_t count = in.u16(tail - 2);
  if (tail < 2 + 2 * (count + 1)) damaged(in.page(), "a variable offset table inside the row",
                                          std::to_string(count) + " entries");
  std::vector<std::size_t> offsets(count + 1);
  for (std::size_t i = 0; i <= count; ++i) offsets[i] = in.u16(tail - 4 - 2 * i);
  return offsets;
}

std::vector<std::size_t> jet3_var_offsets(const coding::ByteReader& in, std::size_t tail) {
  const std::size_t count = in.u8(tail - 1);
  std::size_t jumps = (in.size() - 1) / 256;
  if (tail < 1 + jumps + count + 1) damaged(in.page(), "a variable offset table inside the row",
                                            std::to_string(count) + " entries");
  const std::size_t table_end = tail - 1 - jumps;  // one past offset[0]
  // The jump count follows the row length, so the last entry can be a dummy.
  if ((table_end - 1 - count) / 256 < jumps) --jumps;
  std::vector<std::size_t> offsets(count + 1);
  std::size_t used = 0;
  for (std::size_t i = 0; i <= count; ++i) {
    while (used < jumps && i == in.u8(tail - 2 - used)) ++used;
    offsets[i] = in.u8(table_end - 1 - i) + 256 * used;
  }
  return offsets;
}

}  // namespace

std::vector<FieldBytes> split_row(std::span<const std::uint8_t> row, const TableDef& table,
                                  const Format& format, std::uint32_t page) {
  const coding::ByteReader in(row, page, "row");
  const std::size_t count_size = format.row_count_size;
  const std::size_t stored_columns = count_size == 1 ? in.u8(0) : in.u16(0);
  const std::size_t mask_size = (stored_columns + 7) / 8;
  if (row.size() < count_size + mask_size) {
    damaged(page, "a null mask for " + std::to_string(stored_columns) + " columns",
            std::to_string(row.size()) + " bytes of row");
  }
  const std::size_t tail = row.size() - mask_size;  // one past the variable table
  const auto mask = row.subspan(tail);
  std::vector<std::size_t> var_offsets;
  if (table.variable_columns > 0) {
    var_offsets = format.is_jet4() ? jet4_var_offsets(in, tail) : jet3_var_offsets(in, tail);
  }
  // The first variable offset (from the row itself) may lie; never past tail.
  const std::size_t fixed_end = var_offsets.empty() ? tail : std::min(var_offsets.front(), tail);
  std::vector<FieldBytes> fields(table.columns.size());
  for (std::size_t c = 0; c < table.columns.size(); ++c) {
    const ColumnDef& column = table.columns[c];
    FieldBytes& field = fields[c];
    if (column.number >= stored_columns) continue;  // added after this row was written
    field.bit = (mask[column.number / 8] >> (column.number % 8)) & 1;
    if (column.type == ColumnType::boolean) {
      field.is_null = false;
      continue;
    }
    field.is_null = !field.bit;
    if (field.is_null) continue;
    std::size_t start = 0;
    std::size_t end = 0;
    if (column.is_fixed()) {
      start = count_size + column.fixed_offset;
      end = start + column.length;
      if (end > fixed_end) damaged(page, "fixed column '" + column.name + "' inside the fixed area",
                                   "bytes " + std::to_string(start) + ".." + std::to_string(end));
    } else {
      if (column.var_index + 1u >= var_offsets.size()) {
        field.is_null = true;  // the row predates this variable column
        continue;
      }
      start = var_offsets[column.var_index];
      end = var_offsets[column.var_index + 1];
      if (start > end || end > tail) {
        damaged(page, "variable column '" + column.name + "' inside the row",
                "offsets " + std::to_string(start) + ".." + std::to_string(end));
      }
    }
    field.bytes = row.subspan(start, end - start);
  }
  return fields;
}

}  // namespace jet
