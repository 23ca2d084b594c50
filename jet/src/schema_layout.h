// Turns a caller's TableSchema into the physical table definition the
// engine writes (column numbers, fixed offsets, variable slots, flags, real
// and logical indexes) and the properties Access keeps for it, refusing
// what Access refuses.
#pragma once

#include <string>

#include "format.h"
#include "jet/catalog.h"
#include "jet/schema.h"
#include "jet/types.h"

namespace jet {

struct TableLayout {
  TableDef def;          // pages, maps and roots left 0 for the caller
  PropertySet properties;  // column blocks: Required, AllowZeroLength, DefaultValue
};

// True when Access accepts `name` for a table, column or index: 1..64
// characters, no leading space, no control character and none of . ! ` [ ].
bool is_valid_object_name(const std::string& name);

// Lays out `schema` for a file of `format`. Throws jet::Error
// (invalid_argument) with the Jet number: 3125 a name Access refuses (or
// a table name starting "MSys"), 3191 a column or index named twice, 3047
// fixed columns too wide for a row, 3283/3284 index limits; without a
// number for other misuse (no columns, an unknown index column, a memo or
// OLE index column, text or binary size outside 1..255, two primary keys,
// autonumber on a type other than Long Integer).
TableLayout lay_out_table(const TableSchema& schema, const Format& format);

// The column flags, length and collation fields a column of `type`
// gets in a new table (shared with the system tables).
ColumnDef new_column(const std::string& name, ColumnType type, std::uint16_t size, const Format& format);

}  // namespace jet
