// The provider's objects: the initialization service, the data source,
// the session and the command.  A data source holds one ODBC connection;
// statements and catalogs run on it and are read whole, while every table
// rowset streams on a connection of its own, so a table can stay open
// while other statements run (FreeTDS serves one active statement per
// connection).
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/oledb/com_multi.h"
#include "platform/oledb/connection_string.h"
#include "platform/oledb/schema_rowsets.h"

namespace {

// What a data source shares with its sessions.
struct data_source_state {
  std::string odbc_string;
  int login_timeout = 15;
  std::shared_ptr<odbc::connection> connection;  // null until Initialize

  HRESULT open_connection(std::shared_ptr<odbc::connection>& out) const {
    auto c = std::make_shared<odbc::connection>();
    odbc::diagnostics diag;
    if (!c->open(odbc_string, login_timeout, diag)) return oledb_fail_odbc(diag);
    // Long text and image values come whole, not cut at the server's
    // default text size.
    odbc::statement text_size(c);
    bool has_result = false;
    if (!text_size.execute("SET TEXTSIZE 2147483647", &has_result, diag)) return oledb_fail_odbc(diag);
    out = std::move(c);
    return S_OK;
  }
};

HRESULT hand_over(IUnknown* object, REFIID riid, IUnknown** out) {
  HRESULT hr = object->QueryInterface(riid, reinterpret_cast<void**>(out));
  object->Release();
  return hr;
}

class command : public com_multi<ICommandText> {
 public:
  explicit command(std::shared_ptr<data_source_state> state) : state_(std::move(state)) {}

  HRESULT SetCommandText(REFGUID, LPCOLESTR text) override {
    oledb_clear_error();
    text_ = text == nullptr ? "" : text;
    return S_OK;
  }
  HRESULT Cancel() override { return S_OK; }
  HRESULT Execute(IUnknown* outer, REFIID riid, void*, DBROWCOUNT* affected, IUnknown** out) override {
    oledb_clear_error();
    if (outer != nullptr) return E_NOINTERFACE;
    if (out != nullptr) *out = nullptr;
    if (text_.empty()) return oledb_fail(DB_E_NOCOMMAND, "No command text was set for the command object.");
    if (!state_->connection) return DB_E_NOTINITIALIZED;
    odbc::statement statement(state_->connection);
    bool has_result = false;
    odbc::diagnostics diag;
    if (!statement.execute(text_, &has_result, diag)) return oledb_fail_odbc(diag);
    if (affected != nullptr) *affected = -1;
    if (riid == IID_NULL || out == nullptr || !has_result) {
      statement.close_cursor();
      return S_OK;
    }
    std::unique_ptr<oledb_row_source> source;
    if (HRESULT hr = oledb_buffered_source::read_all(statement, source); FAILED(hr)) return hr;
    return hand_over(oledb_make_rowset(std::move(source)), riid, out);
  }

 protected:
  void* extra_interface(REFIID riid) override {
    return riid == IID_ICommand ? static_cast<ICommand*>(this) : nullptr;
  }

 private:
  std::shared_ptr<data_source_state> state_;
  std::string text_;
};

class session : public com_multi<IOpenRowset, IDBCreateCommand, IDBSchemaRowset> {
 public:
  explicit session(std::shared_ptr<data_source_state> state) : state_(std::move(state)) {}

  HRESULT OpenRowset(IUnknown* outer, DBID* table, DBID*, REFIID riid, ULONG, void*, IUnknown** out) override {
    oledb_clear_error();
    if (outer != nullptr) return E_NOINTERFACE;
    if (out == nullptr || table == nullptr || table->eKind != DBKIND_NAME || table->uName.pwszName == nullptr)
      return E_INVALIDARG;
    *out = nullptr;
    std::shared_ptr<odbc::connection> own;
    if (HRESULT hr = state_->open_connection(own); FAILED(hr)) return hr;
    std::unique_ptr<oledb_row_source> source;
    if (HRESULT hr = oledb_streamed_source::open(own, std::string("SELECT * FROM ") + table->uName.pwszName, source);
        FAILED(hr))
      return hr;
    return hand_over(oledb_make_rowset(std::move(source)), riid, out);
  }

  HRESULT CreateCommand(IUnknown* outer, REFIID riid, IUnknown** out) override {
    oledb_clear_error();
    if (outer != nullptr) return E_NOINTERFACE;
    if (out == nullptr) return E_INVALIDARG;
    return hand_over(static_cast<ICommandText*>(new command(state_)), riid, out);
  }

  HRESULT GetRowset(IUnknown* outer, REFGUID schema, ULONG count, const VARIANT restrictions[], REFIID riid, ULONG,
                    void*, IUnknown** out) override {
    oledb_clear_error();
    if (outer != nullptr) return E_NOINTERFACE;
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    if (!state_->connection) return DB_E_NOTINITIALIZED;
    std::unique_ptr<oledb_row_source> source;
    if (HRESULT hr = oledb_schema_rowset(state_->connection, schema, count, restrictions, source); FAILED(hr)) return hr;
    return hand_over(oledb_make_rowset(std::move(source)), riid, out);
  }

 private:
  std::shared_ptr<data_source_state> state_;
};

class data_source : public com_multi<IDBInitialize, IDBCreateSession> {
 public:
  explicit data_source(std::shared_ptr<data_source_state> state) : state_(std::move(state)) {}

  HRESULT Initialize() override {
    oledb_clear_error();
    if (state_->connection) return DB_E_ALREADYINITIALIZED;
    return state_->open_connection(state_->connection);
  }
  HRESULT Uninitialize() override {
    oledb_clear_error();
    state_->connection.reset();
    return S_OK;
  }
  HRESULT CreateSession(IUnknown* outer, REFIID riid, IUnknown** out) override {
    oledb_clear_error();
    if (outer != nullptr) return E_NOINTERFACE;
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    if (!state_->connection) return DB_E_NOTINITIALIZED;
    return hand_over(static_cast<IOpenRowset*>(new session(state_)), riid, out);
  }

 private:
  std::shared_ptr<data_source_state> state_;
};

bool is_sql_server_provider(const std::string& provider) {
  std::string lower;
  for (char c : provider) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return lower == "sqloledb" || lower.rfind("sqloledb.", 0) == 0;
}

class data_initialize : public com_multi<IDataInitialize> {
 public:
  HRESULT GetDataSource(IUnknown* outer, DWORD, LPCOLESTR init_string, REFIID riid, IUnknown** out) override {
    oledb_clear_error();
    if (outer != nullptr) return E_NOINTERFACE;
    if (out == nullptr || init_string == nullptr) return E_INVALIDARG;
    *out = nullptr;
    std::optional<oledb_connection_settings> settings = oledb_parse_connection_string(init_string);
    if (!settings) return oledb_fail(DB_E_ERRORSOCCURRED, "The connection string is not well formed.");
    if (!is_sql_server_provider(settings->provider))
      return oledb_fail(static_cast<HRESULT>(0x80040154u), "The provider is not registered.");
    auto state = std::make_shared<data_source_state>();
    state->odbc_string = oledb_odbc_connection_string(*settings, oledb_odbc_driver());
    state->login_timeout = settings->login_timeout_seconds;
    return hand_over(static_cast<IDBInitialize*>(new data_source(std::move(state))), riid, out);
  }
};

}  // namespace

inline namespace oledb_com {
HRESULT CoInitialize(void*) { return S_OK; }
void CoUninitialize() {}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr) return static_cast<HRESULT>(0x80040110u);  // CLASS_E_NOAGGREGATION
  if (!(clsid == CLSID_MSDAINITIALIZE)) return static_cast<HRESULT>(0x80040154u);  // REGDB_E_CLASSNOTREG
  return hand_over(new data_initialize(), riid, reinterpret_cast<IUnknown**>(object));
}
}  // namespace oledb_com

void* CoTaskMemAlloc(std::size_t size) { return std::malloc(size == 0 ? 1 : size); }
void CoTaskMemFree(void* block) { std::free(block); }
LCID GetUserDefaultLCID() { return LOCALE_USER_DEFAULT; }
