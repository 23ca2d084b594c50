// The Database object, its TableDefs collection and temporary queries.
#include <cctype>

#include "platform/dao/objects.h"

namespace dao_impl {
namespace {

LONG attributes_of(const jet::CatalogEntry& entry) {
  switch (entry.kind) {
    case jet::ObjectKind::system_table: return static_cast<LONG>(entry.flags & jet::kSystemObjectFlags) | dbSystemObject;
    case jet::ObjectKind::linked_table: return dbAttachedTable;
    case jet::ObjectKind::linked_odbc_table: return dbAttachedODBC;
    default: return static_cast<LONG>(entry.flags & jet::kSystemObjectFlags);
  }
}

bool is_table(const jet::CatalogEntry& entry) {
  return entry.kind == jet::ObjectKind::user_table || entry.kind == jet::ObjectKind::system_table ||
         entry.kind == jet::ObjectKind::linked_table || entry.kind == jet::ObjectKind::linked_odbc_table;
}

// The file's tables, read afresh each time so that appended and deleted
// tables show at once.
class tabledefs_object : public com_object<TableDefs> {
 public:
  explicit tabledefs_object(file_ref file) : file_(std::move(file)) {}

  HRESULT get_Count(SHORT* count) override {
    if (count == nullptr) return E_POINTER;
    return guard(file_->errors, [&]() -> HRESULT {
      if (file_->closed) return fail(file_->errors, 3420);
      *count = static_cast<SHORT>(tables().size());
      return S_OK;
    });
  }
  HRESULT get_Item(VARIANT index, _TableDef** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return guard(file_->errors, [&]() -> HRESULT {
      if (file_->closed) return fail(file_->errors, 3420);
      item_key key;
      if (!key_arg(index, key)) return fail(file_->errors, 3265);
      key.name = file_->stored(key.name);
      std::vector<const jet::CatalogEntry*> all = tables();
      const jet::CatalogEntry* found = nullptr;
      if (!key.by_name) {
        if (key.position >= 0 && static_cast<std::size_t>(key.position) < all.size()) found = all[key.position];
      } else {
        for (const auto* entry : all) {
          if (!found && entry->name == key.name) found = entry;
        }
        for (const auto* entry : all) {
          if (!found && same_name(entry->name, key.name)) found = entry;
        }
      }
      if (found == nullptr) return fail(file_->errors, 3265);
      return make_stored_tabledef(file_, found->name, attributes_of(*found)).hand_out(out);
    });
  }
  HRESULT Append(IUnknown* tabledef) override {
    return guard(file_->errors, [&]() -> HRESULT {
      if (file_->closed) return fail(file_->errors, 3420);
      if (file_->read_only) return fail(file_->errors, 3027);
      jet::TableSchema schema;
      if (LONG error = take_new_schema(tabledef, file_->jet3(), schema)) return fail(file_->errors, error);
      file_->db.create_table(schema);
      freeze_tabledef(tabledef);
      return S_OK;
    });
  }
  HRESULT Delete(BSTR name) override {
    return guard(file_->errors, [&]() -> HRESULT {
      if (file_->closed) return fail(file_->errors, 3420);
      if (file_->read_only) return fail(file_->errors, 3027);
      std::string text = file_->stored(std::string(name ? name : "", SysStringByteLen(name)));
      for (const auto* entry : tables()) {
        if (entry->kind == jet::ObjectKind::user_table && same_name(entry->name, text)) {
          file_->db.delete_table(entry->name);
          return S_OK;
        }
      }
      return fail(file_->errors, 3265);
    });
  }

 private:
  std::vector<const jet::CatalogEntry*> tables() const {
    std::vector<const jet::CatalogEntry*> out;
    for (const jet::CatalogEntry& entry : file_->db.catalog()) {
      if (is_table(entry)) out.push_back(&entry);
    }
    return out;
  }

  file_ref file_;
};

// Reads the table name of "SELECT * FROM [name]" (keywords in any case).
bool parse_select_all(const std::string& sql, std::string& table) {
  std::string head;
  std::size_t at = 0;
  for (const char* word : {"SELECT", "*", "FROM"}) {
    while (at < sql.size() && std::isspace(static_cast<unsigned char>(sql[at]))) ++at;
    std::string w(word);
    if (sql.size() - at < w.size()) return false;
    for (std::size_t i = 0; i < w.size(); ++i) {
      if (std::toupper(static_cast<unsigned char>(sql[at + i])) != w[i]) return false;
    }
    at += w.size();
  }
  while (at < sql.size() && std::isspace(static_cast<unsigned char>(sql[at]))) ++at;
  std::size_t close = sql.find(']', at);
  if (at >= sql.size() || sql[at] != '[' || close == std::string::npos) return false;
  for (std::size_t i = close + 1; i < sql.size(); ++i) {
    if (!std::isspace(static_cast<unsigned char>(sql[i])) && sql[i] != ';') return false;
  }
  table = sql.substr(at + 1, close - at - 1);
  return !table.empty();
}

class querydef_object : public com_object<_QueryDef> {
 public:
  querydef_object(file_ref file, std::string table) : file_(std::move(file)), table_(std::move(table)) {}
  HRESULT OpenRecordset(VARIANT type, VARIANT options, VARIANT, Recordset** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return guard(file_->errors, [&]() -> HRESULT {
      if (file_->closed) return fail(file_->errors, 3420);
      LONG kind = dbOpenDynaset, flags = 0;
      if ((type.vt != VT_EMPTY && !long_arg(type, kind)) || (options.vt != VT_EMPTY && !long_arg(options, flags)))
        return fail(file_->errors, 3001);
      // A dynaset that either only reads or only appends.
      if (kind != dbOpenDynaset || (flags != dbReadOnly && flags != dbAppendOnly)) return fail(file_->errors, 3251);
      bool read_only = flags == dbReadOnly;
      if (!read_only && file_->read_only) return fail(file_->errors, 3027);
      std::string name;
      for (const std::string& table : file_->db.table_names()) {
        if (name.empty() && same_name(table, file_->stored(table_))) name = table;
      }
      if (name.empty()) return fail(file_->errors, 3078);
      return make_recordset(file_, name, read_only).hand_out(out);
    });
  }

 private:
  file_ref file_;
  std::string table_;
};

class database_object : public com_object<Database> {
 public:
  explicit database_object(file_ref file) : file_(std::move(file)) {}

  HRESULT get_TableDefs(TableDefs** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (file_->closed) return fail(file_->errors, 3420);
    return make<tabledefs_object>(file_).hand_out(out);
  }
  HRESULT CreateTableDef(VARIANT name, VARIANT attributes, VARIANT source, VARIANT connect, _TableDef** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    std::string text, source_text, connect_text;
    LONG attr = 0;
    if (file_->closed) return fail(file_->errors, 3420);
    if (!text_arg(name, text) || (attributes.vt != VT_EMPTY && !long_arg(attributes, attr)) ||
        !text_arg(source, source_text) || !text_arg(connect, connect_text))
      return fail(file_->errors, 3001);
    // Only local tables are made here.
    if (attr != 0 || !source_text.empty() || !connect_text.empty()) return fail(file_->errors, 3251);
    return make_new_tabledef(file_->errors, text).hand_out(out);
  }
  HRESULT CreateQueryDef(VARIANT name, VARIANT sql, _QueryDef** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    std::string query_name, statement, table;
    if (file_->closed) return fail(file_->errors, 3420);
    if (!text_arg(name, query_name) || !text_arg(sql, statement)) return fail(file_->errors, 3001);
    if (!query_name.empty()) return fail(file_->errors, 3251);  // stored queries are not written
    if (!parse_select_all(statement, table)) return fail(file_->errors, 3129);
    return make<querydef_object>(file_, table).hand_out(out);
  }
  HRESULT Close() override {
    return guard(file_->errors, [&]() -> HRESULT {
      if (file_->closed) return fail(file_->errors, 3420);
      file_->closed = true;
      file_->db.close();
      return S_OK;
    });
  }

 private:
  file_ref file_;
};

}  // namespace

ref<Database> make_database(const file_ref& file) { return make<database_object>(file); }

}  // namespace dao_impl
