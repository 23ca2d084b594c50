// Writes a new table's pages: its TDEF (one page or a chain), the rows of
// its usage maps and an empty leaf root for each index; and the catalog
// and access-control rows that make it visible.
#pragma once

#include <cstdint>
#include <vector>

#include "database_impl.h"
#include "jet/types.h"

namespace jet {

// Pages a table of `def` takes when created (TDEF pages, index roots, a
// page for map rows), for the size-limit check before writing.
std::uint64_t pages_for_table(const TableDef& def, const Format& format);

// Allocates and writes the table's pages and fills in def.tdef_page,
// continuation pages, usage maps, long-value maps and index roots. When
// `tdef_page` is not 0 that (already allocated) page takes the TDEF.
void write_new_table(Database::Impl& db, TableDef& def, std::uint32_t tdef_page = 0);

// MSysObjects Ids and parents of the objects a new database holds.
namespace object_id {
inline constexpr std::int32_t root = 0x0F000000;
inline constexpr std::int32_t tables = 0x0F000001;
inline constexpr std::int32_t databases = 0x0F000002;
inline constexpr std::int32_t relationships = 0x0F000003;
inline constexpr std::int32_t msys_db = 0x10000000;
}  // namespace object_id

// One MSysObjects row: `id`, parent, name, type, flags and the LvProp blob
// (empty for none), dated now.
void add_catalog_row(Database::Impl& db, std::int32_t id, std::int32_t parent, const std::string& name,
                     std::int16_t type, std::uint32_t flags, const std::vector<std::uint8_t>& properties);

// One MSysACEs row.
void add_access_row(Database::Impl& db, std::int32_t object, const std::vector<std::uint8_t>& sid,
                    std::int32_t rights, bool inheritable);

// The access-control rows a new user table gets: the rights the Tables
// container passes on to its objects.
void add_table_access_rows(Database::Impl& db, std::int32_t object);

// Now as an OLE date (days since 1899-12-30, local time ignored: UTC).
DateTime now_as_ole_date();

}  // namespace jet
