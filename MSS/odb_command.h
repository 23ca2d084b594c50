// odb_command: runs one SQL statement on a session of the SQL Server side.
//
// Thread-safety: one thread.
#pragma once

#include <string>

#include "OLE/ole_ptr.h"
#include "platform/oledb/oledb.h"

class odb_command {
 public:
  // On an existing session (its own reference).
  explicit odb_command(IOpenRowset& session);
  // On a session of its own, made from an initialized data source.
  explicit odb_command(IDBInitialize& data_source);

  // Runs the statement; *rowset receives its result, or with rowset null
  // the statement runs for its effect (IID_NULL).  Failures raise
  // odb_exception.
  void execute(const std::string& sql, ole_com_ptr<IRowset>* rowset = nullptr);

 private:
  void create_command();

  ole_com_ptr<IOpenRowset> session_;
  ole_com_ptr<ICommandText> command_text_;
};

// Opens a session (IOpenRowset) on an initialized data source.
ole_com_ptr<IOpenRowset> odb_open_session(IDBInitialize& data_source);
