#include "dao/dao_schema_initializer.h"

#include "OLE/ole_date.h"
#include "OLE/ole_ptr.h"
#include "TK/tk_trace.h"
#include "UDB/udb_names.h"
#include "dao/dao_exception.h"
#include "dao/dao_record.h"
#include "dao/dao_variant_args.h"

SHORT dao_type_of(VARTYPE vartype, uint32_t size) {
  bool short_kind = size >= 1 && size <= 255;
  switch (vartype) {
    case VT_BOOL: return dbBoolean;
    case VT_UI1: return dbByte;
    case VT_I2:
    case VT_I1: return dbInteger;
    case VT_I4:
    case VT_UI2: return dbLong;
    case VT_CY: return dbCurrency;
    case VT_R4: return dbSingle;
    case VT_R8:
    case VT_DECIMAL:
    case VT_UI4:
    case VT_I8:
    case VT_UI8: return dbDouble;
    case VT_DATE: return dbDate;
    case VT_BSTR: return short_kind ? dbText : dbMemo;
    case VT_BLOB:
    case 70:  // VT_BLOB_OBJECT
      return short_kind ? dbBinary : dbLongBinary;
  }
  throw ole_type_exception(dao_msg_type_not_supported);
}

VARTYPE dao_vartype_of(SHORT dao_type) {
  switch (dao_type) {
    case dbBoolean: return VT_BOOL;
    case dbByte: return VT_UI1;
    case dbInteger: return VT_I2;
    case dbLong: return VT_I4;
    case dbCurrency: return VT_CY;
    case dbSingle: return VT_R4;
    case dbDouble:
    case 19:
    case 20:
    case 21: return VT_R8;
    case dbDate:
    case 22: return VT_DATE;
    case dbText:
    case dbMemo: return VT_BSTR;
  }
  return VT_BLOB;
}

bool dao_is_long_type(SHORT dao_type) { return dao_type == dbMemo || dao_type == dbLongBinary; }

dao_schema_initializer::dao_schema_initializer(_TableDef* tabledef, const udb_schema& source)
    : tabledef_(tabledef), validator_(source) {
  TK_TRACE(2, "dao_schema_initializer::ctor");
  for (std::size_t i = 0; i < source.size(); ++i) {
    const t_ftd& f = source.at(i);
    bool acceptable = validator_.is_acceptable(f.name);
    std::string name = acceptable ? f.name : validator_.get_safe_name(f.name);
    t_ftd column = f;
    column.name = name;
    append(std::move(column));
    if (!acceptable) {
      TK_TRACE(2, "Store generated column name '%s'", name.c_str());
      validator_.add_taken_name(name);
      validator_.names_map().add(f.name, name);
    }
    validator_.add_name_in_use(name);
    source_names_.push_back(f.name);
  }
}

std::string dao_schema_initializer::destination_name(const std::string& name) const {
  for (std::size_t i = 0; i < source_names_.size(); ++i) {
    if (source_names_[i] == name) return at(i).name;
  }
  for (std::size_t i = 0; i < source_names_.size(); ++i) {
    if (udb_same_name(source_names_[i], name)) return at(i).name;
  }
  return names_map().get_mapped_name(name, false);
}

void dao_schema_initializer::initialize() {
  TK_TRACE(2, "dao_schema_initializer::initialize");
  TK_ASSERT(tabledef_ != nullptr);
  ole_com_ptr<Fields> fields;
  if (FAILED(tabledef_->get_Fields(fields.address()))) throw dao_exception();
  if (!fields) throw tk_exception("MS Access database engine returned no fields.", tk_level_abort);
  uint64_t total = 0;
  for (std::size_t i = 0; i < size(); ++i) {
    const t_ftd& d = at(i);
    SHORT type = dao_type_of(d.vartype, d.size);
    total += d.size;
    TK_TRACE(2, "Field #%d, type=%d, size=%d, total size=%d", static_cast<int>(i), d.vartype,
             static_cast<int>(d.size), static_cast<int>(total));
    ole_com_ptr<_Field> field;
    if (FAILED(tabledef_->CreateField(dao_var(d.name).v, dao_var(static_cast<long>(type)).v,
                                      dao_var(static_cast<long>(d.size)).v, field.address())))
      throw dao_exception();
    if (!field) throw tk_exception("MS Access database engine returned no field.", tk_level_abort);
    if (FAILED(fields->Append(field.get()))) throw dao_exception();
    if (FAILED(field->put_Required(d.b_not_null ? VARIANT_TRUE : VARIANT_FALSE))) throw dao_exception();
    if (FAILED(field->put_AllowZeroLength(VARIANT_TRUE))) throw dao_exception();
    put_default(*field, d);
    if (type == dbLong && d.identity) {
      LONG attributes = 0;
      if (FAILED(field->get_Attributes(&attributes)) || FAILED(field->put_Attributes(attributes | dbAutoIncrField)))
        throw dao_exception();
    }
  }
}

void dao_schema_initializer::put_default(_Field& field, const t_ftd& d) {
  std::string text = d.default_value.to_string();
  if (text.empty()) return;
  VARTYPE def_type = d.default_value.vt();
  TK_TRACE(1, "Putting default value: (%d, %s)", def_type, text.c_str());
  HRESULT hr = S_OK;
  if (def_type == VT_I1 || def_type == VT_UI2 || def_type == VT_UI4 || def_type == VT_I8 || def_type == VT_UI8) {
    ole_variant valid = dao_get_valid_variant(d.default_value);
    hr = field.put_DefaultValue(valid.variant());
  } else if (d.vartype == VT_BSTR) {
    hr = field.put_DefaultValue(dao_var(quote_def_value(text)).v);
  } else if (d.vartype == VT_DATE) {
    TK_TRACE(1, "Got DATE def value");
    std::string canonical = ole_date(text).to_string();
    TK_TRACE(1, "After canonization: %s", canonical.c_str());
    if (canonical.empty()) return;
    hr = field.put_DefaultValue(dao_var(quote_def_value(text)).v);
  } else if (def_type & VT_ARRAY) {
    // Access has no literal for binary data, so a binary default cannot be
    // an Access expression; the table is created without it rather than
    // refused as a whole.
    TK_TRACE(1, "Binary default value dropped");
    return;
  } else {
    hr = field.put_DefaultValue(d.default_value.variant());
  }
  if (FAILED(hr)) throw dao_exception();
}

std::string dao_schema_initializer::quote_def_value(const std::string& text) {
  TK_TRACE(1, "dao_schema_initializer::quote_def_value(%s)", text.c_str());
  bool has_double = text.find('"') != std::string::npos;
  bool has_single = text.find('\'') != std::string::npos;
  if (has_double && !has_single) return "'" + text + "'";
  std::string quoted = text;
  for (char& c : quoted) {
    if (c == '"') c = '\'';
  }
  return "\"" + quoted + "\"";
}
