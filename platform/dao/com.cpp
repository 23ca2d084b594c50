#include "platform/dao/com.h"

#include <atomic>

#include "platform/dao/objects.h"

namespace {
std::atomic<bool> installed_36{true};
std::atomic<bool> installed_35{true};

HRESULT create(bool jet4, REFIID iid, void** out) {
  if (!(jet4 ? installed_36 : installed_35).load()) return REGDB_E_CLASSNOTREG;
  IUnknown* engine = dao_impl::make_engine(jet4);
  HRESULT hr = engine->QueryInterface(iid, out);
  engine->Release();
  return hr;
}

HRESULT create_36(REFIID iid, void** out) { return create(true, iid, out); }
HRESULT create_35(REFIID iid, void** out) { return create(false, iid, out); }
}  // namespace

void dao_register_engine_classes() {
  com_register_class(CLSID_DBEngine36, create_36);
  com_register_class(CLSID_DBEngine35, create_35);
}

void dao_set_class_registered(REFCLSID clsid, bool registered) {
  if (clsid == CLSID_DBEngine36) installed_36 = registered;
  if (clsid == CLSID_DBEngine35) installed_35 = registered;
}
