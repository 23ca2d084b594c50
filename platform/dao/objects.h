// The factories of the DAO objects over the Jet engine. Internal to
// platform/dao; callers outside reach the objects through dao.h.
#pragma once

#include <string>

#include "jet/schema.h"
#include "platform/dao/internal.h"

namespace dao_impl {

// A new engine object (one reference): Jet 4 (DAO 3.6) or Jet 3 (DAO 3.5).
IUnknown* make_engine(bool jet4);

ref<Errors> make_errors(const error_sink& errors);
ref<Database> make_database(const file_ref& file);

// A table definition not yet in any file.
ref<_TableDef> make_new_tabledef(const error_sink& errors, const std::string& name);
// A table definition of the file; `attributes` as TableDefs lists them.
ref<_TableDef> make_stored_tabledef(const file_ref& file, const std::string& name, LONG attributes);
// For TableDefs.Append: the schema of a new table definition, which is
// frozen from then on. Answers 0, or the DAO error number that refuses it
// (3219 for an object that is not a new table definition, 3264 without
// fields).
LONG take_new_schema(IUnknown* tabledef, bool jet3, jet::TableSchema& out);

// A dynaset over table `name`: append-only, or read-only over its rows.
ref<Recordset> make_recordset(const file_ref& file, const std::string& name, bool read_only);

}  // namespace dao_impl

namespace dao_impl {
// Marks a new table definition as appended: its fields, indexes and
// properties no longer change.
void freeze_tabledef(IUnknown* tabledef);
}  // namespace dao_impl
