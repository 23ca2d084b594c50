// The COM calls that reach the DAO engine: starting COM on a thread and
// creating an engine object from its class identifier. The two DAO engine
// classes of dao.h are the only registered classes.
#pragma once

#include "platform/dao/dao.h"

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_ALL = 0x17;
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);

// Starts COM for the calling thread (S_FALSE when already started); each
// successful call is paired with CoUninitialize. `reserved` must be null.
// The calls live in their own inline namespace: the OLE DB stand-in brings
// its own for its classes, and a program links both.
inline namespace dao_com {
HRESULT CoInitialize(void* reserved);
void CoUninitialize();

// Creates an object of class `clsid` and answers its interface `iid` in
// *out. REGDB_E_CLASSNOTREG for an unknown or withdrawn class,
// CO_E_NOTINITIALIZED when COM was not started on this thread.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** out);
}  // namespace dao_com

// Withdraws (false) or restores (true) the registration of an engine class,
// as when a DAO version is not installed. For tests.
void dao_set_class_registered(REFCLSID clsid, bool registered);
