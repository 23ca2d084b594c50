// odb_record and odb_field: one fetched row of the SQL Server side, each
// value turned from the provider's text (or bytes) into an ole_variant.
//
// Values travel from the provider as UTF-16 text, except DBTYPE_BYTES
// columns, which travel as raw bytes.  A null stays a null (empty value);
// an empty text stays an empty text; a value longer than its slot is read
// whole by the accessor and handed in beside the row buffer.
//
// Thread-safety: one thread, like the recordset that made it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "UDB/udb_record.h"
#include "platform/oledb/oledb.h"

class odb_field : public udb_field {
 public:
  odb_field(std::string name, uint32_t size, ole_variant value = ole_variant());
  // The value's text; a date on 1899-12-30 (the day that carries times
  // alone) renders "00:00:00" at midnight and "0000-00-00 hh:mm:ss" else.
  std::string to_string() const override;
};

class odb_record : public udb_record {
 public:
  // Builds the fields from the row buffer through the bindings.  `whole`
  // holds, per column, the value read whole when the slot truncated it.
  // REQUIRES: buffer and bindings given (else tk_mail_assertion).
  odb_record(DBORDINAL count, const BYTE* buffer, const DBCOLUMNINFO* info, const DBBINDING* bindings,
             const std::vector<std::optional<std::string>>& whole = {});

  // The variant type of an OLE DB type.
  static VARTYPE get_vartype(DBTYPE type);
  // The field of a column from its text (not null).
  static odb_field* get_field(const DBCOLUMNINFO& info, const std::string& text);
};
