// SAFEARRAY of one-byte elements (VT_UI1, VT_I1), any number of dimensions;
// binary cell values use one dimension with lower bound 0. Data are laid out
// in one block; a lock count guards them while a caller holds the pointer.
// Dimensions are numbered from 1, first dimension first.
#pragma once

#include "platform/oleaut/oleaut_types.h"

// A new zero-filled array, or nullptr for another element type, no
// dimensions, missing bounds, or when memory runs out. The caller owns it
// and frees it with SafeArrayDestroy.
SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, const SAFEARRAYBOUND* bounds);

// Frees the array and its data. DISP_E_ARRAYISLOCKED while locked.
HRESULT SafeArrayDestroy(SAFEARRAY* psa);

// Resizes the last dimension to *bound (count and lower bound), keeping the
// leading contents and zero-filling new bytes. DISP_E_ARRAYISLOCKED while
// locked, E_INVALIDARG for null arguments, E_OUTOFMEMORY on failure (the
// array is then unchanged).
HRESULT SafeArrayRedim(SAFEARRAY* psa, const SAFEARRAYBOUND* bound);

// Number of dimensions; 0 for null.
UINT SafeArrayGetDim(SAFEARRAY* psa);

// Bounds of dimension dim (1-based). DISP_E_BADINDEX for a dimension out of
// range; *out is written only on success.
HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT dim, LONG* out);
HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT dim, LONG* out);

// Locks the array and gives its data; each success needs one Unaccess.
HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** data);
// E_UNEXPECTED when the array is not locked.
HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);

// A new array with the same shape and a copy of the data, in *out.
HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** out);
