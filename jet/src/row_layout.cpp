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

namespace {

// Where the parts of one row are, found once per row.
struct RowFrame {
  std::span<const std::uint8_t> row;
  std::uint32_t page;
  std::size_t count_size;
  std::size_t stored_columns;
  std::size_t tail;      // one past the variable table (start of the mask)
  std::size_t fixed_end; // one past the fixed area
  std::vector<std::size_t> var_offsets;
};

RowFrame frame_row(std::span<const std::uint8_t> row, const TableDef& table, const Format& format,
                   std::uint32_t page) {
  const coding::ByteReader in(row, page, "row");
  RowFrame f{row, page, format.row_count_size, 0, 0, 0, {}};
  f.stored_columns = f.count_size == 1 ? in.u8(0) : in.u16(0);
  const std::size_t mask_size = (f.stored_columns + 7) / 8;
  if (row.size() < f.count_size + mask_size) {
    damaged(page, "a null mask for " + std::to_string(f.stored_columns) + " columns",
            std::to_string(row.size()) + " bytes of row");
  }
  f.tail = row.size() - mask_size;
  if (table.variable_columns > 0) {
    f.var_offsets = format.is_jet4() ? jet4_var_offsets(in, f.tail) : jet3_var_offsets(in, f.tail);
  }
  // The first variable offset comes from the row itself and may lie.
  f.fixed_end = f.var_offsets.empty() ? f.tail : std::min(f.var_offsets.front(), f.tail);
  return f;
}

// Fills `field` with the bytes of a non-null column.
void locate_bytes(const RowFrame& f, const ColumnDef& column, FieldBytes& field) {
  std::size_t start = 0;
  std::size_t end = 0;
  if (column.is_fixed()) {
    start = f.count_size + column.fixed_offset;
    end = start + column.length;
    if (end > f.fixed_end) {
      damaged(f.page, "fixed column '" + column.name + "' inside the fixed area",
              "bytes " + std::to_string(start) + ".." + std::to_string(end));
    }
  } else {
    if (column.var_index + 1u >= f.var_offsets.size()) {
      field.is_null = true;  // the row predates this variable column
      return;
    }
    start = f.var_offsets[column.var_index];
    end = f.var_offsets[column.var_index + 1];
    if (start > end || end > f.tail) {
      damaged(f.page, "variable column '" + column.name + "' inside the row",
              "offsets " + std::to_string(start) + ".." + std::to_string(end));
    }
  }
  field.bytes = f.row.subspan(start, end - start);
}

}  // namespace

std::vector<FieldBytes> split_row(std::span<const std::uint8_t> row, const TableDef& table,
                                  const Format& format, std::uint32_t page) {
  const RowFrame f = frame_row(row, table, format, page);
  const auto mask = row.subspan(f.tail);
  std::vector<FieldBytes> fields(table.columns.size());
  for (std::size_t c = 0; c < table.columns.size(); ++c) {
    const ColumnDef& column = table.columns[c];
    FieldBytes& field = fields[c];
    if (column.number >= f.stored_columns) continue;  // added after this row was written
    field.bit = (mask[column.number / 8] >> (column.number % 8)) & 1;
    field.is_null = column.type != ColumnType::boolean && !field.bit;
    if (column.type != ColumnType::boolean && !field.is_null) locate_bytes(f, column, field);
  }
  return fields;
}

}  // namespace jet
