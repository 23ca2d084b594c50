#include "MSS/odb_meta_data.h"

#include "MSS/odb_exception.h"
#include "TK/tk_trace.h"

odb_meta_data::odb_meta_data(IOpenRowset* session, ULONG restriction_count) : restrictions_(restriction_count) {
  TK_TRACE(1, "odb_meta_data::ctor");
  TK_ASSERT(session != nullptr);
  odb_check(session->QueryInterface(IID_IDBSchemaRowset, reinterpret_cast<void**>(schema_rowset_.address())));
  for (VARIANT& v : restrictions_) VariantInit(&v);
}

odb_meta_data::~odb_meta_data() {
  for (VARIANT& v : restrictions_) VariantClear(&v);
}

void odb_meta_data::restrict(ULONG position, const std::string& text) {
  VARIANT& v = restrictions_.at(position);
  VariantClear(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocStringByteLen(text.data(), static_cast<UINT>(text.size()));
  TK_ASSERT(v.bstrVal != nullptr);
}

void odb_meta_data::internal_initialize(REFGUID schema) {
  TK_TRACE(1, "odb_meta_data::internal_initialize");
  TK_ASSERT(schema_rowset_);
  odb_check(schema_rowset_->GetRowset(nullptr, schema, static_cast<ULONG>(restrictions_.size()), restrictions_.data(),
                                      IID_IRowset, 0, nullptr, reinterpret_cast<IUnknown**>(rowset().address())));
  initialize();
}

odb_tl_meta_data::odb_tl_meta_data(IOpenRowset* session, const std::string& owner) : odb_meta_data(session, 4) {
  TK_TRACE(1, "odb_tl_meta_data::ctor");
  if (!owner.empty()) restrict(1, owner);
  restrict(3, "TABLE");
  internal_initialize(DBSCHEMA_TABLES);
}

odb_pk_meta_data::odb_pk_meta_data(IOpenRowset* session, const std::string& table, const std::string& owner)
    : odb_meta_data(session, 3) {
  TK_TRACE(1, "odb_pk_meta_data::ctor(%s)", table.c_str());
  if (!owner.empty()) restrict(1, owner);
  restrict(2, table);
  internal_initialize(DBSCHEMA_PRIMARY_KEYS);
}

odb_id_meta_data::odb_id_meta_data(IOpenRowset* session, const std::string& table, const std::string& owner)
    : odb_meta_data(session, 5) {
  TK_TRACE(1, "odb_id_meta_data::ctor(%s)", table.c_str());
  if (!owner.empty()) restrict(1, owner);
  restrict(4, table);
  internal_initialize(DBSCHEMA_INDEXES);
}
