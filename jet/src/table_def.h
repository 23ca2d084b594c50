// Decoder of TDEF (table definition) pages, Jet 3 and Jet 4.
//
// Byte order little-endian. A TDEF may span several pages linked by
// next_page; the decoder concatenates the bodies (bytes from 8 on) of every
// page after the first onto the first page's bytes and reads the whole.
//
// Page header (every TDEF page):
//   off size meaning
//   0   1    page type 0x02
//   1   1    0x01
//   2   2    Jet 3: "VC"; Jet 4: free space
//   4   4    next TDEF page (0 = none)
//
// Table block, Jet 3 / Jet 4 offsets:
//   J3  J4  size meaning
//   8   8   4    length of the definition data
//   -   12  4    unknown
//   12  16  4    number of rows
//   16  20  4    next autonumber value
//   -   24  1    autonumber flag
//   -   28  4    complex-column autonumber
//   20  40  1    table type: 0x4E user, 0x53 system
//   21  41  2    max columns (counts deleted ones)
//   23  43  2    number of variable-length columns
//   25  45  2    number of columns
//   27  47  4    number of logical indexes
//   31  51  4    number of real indexes
//   35  55  4    used-pages usage map (row pointer)
//   39  59  4    free-pages usage map (row pointer)
//   43  63       end of the fixed block
//
// Then, in order:
//   real-index counts, one per real index (J3 8 bytes, J4 12):
//     [J4 +4 unknown] +0 4 unknown, +4 4 row count
//   column entries, one per column (J3 18 bytes, J4 25):
//     J3  J4  size meaning
//     0   0   1    column type
//     -   1   4    unknown
//     1   5   2    column number
//     3   7   2    variable-offset table index
//     5   9   2    row index (null-mask bit)
//     7   -   2    unknown (1)
//     9   11  2    numeric: precision, scale; text: sort order LCID
//     11  13  2    J3 text: code page; J4 text: byte 14 = sort version
//     13  15  1    column flags
//     -   16  1    extra flags (0x01 compressed unicode)
//     14  21  2    fixed-area offset
//     16  23  2    length
//   column names (J3: 1-byte length + code-page text; J4: 2-byte length +
//     UCS-2 text)
//   real-index definitions (J3 39 bytes, J4 52):
//     [J4 +4 unknown] 10 x (2 column number, 0xFFFF = none; 1 order, 1 = asc),
//     4 usage map, 4 first index page, [J4 +4 unknown], 1 flags, [J4 +5 unknown]
//   logical-index definitions (J3 20 bytes, J4 28):
//     [J4 +4 unknown] 4 index number, 4 real index, 1 related table type,
//     4 related index, 4 related table page, 1 cascade updates,
//     1 cascade deletes, 1 kind (1 primary, 2 foreign), [J4 +4 unknown]
//   logical-index names (length-prefixed like column names)
//   long-value usage maps while the column number is not 0xFFFF:
//     2 column number, 4 used-pages map, 4 free-pages map
#pragma once

#include <cstdint>

#include "format.h"
#include "jet/types.h"
#include "page_cache.h"

namespace jet {

inline constexpr std::uint32_t kTdefPageHeaderSize = 8;
inline constexpr std::uint32_t kMaxIndexColumns = 10;

// Reads the TDEF starting at `first_page`, following continuation pages.
// Columns come back sorted by column number. The name is left empty (the
// catalog supplies it). Throws jet::Error (corruption, with the page) on any
// damage: wrong page type, counts that overrun the data, a continuation
// loop, an unknown column type.
TableDef read_table_def(PageCache& pages, const Format& format, std::uint32_t first_page);

// Decodes an already concatenated TDEF image (first page + continuation
// bodies). `page` is the first page's number, used in error reports.
TableDef decode_table_def(std::span<const std::uint8_t> image, const Format& format,
                          std::uint32_t page);

// --- Writing -----------------------------------------------------------

// Offsets inside a column entry and index entries, both versions, measured
// from the entry start (see the byte map above).
struct TdefEntryLayout {
  std::uint32_t column_number, column_var_index, column_row_index, column_misc, column_misc2,
      column_flags, column_fixed_offset, column_length;
  std::uint32_t real_index_columns;  // first of the 10 column slots
  std::uint32_t logical_index;       // index number
  static const TdefEntryLayout& of(JetVersion version);
};
inline constexpr TdefEntryLayout kJet3TdefEntries{1, 3, 5, 9, 11, 13, 14, 16, 0, 0};
inline constexpr TdefEntryLayout kJet4TdefEntries{5, 7, 9, 11, 13, 15, 21, 23, 4, 4};
inline constexpr std::uint32_t kJet4ColumnExtFlags = 16;
inline constexpr std::uint32_t kJet4TdefMarker = 0x0659;  // Access writes it in Jet 4 TDEFs

// The whole definition image (first page's bytes and then the bodies of
// continuation pages, as read_table_def concatenates them) of `def`; the
// next-page field is left 0. Throws jet::Error (invalid_argument) for a
// name that does not fit the file's encoding.
std::vector<std::uint8_t> encode_table_def(const TableDef& def, const Format& format);

// Pages needed to hold an image of `size` bytes.
std::size_t tdef_page_count(std::size_t image_size, const Format& format);

// Splits an image into its pages: page i + 1 follows page i (numbers in
// `page_numbers`, one per page, the first being the TDEF page).
std::vector<std::vector<std::uint8_t>> split_table_def(const std::vector<std::uint8_t>& image,
                                                       const Format& format,
                                                       const std::vector<std::uint32_t>& page_numbers);

}  // namespace jet
