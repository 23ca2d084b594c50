#include "dao/dao_record.h"

#include "TK/tk_trace.h"
#include "dao/dao_exception.h"
#include "dao/dao_schema_initializer.h"
#include "dao/dao_variant_args.h"

const char* const dao_zero_date = "0000-00-00";
const char* const dao_fake_date = "1899-12-30";

ole_variant dao_date_value(const udb_field& field) {
  // A date with fields reads back from its text as those fields, to the
  // second: the same value, taken without the texts when no trace wants
  // their lines.
  if (field.vt() == VT_DATE && !tk_trace_sink::active()) {
    SYSTEMTIME fields{};
    if (VariantTimeToSystemTime(field.variant().date, &fields)) {
      fields.wMilliseconds = 0;
      fields.wDayOfWeek = 0;
      return ole_variant(fields);
    }
  }
  std::string text = field.to_string();
  std::size_t at = text.find(dao_zero_date);
  if (at != std::string::npos) {
    TK_TRACE(1, "Null date has been found");
    text.replace(at, std::string(dao_zero_date).size(), dao_fake_date);
  }
  return ole_variant::from_string(text, VT_DATE);
}

namespace {

ole_variant through_text(const ole_variant& value, VARTYPE target, const char* trace) {
  TK_TRACE(1, "%s", trace);
  ole_variant converted = ole_variant::from_string(value.to_string(), target);
  TK_TRACE(1, ">>> %s", converted.to_string().c_str());
  return converted;
}

struct field_facts {
  std::string name;
  LONG size = 0;
  bool required = false;
  bool identity = false;
  SHORT type = 0;
  ole_variant value;
};

field_facts read_field(_Field& field) {
  field_facts facts;
  BSTR name = nullptr;
  VARIANT_BOOL required = VARIANT_FALSE;
  LONG attributes = 0;
  dao_var value;
  if (FAILED(field.get_Name(&name))) throw dao_exception();
  facts.name = dao_take_text(name);
  if (FAILED(field.get_Size(&facts.size)) || FAILED(field.get_Required(&required)) ||
      FAILED(field.get_Attributes(&attributes)) || FAILED(field.get_Type(&facts.type)) ||
      FAILED(field.get_Value(&value.v)))
    throw dao_exception();
  facts.required = required != VARIANT_FALSE;
  facts.identity = (attributes & dbAutoIncrField) != 0;
  VariantCopy(&facts.value.variant(), &value.v);
  return facts;
}


}  // namespace

ole_variant dao_get_valid_variant(const ole_variant& value) {
  TK_TRACE(1, "dao_get_valid_variant");
  switch (value.vt()) {
    case VT_I8:
    case VT_UI8: return through_text(value, VT_R8, "Converting BIGINT value to double");
    case VT_UI2: return through_text(value, VT_I4, "Converting VT_UI2 value to integer");
    case VT_UI4: return through_text(value, VT_R8, "Converting VT_UI4 value to double");
    case VT_I1: return through_text(value, VT_I2, "Converting VT_I1 value to short");
  }
  return value;
}

dao_field::dao_field(ole_com_ptr<_Field> field)
    : udb_field(std::string(), 0), field_(std::move(field)), declared_type_(VT_EMPTY) {
  TK_ASSERT(field_);
  field_facts facts = read_field(*field_);
  static_cast<udb_field&>(*this) =
      udb_field(facts.name, static_cast<uint32_t>(facts.size), facts.required, facts.identity, facts.value);
  declared_type_ = dao_vartype_of(facts.type);
  TK_TRACE(1, "Got DAO field: %s", to_string().c_str());
}

std::string dao_field::to_string() const {
  TK_TRACE(1, "odb_field::to_string");
  std::string text = udb_field::to_string();
  if (vt() != VT_DATE) return text;
  std::size_t at = text.find(dao_fake_date);
  if (at == std::string::npos) return text;
  TK_TRACE(1, "Fake date has been found");
  if (text.size() <= std::string(dao_fake_date).size()) {
    TK_TRACE(1, "Transform pure fake date to pure time");
    return text.replace(at, std::string(dao_fake_date).size(), "00:00:00");
  }
  return text.replace(at, std::string(dao_fake_date).size(), dao_zero_date);
}

dao_record::dao_record(ole_com_ptr<Fields> fields) : fields_(std::move(fields)) {
  TK_ASSERT(fields_);
  ULONG refs = fields_->AddRef();
  fields_->Release();
  TK_TRACE(1, "dao_record::dao_record: n_refs = %d", static_cast<int>(refs - 1));
  SHORT count = 0;
  if (FAILED(fields_->get_Count(&count))) throw dao_exception();
  for (SHORT i = 0; i < count; ++i) {
    ole_com_ptr<_Field> field;
    if (FAILED(fields_->get_Item(dao_var(static_cast<long>(i)).v, field.address()))) throw dao_exception();
    if (!field) throw tk_exception("MS Access database engine returned no field.", tk_level_abort);
    append(std::make_unique<dao_field>(std::move(field)));
  }
}
