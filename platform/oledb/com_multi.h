// com_multi: the IUnknown of a COM-shaped object that offers several
// interfaces (a data source is both IDBInitialize and IDBCreateSession).
// The count starts at 1 for the creator; the last Release deletes.
#pragma once

#include <atomic>

#include "platform/oledb/oledb.h"

template <class... Interfaces>
class com_multi : public Interfaces... {
 public:
  com_multi() = default;
  com_multi(const com_multi&) = delete;
  com_multi& operator=(const com_multi&) = delete;

  HRESULT QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown) {
      *out = static_cast<IUnknown*>(static_cast<first_t*>(this));
    } else {
      ((riid == Interfaces::iid && *out == nullptr ? (*out = static_cast<Interfaces*>(this)) : nullptr), ...);
      if (*out == nullptr) *out = extra_interface(riid);
    }
    if (*out == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~com_multi() = default;
  // A base interface reached through a derived one (ICommand through
  // ICommandText); null when not offered.
  virtual void* extra_interface(REFIID) { return nullptr; }

 private:
  template <class First, class...>
  struct first_of {
    using type = First;
  };
  using first_t = typename first_of<Interfaces...>::type;
  std::atomic<ULONG> refs_{1};
};
