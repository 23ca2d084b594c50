#include "MSS/odb_exception.h"

#include "OLE/ole_ptr.h"
#include "TK/tk_trace.h"

namespace {

std::string take_bstr(BSTR text) {
  std::string out(text == nullptr ? "" : text, SysStringByteLen(text));
  SysFreeString(text);
  return out;
}

}  // namespace

error_info_dispatcher::error_info_dispatcher(IErrorInfo& info) {
  TK_TRACE(1, "odb_exception::error_info_dispatcher::ctor");
  BSTR source = nullptr;
  BSTR description = nullptr;
  info.GetSource(&source);
  info.GetDescription(&description);
  if (source != nullptr) {
    TK_TRACE(1, "Processing source");
    source_ = take_bstr(source);
    TK_TRACE(3, "Source:\t\t%s\n", source_.c_str());
  }
  if (description != nullptr) {
    TK_TRACE(1, "Processing description");
    description_ = take_bstr(description);
    TK_TRACE(3, "Error message:\t%s", description_.c_str());
  }
}

odb_exception::odb_exception(HRESULT hr)
    : tk_exception("Unknown exception", tk_level_recoverable, 0x80000 | (static_cast<int>(hr) & 0xFFFF)), hr_(hr) {
  TK_TRACE(1, "odb_exception::odb_exception(%08X)", static_cast<unsigned>(hr));
  ole_com_ptr<IErrorInfo> info;
  if (GetErrorInfo(0, info.address()) != S_OK || !info) {
    TK_TRACE(2, "dump_error: GetErrorInfo failed");
    return;
  }
  ole_com_ptr<IErrorRecords> records;
  if (SUCCEEDED(info->QueryInterface(IID_IErrorRecords, reinterpret_cast<void**>(records.address())))) {
    TK_TRACE(2, "Got IErrorRecords");
    extract_from_records(*records);
    return;
  }
  error_info_dispatcher dispatcher(*info);
  set_message(dispatcher.description());
  source_ = dispatcher.source();
}

void odb_exception::extract_from_records(IErrorRecords& records) {
  TK_TRACE(2, "odb_exception::extract_from_records");
  ULONG count = 0;
  records.GetRecordCount(&count);
  TK_TRACE(1, "Got %d record(s)", static_cast<int>(count));
  for (ULONG i = 0; i < count; ++i) {
    ERRORINFO basic{};
    records.GetBasicErrorInfo(i, &basic);
    ole_com_ptr<IUnknown> custom;
    records.GetCustomErrorObject(i, IID_ISQLErrorInfo, custom.address());
    TK_TRACE(3, "HRESULT:\t0x%08X", static_cast<unsigned>(basic.hrError));
    if (custom) {
      ole_com_ptr<ISQLErrorInfo> sql;
      if (SUCCEEDED(custom->QueryInterface(IID_ISQLErrorInfo, reinterpret_cast<void**>(sql.address())))) {
        BSTR state = nullptr;
        LONG native = 0;
        sql->GetSQLInfo(&state, &native);
        std::string sqlstate = take_bstr(state);
        TK_TRACE(3, "SQLSTATE:\t%s", sqlstate.c_str());
        TK_TRACE(3, "Native Error:\t%ld", static_cast<long>(native));
      }
    }
    ole_com_ptr<IErrorInfo> info;
    if (FAILED(records.GetErrorInfo(i, GetUserDefaultLCID(), info.address())) || !info) continue;
    error_info_dispatcher dispatcher(*info);
    // A record without a description leaves "Unknown exception" (the
    // base's word for an empty message) and the walk goes on.
    set_message(dispatcher.description());
    source_ = dispatcher.source();
    TK_TRACE(1, "Process %d record: msg=%s, source=%s", static_cast<int>(i), dispatcher.description().c_str(),
             source_.c_str());
    if (!dispatcher.description().empty()) break;
  }
}

void odb_check(HRESULT hr) {
  if (SUCCEEDED(hr)) return;
  TK_TRACE(2, "Error code: %08X", static_cast<unsigned>(hr));
  throw odb_exception(hr);
}
