// Deleting a table: its catalog and access-control rows go (with the
// catalog's index entries), and every page it owned returns to the global
// free map, where the page allocator takes it again.
#pragma once

#include <string>

#include "database_impl.h"

namespace jet {

// Removes user table `name` (see Database::delete_table). Throws jet::Error
// (invalid_argument, 3011) when there is no such user table.
void drop_table(Database::Impl& db, const std::string& name);

// Marks the row at `at` deleted, as Access does (flags 0xC000 in its slot;
// an overflow row's source only: its target is marked deleted already).
void delete_row(Database::Impl& db, RowPointer at);

// Packs the live rows of data page `number` against the page end, leaves
// deleted rows empty and drops deleted rows at the end of its slot table,
// so the space of deleted rows is taken again. Row numbers of live rows
// stay.
void compact_rows(Database::Impl& db, std::uint32_t number);

// Rebuilds every index of the table at `tdef_page` from its live rows: the
// old pages below each root are freed, the root starts empty again.
void rebuild_indexes(Database::Impl& db, std::uint32_t tdef_page);

}  // namespace jet
