// Splits a stored row into the bytes of each column (no type decoding).
//
// Byte order little-endian. Jet 3 rows (offsets from the row start; n =
// stored column count, v = stored variable column count):
//   0          1     n
//   1          ...   fixed area: each fixed column at 1 + its fixed offset
//   ...        ...   variable columns, first to last
//   end-m-2-j-v ... v+1 one-byte offsets of the variable columns and the end
//                   of variable data, stored last-to-first; add 256 per
//                   jump-table entry passed
//   end-m-2-j  j     jump table: (row length - 1) / 256 entries, each the
//                    index of the first offset that lies 256 further on
//                    (a trailing 0xFF-style entry may be a dummy)
//   end-m-1    1     v
//   end-m      m     null mask, m = (n + 7) / 8; bit k (low bit first) set =
//                    column number k is not null (for booleans: true)
// Jet 4 rows: n, v and offsets are 2 bytes each and there is no jump table:
//   0          2     n
//   2          ...   fixed area: each fixed column at 2 + its fixed offset
//   end-m-4-2i 2     offset of variable column i (i = v: end of variable data)
//   end-m-2    2     v
//   end-m      m     null mask
// A table without variable columns stores neither v nor offsets.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "format.h"
#include "jet/types.h"

namespace jet {

struct FieldBytes {
  bool is_null = true;
  bool bit = false;                     // the null-mask bit (booleans' value)
  std::span<const std::uint8_t> bytes;  // empty for NULL and booleans
};

// One FieldBytes per column of `table` (same order as table.columns).
// `row` must outlive the result. Throws jet::Error (corruption, with `page`)
// if counts, offsets or the null mask do not fit in the row.
std::vector<FieldBytes> split_row(std::span<const std::uint8_t> row, const TableDef& table,
                                  const Format& format, std::uint32_t page);

// The inverse of split_row: one FieldBytes per column of `table` (same
// order; long values already as their references) laid out as a stored row
// of max_columns columns.
std::vector<std::uint8_t> encode_row(const std::vector<FieldBytes>& fields, const TableDef& table,
                                     const Format& format);

// Bytes encode_row will produce, without building the row.
std::size_t encoded_row_size(const std::vector<FieldBytes>& fields, const TableDef& table,
                             const Format& format);

}  // namespace jet
