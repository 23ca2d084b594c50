// BSTR: a length-prefixed, zero-terminated byte string. The 4-byte length
// (in bytes) sits just before the pointer the caller holds; one zero byte
// follows the text. Bytes are UTF-8 (see oleaut_types.h), so lengths in
// characters and in bytes are the same number.
#pragma once

#include "platform/oleaut/oleaut_types.h"

// A new BSTR holding a copy of the zero-terminated text; nullptr for a null
// text or when memory runs out. The caller frees it with SysFreeString.
BSTR SysAllocString(const OLECHAR* text);

// A new BSTR of len bytes copied from bytes (which may hold zero bytes), or
// len zero bytes when bytes is null. nullptr when memory runs out.
BSTR SysAllocStringByteLen(const char* bytes, UINT len);

// As SysAllocStringByteLen, counted in characters (the same on this system).
BSTR SysAllocStringLen(const OLECHAR* text, UINT len);

// Releases a BSTR; a null one is ignored.
void SysFreeString(BSTR bstr);

// The stored length in characters / in bytes; 0 for a null BSTR.
UINT SysStringLen(BSTR bstr);
UINT SysStringByteLen(BSTR bstr);
