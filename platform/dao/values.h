// Values between VARIANTs and the Jet engine's typed values, converted as
// DAO converts an assignment to a field of a given type.
#pragma once

#include <string>
#include <string_view>

#include "jet/types.h"
#include "jet/value.h"
#include "platform/dao/internal.h"

namespace dao_impl {

// The declared size of a column as DAO shows it (Field.Size): characters
// for Text, bytes for Binary, 0 for Memo and Long Binary, the width in
// bytes for the fixed types.
LONG declared_size(const jet::ColumnDef& column, bool jet3);

// Converts `value` for `column`. Answers 0, or the DAO error number:
// 3421 a value that does not convert to the column's type, 3349 a number
// outside its range, 3163 a text or binary longer than the column.
// VT_EMPTY and VT_NULL become Null (a Yes/No field stores No); a date into
// text becomes "yyyy-mm-dd hh:mm:ss"; in a Jet 3 file text is limited to
// code page 1252, other characters becoming '?'.
LONG to_jet_value(const VARIANT& value, const jet::ColumnDef& column, bool jet3, jet::Value& out);

// A stored value as a VARIANT (Null as VT_NULL). `out` must be empty.
HRESULT from_jet_value(const jet::Value& value, VARIANT* out);

// UTF-8 text with every character that code page 1252 lacks (and every
// byte that is not UTF-8) replaced by '?'; still UTF-8.
std::string to_cp1252_repertoire(std::string_view text);
// The number of characters of UTF-8 text.
std::size_t character_count(std::string_view text);

}  // namespace dao_impl
