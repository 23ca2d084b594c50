// VARIANT life cycle and type changes. A VARIANT owns its BSTR, its
// SAFEARRAY and one reference of its IUnknown; VariantClear releases them.
#pragma once

#include "platform/oleaut/oleaut_types.h"

// Sets the tag to VT_EMPTY (nothing is released).
void VariantInit(VARIANTARG* v);

// Releases what the value owns and leaves VT_EMPTY. E_INVALIDARG for null,
// DISP_E_ARRAYISLOCKED for an array still locked (nothing is released then).
HRESULT VariantClear(VARIANTARG* v);

// Clears dest, then makes it a deep copy of src (a new BSTR, a new array,
// one more reference). Copying a value onto itself does nothing.
// E_OUTOFMEMORY leaves dest VT_EMPTY.
HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* src);

// Changes src to type vt into dest; dest may be src (the change happens in
// place). On success dest's previous content is released; on failure dest
// is unchanged. Texts follow English (United States) conventions, with the
// user default locale's decimal separator for numbers (see locale.h).
// Supported: any value to its own type, to VT_EMPTY (not from VT_NULL) and
// to VT_NULL; text to every number type, VT_BOOL, VT_CY, VT_DECIMAL and
// VT_DATE; numbers, money, decimals, booleans and dates to text and between
// each other. Failures: DISP_E_TYPEMISMATCH (text that is not a number or
// date, or a pair of types with no conversion), DISP_E_OVERFLOW (a value
// out of the target's range), DISP_E_BADVARTYPE (vt is not a value type).
HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT flags, VARTYPE vt);
