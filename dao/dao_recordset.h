// dao_recordset: the Access side's table object.  It wraps a DAO
// Recordset over one table (append-only for the conversion), reads the
// table's layout back into the universal model (schema with defaults,
// indexes, record count), appends records and moves a cursor.
//
// append_record writes one source record: nulls in required fields become
// the field type's zero value, zero dates day zero, integer types Access
// lacks their nearest wider type.  A value that makes the row too large is
// stored empty and the rest of the row is still written; the record is
// then reported as a recoverable error ("Record is too large." with the
// field's name) after it has been written.
//
// Ownership: made by dao_database; destroyed before it.  The record of
// get_item belongs to the recordset.  Thread-safety: the engine's thread.
#pragma once

#include <memory>
#include <vector>

#include "OLE/ole_ptr.h"
#include "UDB/udb_recordset.h"
#include "dao/dao_exception.h"
#include "dao/dao_record.h"
#include "dao/dao_variant_args.h"
#include "platform/dao/dao.h"

inline constexpr char dao_msg_not_conform[] = "The structures of data source does not conform to the destination table.";

// The recoverable report of a record whose field was stored empty because
// the value did not fit the row.
class dao_record_too_large : public dao_exception {
 public:
  explicit dao_record_too_large(const std::string& field);
};

class dao_recordset : public udb_recordset {
 public:
  dao_recordset(const std::string& name, ole_com_ptr<Recordset> rows, ole_com_ptr<_TableDef> tabledef);
  // Closes the recordset; a failure to close is traced, never thrown.
  ~dao_recordset() override;

  void append_record(const udb_record& record) override;
  udb_record& get_item() override;
  bool is_eof() override { return eof_ != 0; }
  void next() override;
  void prev() override;
  void reset() override;

  // The value written for a null in a required field of `vartype`.
  static ole_variant required_null_value(VARTYPE vartype);

 private:
  void init_schema();
  void init_indexes();
  // Writes one field; answers false when the value made the row too large
  // and the field was stored empty instead.
  bool put_field(std::size_t i, const udb_field& s);
  // Assigns the pending record's field of schema column i.
  void collect(std::size_t i, const VARIANT& value);

  std::string name_;
  ole_com_ptr<Recordset> rows_;
  ole_com_ptr<_TableDef> tabledef_;
  VARIANT_BOOL eof_ = 0;
  std::unique_ptr<dao_record> current_;
  // The schema's field names as DAO item arguments, made with the schema.
  std::vector<dao_var> items_;
};
