#include "platform/oledb/oledb_errors.h"

#include <utility>

#include "platform/oledb/com_multi.h"

namespace {

BSTR make_bstr(const std::string& text) { return SysAllocStringByteLen(text.data(), static_cast<UINT>(text.size())); }

class sql_error_info : public com_multi<ISQLErrorInfo> {
 public:
  explicit sql_error_info(oledb_error_record record) : record_(std::move(record)) {}
  HRESULT GetSQLInfo(BSTR* sqlstate, LONG* native_error) override {
    if (sqlstate == nullptr || native_error == nullptr) return E_INVALIDARG;
    *sqlstate = make_bstr(record_.sqlstate);
    *native_error = record_.native_error;
    return S_OK;
  }

 private:
  oledb_error_record record_;
};

class record_error_info : public com_multi<IErrorInfo> {
 public:
  explicit record_error_info(std::string description) : description_(std::move(description)) {}
  HRESULT GetSource(BSTR* source) override {
    if (source == nullptr) return E_INVALIDARG;
    *source = make_bstr(oledb_error_source);
    return S_OK;
  }
  HRESULT GetDescription(BSTR* description) override {
    if (description == nullptr) return E_INVALIDARG;
    *description = make_bstr(description_);
    return S_OK;
  }

 private:
  std::string description_;
};

// The thread's error object: the records, and the first one's text as its
// own IErrorInfo.
class error_object : public com_multi<IErrorInfo, IErrorRecords> {
 public:
  explicit error_object(std::vector<oledb_error_record> records) : records_(std::move(records)) {}

  HRESULT GetSource(BSTR* source) override {
    if (source == nullptr) return E_INVALIDARG;
    *source = make_bstr(oledb_error_source);
    return S_OK;
  }
  HRESULT GetDescription(BSTR* description) override {
    if (description == nullptr) return E_INVALIDARG;
    *description = make_bstr(records_.empty() ? std::string() : records_.front().description);
    return S_OK;
  }
  HRESULT GetRecordCount(ULONG* count) override {
    if (count == nullptr) return E_INVALIDARG;
    *count = static_cast<ULONG>(records_.size());
    return S_OK;
  }
  HRESULT GetBasicErrorInfo(ULONG record, ERRORINFO* info) override {
    if (info == nullptr) return E_INVALIDARG;
    if (record >= records_.size()) return DISP_E_BADINDEX;
    *info = ERRORINFO{records_[record].hr, static_cast<DWORD>(records_[record].native_error), {}, {}, 0};
    return S_OK;
  }
  HRESULT GetCustomErrorObject(ULONG record, REFIID riid, IUnknown** object) override {
    if (object == nullptr) return E_INVALIDARG;
    *object = nullptr;
    if (record >= records_.size()) return DISP_E_BADINDEX;
    if (!(riid == IID_ISQLErrorInfo) || records_[record].sqlstate.empty()) return S_OK;
    *object = new sql_error_info(records_[record]);
    return S_OK;
  }
  HRESULT GetErrorInfo(ULONG record, LCID, IErrorInfo** info) override {
    if (info == nullptr) return E_INVALIDARG;
    *info = nullptr;
    if (record >= records_.size()) return DISP_E_BADINDEX;
    *info = new record_error_info(records_[record].description);
    return S_OK;
  }

 private:
  std::vector<oledb_error_record> records_;
};

}  // namespace

HRESULT oledb_hresult_for(const std::string& sqlstate, LONG native_error) {
  switch (native_error) {
    case 18456: case 18452: case 18488: return DB_SEC_E_AUTH_FAILED;  // login refused
    case 4060: case 911: case 4064: return E_FAIL;                    // database cannot be opened
    case 208: return DB_E_NOTABLE;                                    // invalid object name
    case 102: case 156: case 170: case 2812: return DB_E_ERRORSINCOMMAND;
    case 207: return DB_E_ERRORSINCOMMAND;                            // invalid column name
    case 2627: case 2601: case 547: case 515: return DB_E_INTEGRITYVIOLATION;
    default: break;
  }
  std::string cls = sqlstate.substr(0, 2);
  if (cls == "28") return DB_SEC_E_AUTH_FAILED;
  if (cls == "08" || cls == "HY") return E_FAIL;
  if (cls == "42" || cls == "37") return DB_E_ERRORSINCOMMAND;
  if (cls == "22") return DB_E_CANTCONVERTVALUE;
  if (cls == "23") return DB_E_INTEGRITYVIOLATION;
  return E_FAIL;
}

std::string oledb_strip_driver_tags(const std::string& message) {
  std::size_t start = 0;
  while (start < message.size() && message[start] == '[') {
    std::size_t close = message.find(']', start);
    if (close == std::string::npos) break;
    start = close + 1;
  }
  return message.substr(start);
}

namespace {
thread_local IErrorInfo* t_error = nullptr;
}

HRESULT GetErrorInfo(ULONG, IErrorInfo** info) {
  if (info == nullptr) return E_INVALIDARG;
  *info = std::exchange(t_error, nullptr);
  return *info != nullptr ? S_OK : S_FALSE;
}

HRESULT SetErrorInfo(ULONG, IErrorInfo* info) {
  if (info != nullptr) info->AddRef();
  IErrorInfo* old = std::exchange(t_error, info);
  if (old != nullptr) old->Release();
  return S_OK;
}

void oledb_clear_error() { SetErrorInfo(0, nullptr); }

namespace {
HRESULT oledb_fail_with(std::vector<oledb_error_record>& records, HRESULT hr) {
  auto* object = new error_object(std::move(records));
  SetErrorInfo(0, object);
  object->Release();
  return hr;
}
}  // namespace

HRESULT oledb_fail(std::vector<oledb_error_record> records, HRESULT fallback) {
  // Informational records (class 01, such as a changed database context)
  // do not decide the outcome.
  HRESULT hr = fallback;
  // A database that cannot be opened is told apart from the login refusal
  // that follows it.
  for (const oledb_error_record& r : records) {
    if (r.native_error == 4060 || r.native_error == 4064 || r.native_error == 911) return oledb_fail_with(records, E_FAIL);
  }
  for (const oledb_error_record& r : records) {
    if (r.sqlstate.rfind("01", 0) == 0) continue;
    hr = r.hr;
    break;
  }
  if (records.empty()) records.push_back({fallback, "Errors occurred.", "", 0});
  return oledb_fail_with(records, hr);
}

HRESULT oledb_fail(HRESULT hr, const std::string& description) {
  return oledb_fail(std::vector<oledb_error_record>{{hr, description, "", 0}}, hr);
}
