// Index keys of Jet 3 and Jet 4 files.
//
// Key: one part per index column. A part is a flag byte (ascending: 0x7F
// value present, 0x00 null; descending: 0x80 present, 0xFF null) followed,
// when present, by the value's body. Entries sort by their bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/types.h"
#include "jet/value.h"

namespace jet {

// ---------------------------------------------------------------------------
// Keys

enum class SortOrder : std::uint8_t {
  general97,      // Jet 3 "General": code-page bytes
  general_legacy, // Jet 4 "General" (later called legacy): UCS-2 units
};

inline constexpr std::uint8_t kKeyAscPresent = 0x7F;
inline constexpr std::uint8_t kKeyAscNull = 0x00;
inline constexpr std::uint8_t kKeyDescPresent = 0x80;
inline constexpr std::uint8_t kKeyDescNull = 0xFF;

// The sort order of a text or memo column, from its TDEF fields. Throws
// jet::Error (not_supported) for a collation other than General.
SortOrder sort_order_of(const ColumnDef& column, JetVersion version);

// Appends a null key part.
void append_null_key(bool ascending, std::vector<std::uint8_t>& out);

// Appends the key part of a fixed-size value given as its bytes in the row
// (little-endian, as stored): byte, integer, long integer, money, single,
// double, date/time, GUID, numeric. Throws jet::Error (invalid_argument)
// for another type or when `stored` is not the type's size.
void append_fixed_key(ColumnType type, std::span<const std::uint8_t> stored, bool ascending,
                      std::vector<std::uint8_t>& out);

// Appends a yes/no key part (yes/no values are never null in a key).
void append_bool_key(bool value, bool ascending, std::vector<std::uint8_t>& out);

// Appends a binary key part: 8-byte groups, each followed by 9 while more
// follow, the last zero-padded and followed by its used length.
void append_binary_key(std::span<const std::uint8_t> bytes, bool ascending,
                       std::vector<std::uint8_t>& out);

// Appends a text or memo key part. `utf8` is the value as stored (for Jet 3,
// after conversion to the code page; its five unassigned bytes read back as
// U+0081, U+008D, U+008F, U+0090 and U+009D). General legacy has a code
// for every UTF-16 unit. Throws jet::Error (invalid_argument) for malformed
// UTF-8 and, for General 97, a character outside code page 1252.
void append_text_key(std::string_view utf8, SortOrder order, bool ascending,
                     std::vector<std::uint8_t>& out);

// Appends the key part of `value` in `column` (text columns use `order`).
// Throws jet::Error (invalid_argument) when the value's alternative does not
// fit the column type, or for a column type that cannot be indexed (memo
// and OLE are indexed only by their text; OLE values are rejected).
void append_key_part(const ColumnDef& column, const Value& value, bool ascending,
                     SortOrder order, std::vector<std::uint8_t>& out);

// The whole key of a row in a real index. `row` holds the row's values in
// the order of `table.columns`. Throws jet::Error (invalid_argument) when an
// index column is not in the table or `row` is short, and as
// append_key_part; (not_supported) as sort_order_of.
std::vector<std::uint8_t> make_index_key(const TableDef& table, const RealIndexDef& index,
                                         const std::vector<Value>& row, JetVersion version);

// What one row puts into one index: its key and whether its key columns
// are null.
struct IndexRowKey {
  std::vector<std::uint8_t> key;
  bool all_null = false;  // every key column is null
  bool any_null = false;  // some key column is null

  // False when the index ignores nulls and every key column is null: the
  // row then has no entry.
  bool has_entry(const RealIndexDef& index) const {
    return !(index.ignores_nulls() && all_null);
  }
  // True when no other row may have this key: a unique index repeats a key
  // only where a key column is null.
  bool must_be_unique(const RealIndexDef& index) const { return index.is_unique() && !any_null; }
};

// The key of `row` in `index` with its null columns; throws as make_index_key.
IndexRowKey make_index_row_key(const TableDef& table, const RealIndexDef& index,
                               const std::vector<Value>& row, JetVersion version);

// Reads one key part back for listing, starting at `pos` and advancing it
// past the part: "NULL", the value in to_display_string form, and for text
// "<text>" (text keys cannot be turned back into text).
// Throws jet::Error (corruption, kNoPage) when the bytes end early.
std::string describe_key_part(const ColumnDef& column, std::span<const std::uint8_t> key,
                              std::size_t& pos, bool ascending);

// All parts of a key of `index` for listing, e.g. "(42, <text>)". Damage
// stops the listing with "...)" instead of throwing.
std::string describe_key(const TableDef& table, const RealIndexDef& index,
                         std::span<const std::uint8_t> key);

// Hex rendering of key bytes ("7F 80 00 00 01").
std::string key_to_hex(std::span<const std::uint8_t> key);

}  // namespace jet
