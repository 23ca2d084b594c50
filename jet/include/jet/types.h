// Plain data types of the Jet engine: versions, column types, and the
// decoded table definition (columns, indexes, usage maps).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace jet {

enum class JetVersion : std::uint8_t {
  jet3 = 0,  // Access 97: 2 KiB pages, text in the database code page
  jet4 = 1,  // Access 2000-2003: 4 KiB pages, UCS-2 text
};

// Column types as stored in the TDEF (the byte values are the file's).
enum class ColumnType : std::uint8_t {
  boolean = 0x01,   // stored in the null mask only
  byte = 0x02,      // unsigned 8-bit
  integer = 0x03,   // signed 16-bit
  long_integer = 0x04,  // signed 32-bit
  money = 0x05,     // signed 64-bit, scaled by 10^4
  single = 0x06,    // IEEE float
  double_ = 0x07,   // IEEE double
  datetime = 0x08,  // double: days since 1899-12-30, fraction = time of day
  binary = 0x09,    // up to 255 bytes
  text = 0x0A,      // up to 255 characters
  ole = 0x0B,       // long binary (long value)
  memo = 0x0C,      // long text (long value)
  guid = 0x0F,      // 16-byte replication id
  numeric = 0x10,   // 17 bytes: sign byte + 128-bit magnitude, precision/scale
  complex = 0x12,   // Access 2007 attachments/multi-value (not decoded)
  // Types Access uses only in its own system tables, or after Jet 4; their
  // values are returned as raw bytes (Binary).
  unknown_0d = 0x0D,
  unknown_0e = 0x0E,
  unknown_11 = 0x11,
  big_int = 0x13,
};

// True for the types whose values are decoded; the others come back as raw
// bytes.
bool is_decoded_type(ColumnType type);

// Name used in messages and tests ("Long Integer", "Text", ...).
std::string column_type_name(ColumnType type);
// True for types whose value sits in the fixed area of a row.
bool is_fixed_length_type(ColumnType type);
// The stored size of a fixed-length type, 0 for variable-length types.
std::uint16_t fixed_length_of(ColumnType type);

// A pointer to a row: 3-byte page number and 1-byte row number, stored as
// one little-endian 32-bit word with the row in the low byte.
struct RowPointer {
  std::uint32_t page = 0;
  std::uint8_t row = 0;

  static RowPointer from_word(std::uint32_t word) {
    return RowPointer{word >> 8, static_cast<std::uint8_t>(word & 0xFF)};
  }
  std::uint32_t to_word() const { return (page << 8) | row; }
  bool operator==(const RowPointer&) const = default;
};

// Column flag bits (ColumnDef::flags).
namespace column_flag {
inline constexpr std::uint8_t fixed_length = 0x01;
inline constexpr std::uint8_t nullable = 0x02;
inline constexpr std::uint8_t auto_long = 0x04;  // autonumber (long integer)
inline constexpr std::uint8_t replication = 0x10;
inline constexpr std::uint8_t auto_guid = 0x40;  // autonumber (GUID)
inline constexpr std::uint8_t hyperlink = 0x80;
}  // namespace column_flag

struct ColumnDef {
  std::string name;
  ColumnType type = ColumnType::text;
  std::uint16_t number = 0;       // column id and null-mask bit; counts deleted columns
  std::uint16_t row_index = 0;    // the TDEF's second column number (kept verbatim)
  std::uint16_t var_index = 0;    // slot in the variable-offset table
  std::uint16_t fixed_offset = 0; // byte offset within the fixed area
  std::uint16_t length = 0;       // stored length in bytes (0 for memo/OLE)
  std::uint8_t flags = 0;         // column_flag bits
  std::uint8_t ext_flags = 0;     // Jet 4: bit 0x01 = compressed unicode
  std::uint8_t precision = 0;     // numeric only
  std::uint8_t scale = 0;         // numeric only
  std::uint16_t sort_order = 0;   // text/memo: collation LCID (0x409 General)
  std::uint8_t sort_version = 0;  // Jet 4 text: collation version
  std::uint16_t code_page = 0;    // Jet 3 text: code page (1252)

  bool is_fixed() const { return (flags & column_flag::fixed_length) != 0; }
  bool is_nullable() const { return (flags & column_flag::nullable) != 0; }
  bool is_autonumber() const { return (flags & column_flag::auto_long) != 0; }
  bool is_auto_guid() const { return (flags & column_flag::auto_guid) != 0; }
  bool is_hyperlink() const { return (flags & column_flag::hyperlink) != 0; }
  bool is_compressed_unicode() const { return (ext_flags & 0x01) != 0; }
};

// Index flag bits (RealIndexDef::flags).
namespace index_flag {
inline constexpr std::uint8_t unique = 0x01;
inline constexpr std::uint8_t ignore_nulls = 0x02;
inline constexpr std::uint8_t required = 0x08;
}  // namespace index_flag

struct IndexColumn {
  std::uint16_t column_number = 0;  // matches ColumnDef::number
  bool ascending = true;
};

// A physical index: the B-tree that one or more logical indexes share.
struct RealIndexDef {
  std::uint32_t number = 0;           // position among the real indexes
  std::vector<IndexColumn> columns;   // 1..10 columns, in key order
  RowPointer usage_map;               // the index's page usage map
  std::uint32_t first_page = 0;       // root page of the tree
  std::uint8_t flags = 0;             // index_flag bits
  std::uint32_t row_count = 0;        // count stored in the TDEF header area

  bool is_unique() const { return (flags & index_flag::unique) != 0; }
  bool ignores_nulls() const { return (flags & index_flag::ignore_nulls) != 0; }
  bool is_required() const { return (flags & index_flag::required) != 0; }
};

enum class IndexKind : std::uint8_t { normal = 0, primary = 1, foreign = 2 };

// A logical index as the user sees it (name, primary key, foreign key).
struct IndexDef {
  std::string name;
  std::uint32_t number = 0;       // index number (not always sequential)
  std::uint32_t real_index = 0;   // which RealIndexDef backs this index
  IndexKind kind = IndexKind::normal;
  std::uint8_t related_table_type = 0;
  std::int32_t related_index = -1;    // foreign key: index in the other table
  std::uint32_t related_table_page = 0;
  bool cascade_updates = false;
  bool cascade_deletes = false;
};

// Usage maps for a long-value (memo/OLE) column's pages.
struct LongValueMaps {
  std::uint16_t column_number = 0;
  RowPointer used_pages;
  RowPointer free_pages;
};

struct TableDef {
  std::string name;                 // from the catalog (empty if unknown)
  std::uint32_t tdef_page = 0;      // first TDEF page
  std::vector<std::uint32_t> continuation_pages;  // further TDEF pages
  std::uint8_t table_type = 0;      // 0x4E user, 0x53 system
  std::uint32_t row_count = 0;
  std::uint32_t next_autonumber = 0;
  std::uint16_t max_columns = 0;    // includes deleted columns
  std::uint16_t variable_columns = 0;
  std::vector<ColumnDef> columns;   // in column-number order
  std::vector<RealIndexDef> real_indexes;
  std::vector<IndexDef> indexes;
  RowPointer used_pages;            // usage map of the table's data pages
  RowPointer free_pages;            // usage map of pages with free space
  std::vector<LongValueMaps> long_value_maps;

  bool is_system() const { return table_type == 0x53; }
  // The column named `name` (ASCII case-insensitive), or nullptr.
  const ColumnDef* find_column(const std::string& name) const;
};

}  // namespace jet

namespace jet {

// What the database header page (page 0) says about the file.
struct DatabaseHeader {
  JetVersion version = JetVersion::jet4;
  std::string engine_name;           // "Standard Jet DB"
  std::uint16_t code_page = 0;       // 1252 on Western systems
  std::uint16_t sort_order = 0;      // collation LCID, 0x409 = General
  std::uint8_t sort_version = 0;     // Jet 4 collation version
  std::uint32_t database_key = 0;    // 0 when the file is not encoded
  std::optional<double> creation_date;  // Jet 4 only: OLE date (days since 1899-12-30)
  std::string password;              // empty when the database has none
  std::vector<std::uint8_t> commit_table;  // the 24 bytes opening the masked region, verbatim
  std::string engine_version_text;   // Jet 4: "4.0" stored after the masked region
};

}  // namespace jet
