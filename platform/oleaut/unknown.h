// COM objects: interface identifiers, the IUnknown contract and a reference-
// counted base that implements it for one interface.
#pragma once

#include <atomic>
#include <cstring>

#include "platform/oleaut/oleaut_types.h"

// A 128-bit identifier of an interface (IID) or of a class (CLSID).
struct GUID {
  ULONG Data1;
  USHORT Data2;
  USHORT Data3;
  BYTE Data4[8];

  friend bool operator==(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
  }
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Every interface derives from IUnknown and names its identifier in a
// static member `iid`. Objects are destroyed by their last Release, never
// by delete.
class IUnknown {
 public:
  static constexpr IID iid = IID_IUnknown;

  // Gives *out a new reference to the interface iid, or sets it to nullptr
  // and answers E_NOINTERFACE.
  virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;
  // Both return the count after the change (for traces only).
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

// Implements IUnknown for an object that offers Interface (and IUnknown).
// The count starts at 1: the creator holds the first reference. Safe to
// AddRef and Release from several threads.
template <class Interface>
class com_object : public Interface {
 public:
  com_object() = default;
  com_object(const com_object&) = delete;
  com_object& operator=(const com_object&) = delete;

  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == Interface::iid) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::atomic<ULONG> refs_{1};
};

// The identifier of interface T.
template <class T>
constexpr const IID& iid_of() {
  return T::iid;
}
