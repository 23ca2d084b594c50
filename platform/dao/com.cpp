#include "platform/dao/com.h"

#include <atomic>

#include "platform/dao/objects.h"

namespace {
thread_local int com_starts = 0;
std::atomic<bool> registered_36{true};
std::atomic<bool> registered_35{true};
}  // namespace

inline namespace dao_com {
HRESULT CoInitialize(void* reserved) {
  if (reserved != nullptr) return E_INVALIDARG;
  return com_starts++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
  if (com_starts > 0) --com_starts;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (outer != nullptr || (context & CLSCTX_ALL) == 0) return E_INVALIDARG;
  if (com_starts == 0) return CO_E_NOTINITIALIZED;
  bool jet4 = clsid == CLSID_DBEngine36;
  if (!jet4 && !(clsid == CLSID_DBEngine35)) return REGDB_E_CLASSNOTREG;
  if (!(jet4 ? registered_36 : registered_35).load()) return REGDB_E_CLASSNOTREG;
  IUnknown* engine = dao_impl::make_engine(jet4);
  HRESULT hr = engine->QueryInterface(iid, out);
  engine->Release();
  return hr;
}
}  // namespace dao_com

void dao_set_class_registered(REFCLSID clsid, bool registered) {
  if (clsid == CLSID_DBEngine36) registered_36 = registered;
  if (clsid == CLSID_DBEngine35) registered_35 = registered;
}
