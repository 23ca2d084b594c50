#include "platform/oleaut/com.h"

#include <mutex>
#include <utility>
#include <vector>

namespace {
struct registry {
  std::mutex lock;
  std::vector<std::pair<CLSID, com_class_factory>> classes;
};

registry& classes() {
  static registry r;
  return r;
}
}  // namespace

HRESULT CoInitialize(void* reserved) { return reserved == nullptr ? S_OK : E_INVALIDARG; }
void CoUninitialize() {}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  com_class_factory factory = nullptr;
  {
    registry& r = classes();
    std::lock_guard<std::mutex> hold(r.lock);
    for (const auto& entry : r.classes) {
      if (entry.first == clsid) factory = entry.second;
    }
  }
  return factory ? factory(iid, out) : REGDB_E_CLASSNOTREG;
}

void com_register_class(REFCLSID clsid, com_class_factory factory) {
  registry& r = classes();
  std::lock_guard<std::mutex> hold(r.lock);
  for (auto it = r.classes.begin(); it != r.classes.end(); ++it) {
    if (it->first == clsid) {
      r.classes.erase(it);
      break;
    }
  }
  if (factory != nullptr) r.classes.emplace_back(clsid, factory);
}
