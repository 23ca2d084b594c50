// What a table is, as a caller creates it: columns with their types, sizes
// and properties, and indexes over them. Nothing here says where the table
// lives in the file; the engine chooses the physical layout (column order
// in rows, fixed offsets, index pages) when it creates the table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/types.h"

namespace jet {

struct ColumnSpec {
  std::string name;                 // 1..64 characters, as Access accepts them
  ColumnType type = ColumnType::text;
  // Text: characters (1..255). Binary: bytes (1..255). Ignored for every
  // other type (their width is fixed, or they are long values).
  std::uint16_t size = 0;
  bool required = false;            // property Required: refuses Null
  bool allow_zero_length = false;   // property AllowZeroLength (text, memo)
  bool autonumber = false;          // long_integer only: the table's counter
  // Property DefaultValue: an Access expression ("0", "\"abc\"", "Now()",
  // "#2001-02-03#"), stored as text; empty means no default.
  std::string default_value;
  std::uint8_t precision = 18;      // numeric only (1..28)
  std::uint8_t scale = 0;           // numeric only (0..precision)
};

struct IndexColumnSpec {
  std::string column;               // a ColumnSpec name (case ignored)
  bool ascending = true;
};

struct IndexSpec {
  std::string name;                 // unique among the table's indexes
  std::vector<IndexColumnSpec> columns;  // 1..10, none of them memo or ole
  bool primary = false;             // at most one; implies unique and required
  bool unique = false;
  bool ignore_nulls = false;        // rows whose key is all Null are not indexed
  bool required = false;            // refuses a Null in any key column
};

struct TableSchema {
  std::string name;                 // 1..64 characters, not "MSys..."
  std::vector<ColumnSpec> columns;  // 1..255
  std::vector<IndexSpec> indexes;   // 0..32
};

}  // namespace jet
