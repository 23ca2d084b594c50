// Version-dependent layout constants of Jet 3 and Jet 4 files. Each decoder
// takes a Format and reads offsets from it instead of branching on version.
#pragma once

#include <cstdint>

#include "jet/types.h"

namespace jet {

// Page type bytes (offset 0 of every page).
namespace page_type {
inline constexpr std::uint8_t database_header = 0x00;
inline constexpr std::uint8_t data = 0x01;
inline constexpr std::uint8_t table_definition = 0x02;
inline constexpr std::uint8_t index_node = 0x03;
inline constexpr std::uint8_t index_leaf = 0x04;
inline constexpr std::uint8_t usage_map = 0x05;
}  // namespace page_type

// Data, long-value and index pages name their owner (a TDEF page, or the
// LVAL marker) in the u32 at this offset.
inline constexpr std::uint32_t kPageOwnerOffset = 4;

struct Format {
  JetVersion version;
  std::uint32_t page_size;

  // Data and LVAL pages: row count and start of the row offset table.
  std::uint32_t data_row_count_offset;   // u16 number of rows
  std::uint32_t data_free_space_offset;  // u16 free space

  // TDEF header (offsets from the start of the first TDEF page).
  std::uint32_t tdef_row_count_offset;
  std::uint32_t tdef_autonumber_offset;
  std::uint32_t tdef_table_type_offset;
  std::uint32_t tdef_max_columns_offset;
  std::uint32_t tdef_var_columns_offset;
  std::uint32_t tdef_column_count_offset;
  std::uint32_t tdef_index_count_offset;
  std::uint32_t tdef_real_index_count_offset;
  std::uint32_t tdef_used_pages_offset;
  std::uint32_t tdef_free_pages_offset;
  std::uint32_t tdef_header_size;        // where the real-index counts start
  std::uint32_t tdef_real_index_count_entry;  // bytes per real-index count entry
  std::uint32_t tdef_column_entry;       // bytes per column entry
  std::uint32_t tdef_real_index_entry;   // bytes per real-index definition
  std::uint32_t tdef_logical_index_entry;  // bytes per logical-index definition

  // Sizes in rows and names.
  std::uint32_t row_count_size;   // num_cols / eod / var_len: 1 (Jet 3) or 2
  std::uint32_t name_length_size; // column/index name length prefix: 1 or 2

  bool is_jet4() const { return version == JetVersion::jet4; }

  static const Format& of(JetVersion version);
};

inline constexpr Format kJet3Format{
    JetVersion::jet3, 2048,
    /*data_row_count_offset=*/0x08, /*data_free_space_offset=*/0x02,
    /*tdef_row_count_offset=*/12, /*tdef_autonumber_offset=*/16, /*tdef_table_type_offset=*/20,
    /*tdef_max_columns_offset=*/21, /*tdef_var_columns_offset=*/23,
    /*tdef_column_count_offset=*/25, /*tdef_index_count_offset=*/27,
    /*tdef_real_index_count_offset=*/31, /*tdef_used_pages_offset=*/35,
    /*tdef_free_pages_offset=*/39, /*tdef_header_size=*/43,
    /*tdef_real_index_count_entry=*/8, /*tdef_column_entry=*/18,
    /*tdef_real_index_entry=*/39, /*tdef_logical_index_entry=*/20,
    /*row_count_size=*/1, /*name_length_size=*/1};

inline constexpr Format kJet4Format{
    JetVersion::jet4, 4096,
    /*data_row_count_offset=*/0x0C, /*data_free_space_offset=*/0x02,
    /*tdef_row_count_offset=*/16, /*tdef_autonumber_offset=*/20, /*tdef_table_type_offset=*/40,
    /*tdef_max_columns_offset=*/41, /*tdef_var_columns_offset=*/43,
    /*tdef_column_count_offset=*/45, /*tdef_index_count_offset=*/47,
    /*tdef_real_index_count_offset=*/51, /*tdef_used_pages_offset=*/55,
    /*tdef_free_pages_offset=*/59, /*tdef_header_size=*/63,
    /*tdef_real_index_count_entry=*/12, /*tdef_column_entry=*/25,
    /*tdef_real_index_entry=*/52, /*tdef_logical_index_entry=*/28,
    /*row_count_size=*/2, /*name_length_size=*/2};

// Entry sizes as sums of their parts (see the byte map in table_def.h).
inline constexpr std::uint32_t kIndexColumnSlots = 10 * (2 + 1);
static_assert(kJet3Format.tdef_real_index_entry == kIndexColumnSlots + 4 + 4 + 1);
static_assert(kJet4Format.tdef_real_index_entry == 4 + kIndexColumnSlots + 4 + 4 + 4 + 1 + 5);
static_assert(kJet3Format.tdef_logical_index_entry == 4 + 4 + 1 + 4 + 4 + 1 + 1 + 1);
static_assert(kJet4Format.tdef_logical_index_entry == 4 + 4 + 4 + 1 + 4 + 4 + 1 + 1 + 1 + 4);
static_assert(kJet4Format.tdef_column_entry == kJet3Format.tdef_column_entry + 4 + 1 + 2);
static_assert(kJet4Format.data_row_count_offset == kJet3Format.data_row_count_offset + 4);

inline const Format& Format::of(JetVersion version) {
  return version == JetVersion::jet3 ? kJet3Format : kJet4Format;
}

}  // namespace jet
