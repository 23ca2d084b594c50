// A session double for unit tests of the SQL Server side: statements,
// table rowsets and catalogs answer scripted results, served through the
// provider's in-memory rowset.  Unscripted requests fail with
// DB_E_NOTABLE.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/oledb/com_multi.h"
#include "platform/oledb/rowset.h"

struct scripted_result {
  std::vector<oledb_column> columns;
  std::vector<oledb_row> rows;
};

inline oledb_column scripted_column(const char* name, DBTYPE type, DBLENGTH size, bool nullable = true) {
  oledb_column c;
  c.name = name;
  c.type = type;
  c.size = size;
  c.flags = nullable ? static_cast<DBCOLUMNFLAGS>(DBCOLUMNFLAGS_ISNULLABLE) : DBCOLUMNFLAGS{0};
  return c;
}

// A row of texts; "\x01" stands for a null.
inline oledb_row scripted_row(const std::vector<std::string>& texts) {
  oledb_row row;
  for (const auto& t : texts) row.push_back(t == "\x01" ? oledb_cell{} : oledb_text_cell(t));
  return row;
}

class scripted_session : public com_multi<IOpenRowset, IDBCreateCommand, IDBSchemaRowset> {
 public:
  std::map<std::string, scripted_result> statements;  // by SQL text
  std::map<std::string, scripted_result> tables;      // by bracketed name
  scripted_result primary_keys, indexes;
  std::vector<std::string> sent;                      // statements run, in order

  HRESULT OpenRowset(IUnknown*, DBID* table, DBID*, REFIID riid, ULONG, void*, IUnknown** out) override {
    return answer(tables, table->uName.pwszName, riid, out);
  }
  HRESULT CreateCommand(IUnknown*, REFIID riid, IUnknown** out) override {
    AddRef();
    return hand(new command(this), riid, out);
  }
  HRESULT GetRowset(IUnknown*, REFGUID schema, ULONG, const VARIANT[], REFIID riid, ULONG, void*,
                    IUnknown** out) override {
    const scripted_result& r = schema == DBSCHEMA_PRIMARY_KEYS ? primary_keys : indexes;
    return hand(oledb_make_rowset(std::make_unique<oledb_buffered_source>(r.columns, r.rows)), riid, out);
  }

  HRESULT answer(const std::map<std::string, scripted_result>& from, const std::string& key, REFIID riid,
                 IUnknown** out) {
    auto it = from.find(key);
    if (it == from.end()) return oledb_fail(DB_E_NOTABLE, "Invalid object name '" + key + "'.");
    return hand(oledb_make_rowset(std::make_unique<oledb_buffered_source>(it->second.columns, it->second.rows)), riid,
                out);
  }

 private:
  static HRESULT hand(IUnknown* object, REFIID riid, IUnknown** out) {
    HRESULT hr = object->QueryInterface(riid, reinterpret_cast<void**>(out));
    object->Release();
    return hr;
  }

  class command : public com_multi<ICommandText> {
   public:
    explicit command(scripted_session* owner) : owner_(owner) {}
    ~command() override { owner_->Release(); }
    HRESULT SetCommandText(REFGUID, LPCOLESTR text) override {
      text_ = text;
      return S_OK;
    }
    HRESULT Cancel() override { return S_OK; }
    HRESULT Execute(IUnknown*, REFIID riid, void*, DBROWCOUNT*, IUnknown** out) override {
      owner_->sent.push_back(text_);
      return owner_->answer(owner_->statements, text_, riid, out);
    }

   protected:
    void* extra_interface(REFIID riid) override { return riid == IID_ICommand ? static_cast<ICommand*>(this) : nullptr; }

   private:
    scripted_session* owner_;
    std::string text_;
  };
};
