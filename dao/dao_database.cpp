#include "dao/dao_database.h"

#include "TK/tk_trace.h"
#include "dao/dao_engine.h"
#include "dao/dao_exception.h"
#include "dao/dao_indexes_initializer.h"
#include "dao/dao_recordset.h"
#include "dao/dao_schema_initializer.h"
#include "dao/dao_variant_args.h"

bool dao_is_user_table(LONG attributes) {
  // Linked tables of either kind are not the file's own.
  return (attributes & (dbAttachedTable | dbAttachedODBC)) == 0 && (attributes & dbSystemObject) == 0;
}

dao_database::dao_database(const std::string& name, ole_com_ptr<Database> db, uint32_t mode)
    : udb_database(name, mode), db_(std::move(db)) {
  TK_TRACE(2, "dao_database::dao_database( %s )", name.c_str());
  TK_ASSERT(db_);
  dao_check(db_->get_TableDefs(tabledefs_.address()), tabledefs_);
  SHORT count = 0;
  if (FAILED(tabledefs_->get_Count(&count))) throw dao_exception();
  for (SHORT i = 0; i < count; ++i) {
    ole_com_ptr<_TableDef> def;
    dao_check(tabledefs_->get_Item(dao_var(static_cast<long>(i)).v, def.address()), def);
    LONG attributes = 0;
    BSTR table = nullptr;
    if (FAILED(def->get_Attributes(&attributes)) || FAILED(def->get_Name(&table))) throw dao_exception();
    std::string text = dao_take_text(table);
    if (dao_is_user_table(attributes)) mutable_table_names().push_back(text);
  }
}

dao_database::~dao_database() {
  TK_TRACE(2, "dao_database::~dao_database");
  if (FAILED(db_->Close())) {
    try {
      dao_exception e;
      TK_TRACE(3, "Failed to close the database: %s", e.message().c_str());
    } catch (const tk_exception& e) {
      TK_TRACE(3, "Failed to close the database: %s", e.message().c_str());
    }
  }
}

std::unique_ptr<udb_recordset> dao_database::create_table(const std::string& name, const udb_schema& schema,
                                                          const udb_indexes& indexes) {
  TK_TRACE(2, "dao_database::create_table (%s)", name.c_str());
  TK_ASSERT((open_mode() & dao_mode_read_only) == 0);
  if (is_table_exist(name)) {
    TK_ASSERT((open_mode() & dao_mode_opened) != 0);
    return get_table(name, dao_mode_opened);
  }
  ole_com_ptr<_TableDef> def;
  dao_var table(name), no_attributes(0L), no_source{std::string()}, no_connect{std::string()};
  dao_check(db_->CreateTableDef(table.v, no_attributes.v, no_source.v, no_connect.v, def.address()), def);
  dao_schema_initializer fields(def.get(), schema);
  fields.initialize();
  dao_indexes_initializer keys(def.get(), fields, indexes, fields.names_map());
  keys.initialize();
  TK_TRACE(1, "Right before Append");
  if (FAILED(tabledefs_->Append(def.get()))) throw dao_exception();
  def.reset();
  mutable_table_names().push_back(name);
  return get_table(name, 2);
}

std::unique_ptr<udb_recordset> dao_database::get_table(const std::string& name, uint32_t open_flags) {
  TK_TRACE(2, "dao_database::get_table(%s, %d)", name.c_str(), static_cast<int>(open_flags));
  TK_ASSERT(is_table_exist(name));
  std::string statement = "SELECT * FROM [" + name + "]";
  long options = (open_flags & udb_open_read_only) != 0 ? dbReadOnly : dbAppendOnly;
  ole_com_ptr<_TableDef> def;
  dao_check(tabledefs_->get_Item(dao_var(name).v, def.address()), def);
  ole_com_ptr<_QueryDef> query;
  dao_check(db_->CreateQueryDef(dao_var(std::string()).v, dao_var(statement).v, query.address()), query);
  ole_com_ptr<Recordset> rows;
  dao_var no_lock;
  dao_check(query->OpenRecordset(dao_var(static_cast<long>(dbOpenDynaset)).v, dao_var(options).v, no_lock.v,
                             rows.address()),
        rows);
  return std::make_unique<dao_recordset>(name, std::move(rows), std::move(def));
}

bool dao_database::delete_tab(const std::string& name) {
  TK_TRACE(1, "dao_database::delete_tab(%s)", name.c_str());
  TK_ASSERT((open_mode() & dao_mode_read_only) == 0 && is_table_exist(name));
  if (FAILED(tabledefs_->Delete(dao_bstr(name).b))) throw dao_exception();
  return udb_database::delete_tab(name);
}
