// dao_database: the Access side of the universal model's database.  It
// wraps one open DAO Database: lists the file's user tables, creates a
// table from a source schema and index set (dao_schema_initializer,
// dao_indexes_initializer), opens an existing table and drops one.
//
// Mode bits: 0 read only (creating or dropping is then an assertion
// failure), 3 the file was opened rather than created (create_table of an
// existing table opens it instead).
//
// Ownership: made by dao_engine; destroyed after its recordsets and before
// the engine.  Thread-safety: the engine's thread only.
#pragma once

#include "OLE/ole_ptr.h"
#include "UDB/udb_database.h"
#include "platform/dao/dao.h"

class dao_database : public udb_database {
 public:
  dao_database(const std::string& name, ole_com_ptr<Database> db, uint32_t mode);
  // Closes the database; a failure to close is traced, never thrown.
  ~dao_database() override;

  std::unique_ptr<udb_recordset> create_table(const std::string& name, const udb_schema& schema,
                                              const udb_indexes& indexes) override;
  bool delete_tab(const std::string& name) override;
  // Open flags: bit 0 read only, else append only.
  std::unique_ptr<udb_recordset> get_table(const std::string& name, uint32_t open_flags) override;

 private:
  ole_com_ptr<Database> db_;
  ole_com_ptr<TableDefs> tabledefs_;
};

// True for a table of the file's own (neither linked nor a system table),
// from TableDef.Attributes.
bool dao_is_user_table(LONG attributes);
