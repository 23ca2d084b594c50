// Turns one column's stored bytes into a typed jet::Value.
//
// Stored forms (little-endian): byte 1; integer 2; long integer 4; money 8
// (signed, 1/10000 units); single 4 and double 8 (IEEE); datetime 8 (double
// days since 1899-12-30); GUID 16; numeric 17 = 1 sign byte (0x80 negative)
// then four 32-bit little-endian words, most significant word first;
// text and memo: Jet 3 code page 1252, Jet 4 UCS-2 or compressed (FF FE);
// binary and OLE as stored. Memo and OLE bytes are long-value references.
#pragma once

#include <cstdint>

#include "format.h"
#include "jet/types.h"
#include "jet/value.h"
#include "page_cache.h"
#include "row_layout.h"

namespace jet {

inline constexpr std::size_t kNumericSize = 17;
inline constexpr std::uint8_t kNumericNegative = 0x80;

// Decodes `field` of `column`. Long values are read through `pages`.
// `page` is the page holding the row (for error reports). Throws
// jet::Error (corruption) if the bytes are too short for the type or a long
// value is broken, (not_supported) for complex columns' contents.
Value decode_field(const ColumnDef& column, const FieldBytes& field, PageCache& pages,
                   const Format& format, std::uint32_t page);

// Decodes a fixed-size value from exactly its stored bytes (also used for
// property values). Throws jet::Error (corruption) if `bytes` is too short.
Value decode_fixed_value(ColumnType type, std::span<const std::uint8_t> bytes,
                         std::uint8_t precision, std::uint8_t scale, std::uint32_t page);

}  // namespace jet
