// odb_database and mss_database: a SQL Server database as the universal
// model sees it.  The database keeps its data source and session (so the
// connection stays open while it lives), lists the user tables with their
// owners once, and opens tables for reading (mss_table).
//
// Ownership: recordsets and tables made here belong to the caller and are
// destroyed before the database.
// Thread-safety: one thread.
#pragma once

#include <string>
#include <vector>

#include "OLE/ole_ptr.h"
#include "UDB/udb_database.h"
#include "platform/oledb/oledb.h"

class odb_database : public udb_database {
 public:
  odb_database(const std::string& name, IDBInitialize& data_source, IOpenRowset& session, uint32_t open_mode);
  ~odb_database() override;

  // Never called on a source database: tk_mail_assertion.
  std::unique_ptr<udb_recordset> create_table(const std::string& name, const udb_schema& schema,
                                              const udb_indexes& indexes) override;
  // Runs the statement; the answer shows no row until reset().
  std::unique_ptr<udb_recordset> query(const std::string& statement) override;

 protected:
  IOpenRowset& session() const { return *session_; }

 private:
  ole_com_ptr<IOpenRowset> session_;
  ole_com_ptr<IDBInitialize> data_source_;
};

class mss_database : public odb_database {
 public:
  // Reads the list of user tables ("TABLE") and their owners.
  mss_database(const std::string& name, IDBInitialize& data_source, IOpenRowset& session, uint32_t open_mode);

  // Opens the listed table `name` (tk_mail_assertion when it is not
  // listed).  Where two owners have a table of that name, each call takes
  // the next owner not yet opened, so each of them is read once; the exact
  // spelling is preferred to a match with case ignored.
  std::unique_ptr<udb_recordset> get_table(const std::string& name, uint32_t flags) override;

  // owners()[i] is the owner of table_names()[i] (possibly empty).
  const std::vector<std::string>& owners() const { return owners_; }

 private:
  std::vector<std::string> owners_;
  std::vector<bool> opened_;
};
