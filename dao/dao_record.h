// The Access side's row objects: dao_field (one DAO Field of the current
// row, read into the universal model's field) and dao_record (every field
// of the row), and dao_get_valid_variant, the rewriting of values whose
// integer types Access lacks.
//
// Ownership: a dao_record belongs to the recordset whose get_item made it.
// Thread-safety: the engine's thread only.
#pragma once

#include "OLE/ole_ptr.h"
#include "UDB/udb_record.h"
#include "platform/dao/dao.h"

// The zero date: a date part of zeros has no Access counterpart and is
// stored as day zero of the OLE date scale, and read back as zeros.
extern const char* const dao_zero_date;   // "0000-00-00"
extern const char* const dao_fake_date;   // "1899-12-30"

// A date field's value as the destination stores it: the value's text,
// with the zero date turned into day zero, read back as a date (so to the
// second, and a time alone on day zero); no value when the text reads as
// none.
ole_variant dao_date_value(const udb_field& field);

// VT_I8 and VT_UI8 become VT_R8, VT_UI2 VT_I4, VT_UI4 VT_R8 and VT_I1 VT_I2,
// through the value's text form; other values are answered unchanged.
ole_variant dao_get_valid_variant(const ole_variant& value);

class dao_field : public udb_field {
 public:
  // Reads name, size, required flag, auto-increment attribute, type and
  // value from the DAO field.
  explicit dao_field(ole_com_ptr<_Field> field);

  // The value's text; a date on day zero reads with zeros in place of the
  // date ("00:00:00" for a pure day zero).
  std::string to_string() const override;
  // Field.Type through the reverse mapping.
  VARTYPE declared_type() const override { return declared_type_; }

 private:
  ole_com_ptr<_Field> field_;
  VARTYPE declared_type_;
};

class dao_record : public udb_record {
 public:
  explicit dao_record(ole_com_ptr<Fields> fields);

 private:
  ole_com_ptr<Fields> fields_;
};
