#include "UDB/udb_record.h"

#include "TK/tk_exception.h"

udb_field::udb_field(std::string name, uint32_t size, bool b_not_null, bool identity, ole_variant value)
    : ole_variant(std::move(value)), name_(std::move(name)), size_(size), b_not_null_(b_not_null), identity_(identity) {}

std::string udb_field::to_string() const { return ole_variant::to_string(); }

VARTYPE udb_field::declared_type() const { return vt(); }

void udb_record::append(std::unique_ptr<udb_field> field) {
  TK_ASSERT(field != nullptr);
  fields_.push_back(std::move(field));
}
