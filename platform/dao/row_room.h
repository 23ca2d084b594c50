// Whether a pending row can outgrow a data page. Checking the whole row
// after every assignment costs an encoding of the row per field; a table
// whose widest possible row fits needs no such check, except for values
// larger than what the widest row assumed.
#pragma once

#include <vector>

#include "jet/schema.h"
#include "jet/value.h"

namespace dao_impl {

// The widest row an assignment can build for `table`: every text at its
// declared length in characters that take the most stored bytes, every
// binary at its length, every long value present (it stays in the row as
// a reference), the fixed types present, and Null for the types no
// assignment writes.
std::vector<jet::Value> widest_row(const jet::TableDef& table, bool jet3);

// True when `value`, accepted for `column` by the assignment's conversion,
// may exceed what widest_row assumed for it: a Jet 4 text of more UTF-8
// bytes than its column has UTF-16 units (characters outside the Basic
// Multilingual Plane take two units), or a long value of more than 1 MiB.
bool beyond_widest(const jet::ColumnDef& column, const jet::Value& value, bool jet3);

}  // namespace dao_impl
