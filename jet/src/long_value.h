// Reader of long values (memo and OLE columns).
//
// Byte order little-endian. The column's bytes in the row hold a 12-byte
// reference, optionally followed by the value itself:
//   off size meaning
//   0   3    total length of the value in bytes
//   3   1    where it lives: 0x80 inline (the bytes follow this header),
//            0x40 one LVAL row (the whole row is the value), 0x00 a chain
//            of LVAL rows
//   4   4    row pointer to the (first) LVAL row
//   8   4    unknown (0)
//   12  n    inline value
// A chain row starts with a 4-byte row pointer to the next row (0 ends the
// chain) followed by the next piece of the value.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "format.h"
#include "page_cache.h"

namespace jet {

inline constexpr std::size_t kLongValueHeaderSize = 12;
inline constexpr std::uint8_t kLongValueInline = 0x80;
inline constexpr std::uint8_t kLongValueSinglePage = 0x40;
inline constexpr std::uint8_t kLongValueChain = 0x00;
inline constexpr std::size_t kLongValueChainLinkSize = 4;

enum class LongValueStorage { inline_value, single_page, chain };

struct LongValueRef {
  std::uint32_t length = 0;
  LongValueStorage storage = LongValueStorage::inline_value;
  RowPointer first_row;
  std::span<const std::uint8_t> inline_bytes;  // only for inline values
};

// Decodes the 12-byte reference (and locates inline bytes). Throws
// jet::Error (corruption, with `page`) on a short field, an unknown storage
// flag, or an inline length that overruns the field.
LongValueRef decode_long_value_ref(std::span<const std::uint8_t> field, std::uint32_t page);

// Assembles the whole value, reading LVAL pages as needed. Throws
// jet::Error (corruption) on a broken chain: a loop, a missing row, or a
// chain that ends before (or runs past) the stated length.
std::vector<std::uint8_t> read_long_value(PageCache& pages, const Format& format,
                                          const LongValueRef& ref, std::uint32_t page);

}  // namespace jet
