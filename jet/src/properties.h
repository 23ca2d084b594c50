// Decoder of property blobs (MSysObjects.LvProp).
//
// Byte order little-endian.
//   off size meaning
//   0   4    magic: "KKD\0" (Jet 3) or "MR2\0" (Jet 4)
//   4   ...  chunks, each:
//     0   4    chunk length, this header included
//     4   2    chunk type: 0x80 names, 0x00 object values, 0x01 column
//              values, 0x02 other values
//     6   ...  body
// Names chunk body: repeated (2 length, name); names are in the file's text
// encoding (Jet 3 code page, Jet 4 UCS-2) and are referred to by position.
// Values chunk body:
//   0   4    block length (this field included)
//   4   2    block name length
//   6   n    block name (empty for the object itself, else a column name)
//   ...      entries, each:
//     0   2    entry length, this header included
//     2   1    DDL flag
//     3   1    value type (a column type byte)
//     4   2    index of the property name in the names chunk
//     6   2    value length
//     8   n    value (text in the file's encoding; bool as one byte)
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "format.h"
#include "jet/catalog.h"

namespace jet {

inline constexpr std::size_t kPropertyMagicSize = 4;
inline constexpr std::size_t kPropertyChunkHeaderSize = 4 + 2;
inline constexpr std::size_t kPropertyEntryHeaderSize = 2 + 1 + 1 + 2 + 2;
inline constexpr std::uint16_t kPropertyNamesChunk = 0x80;

// Decodes a whole blob. An empty blob gives an empty set. Throws
// jet::Error (corruption, with `page` = the catalog row's page) on a wrong
// magic, a chunk or entry that overruns the blob, values before names, or
// a name index past the names chunk.
PropertySet decode_properties(std::span<const std::uint8_t> blob, const Format& format,
                              std::uint32_t page);

// The inverse of decode_properties: one names chunk, then a values chunk
// per block (type 0x00 for the unnamed object block, 0x01 for columns).
// Supported value types: boolean, byte, integer, long integer, text, memo,
// binary, OLE. Throws jet::Error (invalid_argument) for another type or
// text the file's encoding cannot hold. An empty set gives an empty blob.
std::vector<std::uint8_t> encode_properties(const PropertySet& set, const Format& format);

}  // namespace jet
