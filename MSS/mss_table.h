// odb_table and mss_table: a source table opened for reading.  Opening it
// does all the describing: a read-only rowset over the whole table, the
// column descriptors, the row count, then from the server's column catalog
// (sp_columns) each column's default and identity, and unless skipped the
// primary key and the indexes.
//
// The bracketed name is "[owner].[table]" or "[table]", with any "]"
// inside a name doubled.
//
// Thread-safety: one thread.
#pragma once

#include <string>

#include "MSS/odb_recordset.h"
#include "UDB/udb_database.h"

class odb_table : public odb_recordset {
 public:
  odb_table(const std::string& bracketed_name, IOpenRowset& session, uint32_t flags);

  // True once the rows counted at opening are passed, or when the table
  // has no further row (rows deleted since the count end it cleanly).
  bool is_eof() override;

  const std::string& name() const { return name_; }

 protected:
  IOpenRowset& session() const { return *session_; }
  // The key and the indexes of table `table` of `owner`.
  void init_indexes(const std::string& table, const std::string& owner);

 private:
  void internal_initialize(uint32_t flags);
  int32_t get_records_cnt();

  std::string name_;
  ole_com_ptr<IOpenRowset> session_;
};

class mss_table : public odb_table {
 public:
  mss_table(const std::string& bracketed_name, IOpenRowset& session, uint32_t flags);

  // Takes the bracketed name apart (tk_mail_assertion when malformed).
  void split_tab_name(std::string& table, std::string& owner) const;
  // The default of a column of `vartype` from SQL Server's stored default
  // expression ("((0))", "('abc')", "(N'x')", "(getdate())"); empty when it
  // is not a value of that type.
  static ole_variant get_def_value(VARTYPE vartype, const std::string& text);
  // The stored default expression without its round brackets, quotes and
  // N prefix, doubled quotes made single: the text a value is read from.
  static std::string unwrap_default(const std::string& text);

 private:
  void init_schema();
};
