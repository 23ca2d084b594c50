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

namespace jet {
namespace {

std::size_t fixed_area_size(const TableDef& table) {
  std::size_t end = 0;
  for (const ColumnDef& c : table.columns) {
    if (c.is_fixed() && c.type != ColumnType::boolean) end = std::max<std::size_t>(end, c.fixed_offset + c.length);
  }
  return end;
}

std::size_t variable_data_size(const std::vector<FieldBytes>& fields, const TableDef& table) {
  std::size_t size = 0;
  for (std::size_t c = 0; c < fields.size(); ++c) {
    if (!table.columns[c].is_fixed() && !fields[c].is_null) size += fields[c].bytes.size();
  }
  return size;
}

// Jet 3 jump-table entries for a row of `length` bytes before the table.
std::size_t jet3_jumps(std::size_t length_without) {
  std::size_t jumps = 0;
  while ((length_without + jumps - 1) / 256 > jumps) ++jumps;
  return jumps;
}

}  // namespace

std::size_t encoded_row_size(const std::vector<FieldBytes>& fields, const TableDef& table,
                             const Format& format) {
  const std::size_t n = table.max_columns;
  const std::size_t v = table.variable_columns;
  std::size_t size = format.row_count_size + fixed_area_size(table) + variable_data_size(fields, table) +
                     (n + 7) / 8;
  if (v > 0) size += format.row_count_size * (v + 2);
  if (v > 0 && !format.is_jet4()) size += jet3_jumps(size);
  return size;
}

std::vector<std::uint8_t> encode_row(const std::vector<FieldBytes>& fields, const TableDef& table,
                                     const Format& format) {
  const std::size_t n = table.max_columns;
  const std::size_t v = table.variable_columns;
  const std::size_t cs = format.row_count_size;
  const std::size_t total = encoded_row_size(fields, table, format);
  std::vector<std::uint8_t> row(total, 0);
  if (cs == 1) row[0] = static_cast<std::uint8_t>(n); else coding::put_u16(row.data(), static_cast<std::uint16_t>(n));
  const std::size_t mask_at = total - (n + 7) / 8;
  std::vector<const FieldBytes*> by_var(v, nullptr);
  for (std::size_t c = 0; c < fields.size(); ++c) {
    const ColumnDef& column = table.columns[c];
    const FieldBytes& f = fields[c];
    if (f.bit || (!f.is_null && column.type != ColumnType::boolean)) {
      row[mask_at + column.number / 8] |= static_cast<std::uint8_t>(1u << (column.number % 8));
    }
    if (column.type == ColumnType::boolean) continue;
    if (column.is_fixed()) {
      if (!f.is_null) std::copy(f.bytes.begin(), f.bytes.end(), row.begin() + std::ptrdiff_t(cs + column.fixed_offset));
    } else {
      by_var[column.var_index] = &f;
    }
  }
  if (v == 0) return row;
  // Variable data after the fixed area, then the offset table before the mask.
  std::vector<std::size_t> offsets(v + 1);
  std::size_t at = cs + fixed_area_size(table);
  for (std::size_t i = 0; i < v; ++i) {
    offsets[i] = at;
    const FieldBytes* f = by_var[i];
    if (f != nullptr && !f->is_null) {
      std::copy(f->bytes.begin(), f->bytes.end(), row.begin() + std::ptrdiff_t(at));
      at += f->bytes.size();
    }
  }
  offsets[v] = at;
  const std::size_t tail = mask_at;
  if (format.is_jet4()) {
    coding::put_u16(&row[tail - 2], static_cast<std::uint16_t>(v));
    for (std::size_t i = 0; i <= v; ++i) coding::put_u16(&row[tail - 4 - 2 * i], static_cast<std::uint16_t>(offsets[i]));
    return row;
  }
  row[tail - 1] = static_cast<std::uint8_t>(v);
  const std::size_t jumps = (total - 1) / 256;
  const std::size_t table_end = tail - 1 - jumps;
  for (std::size_t k = 0; k < jumps; ++k) {
    std::size_t first = v + 1;  // a dummy entry when no offset reaches that far
    for (std::size_t i = 0; i <= v; ++i) {
      if (offsets[i] >= 256 * (k + 1)) { first = i; break; }
    }
    row[tail - 2 - k] = static_cast<std::uint8_t>(first);
  }
  for (std::size_t i = 0; i <= v; ++i) row[table_end - 1 - i] = static_cast<std::uint8_t>(offsets[i] & 0xFF);
  return row;
}

}  // namespace jet
