// Encoder of column values: a jet::Value turned into the bytes a row (or a
// long value) stores, the inverse of field_decoder.h, whose byte map it
// follows. Booleans live in the null mask only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format.h"
#include "jet/error.h"
#include "jet/types.h"
#include "jet/value.h"

namespace jet {

// Jet error numbers the writer reports (DAO shows the same numbers).
namespace jet_error {
inline constexpr int table_exists = 3010;
inline constexpr int no_such_table = 3011;
inline constexpr int duplicate_key = 3022;
inline constexpr int disk_full = 3026;
inline constexpr int record_too_large = 3047;
inline constexpr int bad_name = 3125;
inline constexpr int text_too_long = 3163;
inline constexpr int duplicate_column = 3191;
inline constexpr int too_many_indexes = 3284;
inline constexpr int too_many_index_columns = 3283;
inline constexpr int null_in_required = 3314;
inline constexpr int zero_length = 3315;
inline constexpr int numeric_overflow = 3349;
inline constexpr int type_mismatch = 3421;
}  // namespace jet_error

// A refusal of the caller's data: kind invalid_argument with the number.
Error refusal(int jet_number, const std::string& message);

struct StoredField {
  bool is_null = true;
  bool bit = false;                 // the null-mask bit (booleans' value)
  std::vector<std::uint8_t> bytes;  // memo/OLE: the whole long value
};

// `value` in the alternative value.h names for the column's type: integers
// of another width are taken when they fit, Null stays Null (booleans: No).
// Throws refusal 3421 for a value of another kind, 3349 for a number out
// of the column's range.
Value normalize_value(const ColumnDef& column, const Value& value);

// Refuses (3163) a text with more characters, or a binary value with more
// bytes, than its column holds; other values pass.
void check_value_size(const ColumnDef& column, const Value& value, const Format& format);

// The stored form of a normalized value. Text is checked against the
// column's length (3163) and, for Jet 3, the code page (3421).
StoredField encode_value(const ColumnDef& column, const Value& value, const Format& format);
// The same into `out`, whose buffer is reused (a writer encodes every row
// into the same fields).
void encode_value(const ColumnDef& column, const Value& value, const Format& format, StoredField& out);

// Longest long value a reference can describe (its length has 24 bits).
inline constexpr std::size_t kMaxLongValueSize = 0xFFFFFF;

}  // namespace jet
