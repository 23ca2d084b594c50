// odb_meta_data: a catalog rowset of the session, read like any other
// rowset.  Its three kinds: the tables (DBSCHEMA_TABLES, of type "TABLE"),
// a table's primary key (DBSCHEMA_PRIMARY_KEYS) and its indexes
// (DBSCHEMA_INDEXES).  Table and owner are given without brackets; an
// empty owner leaves the owner unrestricted.
//
// Thread-safety: one thread.
#pragma once

#include <string>
#include <vector>

#include "MSS/odb_recordset.h"

class odb_meta_data : public odb_recordset {
 public:
  ~odb_meta_data() override;

 protected:
  // REQUIRES: session given (else tk_mail_assertion).
  odb_meta_data(IOpenRowset* session, ULONG restriction_count);
  // Restriction `position` = text.
  void restrict(ULONG position, const std::string& text);
  // Opens the catalog rowset with the restrictions and describes it.
  void internal_initialize(REFGUID schema);

 private:
  ole_com_ptr<IDBSchemaRowset> schema_rowset_;
  std::vector<VARIANT> restrictions_;
};

class odb_tl_meta_data : public odb_meta_data {
 public:
  odb_tl_meta_data(IOpenRowset* session, const std::string& owner);
};

class odb_pk_meta_data : public odb_meta_data {
 public:
  odb_pk_meta_data(IOpenRowset* session, const std::string& table, const std::string& owner);
};

class odb_id_meta_data : public odb_meta_data {
 public:
  odb_id_meta_data(IOpenRowset* session, const std::string& table, const std::string& owner);
};
