// udb_field and udb_record: one row of a table as the universal model hands
// it from the source to the destination.
//
// A field is the cell's value (an ole_variant) with its column's name,
// declared size and flags.  Each side derives its own fields and records;
// the driver only passes a source record to the destination's
// append_record.
//
// Ownership: a record owns its fields.  A record handed out by a
// recordset's get_item belongs to that recordset.
// Thread-safety: one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "OLE/ole_var.h"
#include "platform/oleaut/oleaut_types.h"

class udb_field : public ole_variant {
 public:
  // A field holding `value`.
  udb_field(std::string name, uint32_t size, bool b_not_null = false, bool identity = false,
            ole_variant value = ole_variant());
  // Virtual operations, in slot order: destructor, to_string, declared_type.
  ~udb_field() override = default;

  // The value as text.  Base body: the variant's own text form.
  std::string to_string() const override;
  // The column's type code.  Base body: the type of the value held now
  // (VT_NULL for a null); the Access side answers the declared type.
  virtual VARTYPE declared_type() const;

  const std::string& name() const { return name_; }
  uint32_t size() const { return size_; }
  bool b_not_null() const { return b_not_null_; }
  bool identity() const { return identity_; }

  // The value itself.
  ole_variant& value() { return *this; }
  const ole_variant& value() const { return *this; }

 private:
  std::string name_;
  uint32_t size_;
  bool b_not_null_;
  bool identity_;
};

class udb_record {
 public:
  udb_record() = default;
  virtual ~udb_record() = default;
  udb_record(const udb_record&) = delete;
  udb_record& operator=(const udb_record&) = delete;

  // Takes ownership of `field` and places it after the existing fields.
  // REQUIRES: field is not null (else tk_mail_assertion).
  void append(std::unique_ptr<udb_field> field);
  // Makes room for `count` fields in all, so appending them moves nothing.
  void reserve(std::size_t count) { fields_.reserve(count); }

  std::size_t size() const { return fields_.size(); }
  // The field at `position`; outside the record raises std::out_of_range.
  const udb_field& at(std::size_t position) const { return *fields_.at(position); }
  udb_field& at(std::size_t position) { return *fields_.at(position); }

 private:
  std::vector<std::unique_ptr<udb_field>> fields_;
};
