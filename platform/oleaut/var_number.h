// Money (CY) and DECIMAL conversions. Texts are read under the locale's
// decimal separator with optional blanks, sign and exponent; money is
// rounded to four places and decimals to at most 28 places (fewer when the
// digits would not fit in 96 bits), both half to even. Each function writes
// its result only on success.
#pragma once

#include "platform/oleaut/oleaut_types.h"

// DISP_E_TYPEMISMATCH for text that is not a number, DISP_E_OVERFLOW
// outside -922337203685477.5808 .. 922337203685477.5807.
HRESULT VarCyFromStr(const OLECHAR* text, LCID lcid, ULONG flags, CY* out);

// DISP_E_TYPEMISMATCH for text that is not a number, DISP_E_OVERFLOW when
// the integer part exceeds 79228162514264337593543950335.
HRESULT VarDecFromStr(const OLECHAR* text, LCID lcid, ULONG flags, DECIMAL* out);

// A new BSTR (the caller frees it) without trailing zeros: 12.50 gives
// "12.5", 1.000 gives "1". E_INVALIDARG for a scale above 28.
HRESULT VarBstrFromDec(const DECIMAL* dec, LCID lcid, ULONG flags, BSTR* out);
HRESULT VarBstrFromCy(CY cy, LCID lcid, ULONG flags, BSTR* out);

// The nearest double to the exact value.
HRESULT VarR8FromCy(CY cy, DOUBLE* out);
HRESULT VarR8FromDec(const DECIMAL* dec, DOUBLE* out);

// Rounded half to even; DISP_E_OVERFLOW outside the 32-bit range.
HRESULT VarI4FromDec(const DECIMAL* dec, LONG* out);

// Decimal fields from a sign, a magnitude below 2^96 and a scale.
DECIMAL oleaut_make_decimal(bool negative, unsigned __int128 magnitude, BYTE scale);
