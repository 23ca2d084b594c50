// udb_recordset: the common base of every table object of the universal
// model, on the source side (read) and on the destination side (append).
//
// It carries the table's record count, schema and indexes.  The cursor
// operations are the sides' own.
//
// Ownership: a recordset is owned by whoever got it from create_table,
// get_table or query, and must be destroyed before its database.  The
// record answered by get_item belongs to the recordset and may be reused by
// the next next() or reset().
// Thread-safety: one thread at a time (the thread that runs the conversion).
#pragma once

#include <cstdint>

#include "UDB/udb_indexes.h"
#include "UDB/udb_record.h"
#include "UDB/udb_schema.h"

class udb_recordset {
 public:
  udb_recordset() = default;
  udb_recordset(const udb_recordset&) = delete;
  udb_recordset& operator=(const udb_recordset&) = delete;

  // Virtual operations, in slot order.
  virtual ~udb_recordset() = default;
  // Appends one record (destination side).  Base body: tk_mail_assertion,
  // since the conversion never appends to a source table.
  virtual void append_record(const udb_record& record);
  // The record under the cursor.  REQUIRES: !is_eof().
  virtual udb_record& get_item() = 0;
  // True when the cursor is past the last record.
  virtual bool is_eof() = 0;
  // Moves the cursor one record on.
  virtual void next() = 0;
  // Moves the cursor one record back.  Base body: does nothing (the source
  // side); the driver does not use it.
  virtual void prev();
  // Moves the cursor back to the first record.
  virtual void reset() = 0;

  // The number of records in the table when it was opened.
  uint32_t record_count() const { return record_count_; }
  const udb_schema& schema() const { return schema_; }
  const udb_indexes& indexes() const { return indexes_; }

 protected:
  void set_record_count(uint32_t count) { record_count_ = count; }
  udb_schema& mutable_schema() { return schema_; }
  udb_indexes& mutable_indexes() { return indexes_; }

 private:
  uint32_t record_count_ = 0;
  udb_schema schema_;
  udb_indexes indexes_;
};
