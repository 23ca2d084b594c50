// t_ftd: the engine-neutral descriptor of one column, and the conformance
// rules that decide whether a source column's values fit a destination
// column (the merge of an existing table depends on them).
//
// Thread-safety: a plain value; one thread at a time.
#pragma once

#include <cstdint>
#include <string>

#include "OLE/ole_var.h"
#include "platform/oleaut/oleaut_types.h"

class udb_field;

// Storage hints of t_ftd::reserved.  A VT_DECIMAL column holds
// (precision << 8) + scale instead.
enum udb_storage_hint : uint32_t {
  udb_hint_none = 0,
  udb_hint_datetime = 1,
  udb_hint_long_text = 4,
  udb_hint_long_binary = 5,
};

struct t_ftd {
  // From explicit values.
  t_ftd(uint32_t size, std::string name, VARTYPE vartype, bool b_not_null = false, bool identity = false,
        ole_variant default_value = ole_variant(), uint32_t reserved = udb_hint_none);
  // From a record field (name, size, declared type, flags) plus the
  // column's default and storage hint.
  t_ftd(const udb_field& field, ole_variant default_value, uint32_t reserved);

  // Type-and-size equality: VT_DECIMAL and VT_CY are equal whatever their
  // sizes; otherwise the types must match, and texts their sizes too.
  bool operator==(const t_ftd& other) const;

  // True when a value of this (source) column may be stored in a column
  // described by `destination`: equality, or one of the widenings of a
  // text to a longer or unlimited text, of a number to a wider number, and
  // of a date to its 19-character text form and back.
  bool conform_to(const t_ftd& destination) const;

  uint32_t size;          // text: most characters, 0 for no limit; VT_BLOB: 0
  std::string name;       // as the owning engine spells it
  VARTYPE vartype;        // OLE Automation variant type code
  bool identity;          // identity (auto-number) column
  bool b_not_null;        // the column refuses nulls
  ole_variant default_value;  // empty when the column has no default
  uint32_t reserved;      // udb_storage_hint, or decimal precision and scale
};

// True for the types that conformance treats as numbers (VT_BOOL included).
bool udb_is_numeric(VARTYPE vartype);
