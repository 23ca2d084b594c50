// The COM services every stand-in shares: starting COM on a thread and
// creating an object from its class identifier. Each stand-in that serves
// classes (OLE DB's data initialization service, DAO's engines) registers
// a factory for them here.
#pragma once

#include "platform/oleaut/unknown.h"

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_ALL = 0x17;
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);

// Starts and ends COM for the calling thread; nothing here needs it.
HRESULT CoInitialize(void* reserved);
void CoUninitialize();

// Creates an object of class `clsid` through its registered factory and
// answers its interface `iid` in *out. REGDB_E_CLASSNOTREG for a class
// without a factory; CLASS_E_NOAGGREGATION with an outer object.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** out);

// A factory answers a new object's interface `iid` in *out.
using com_class_factory = HRESULT (*)(REFIID iid, void** out);
// Registers (or, with a null factory, withdraws) the factory of a class.
// Thread-safe.
void com_register_class(REFCLSID clsid, com_class_factory factory);
