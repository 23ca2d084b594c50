#include "platform/oleaut/var_number.h"

#include <charconv>
#include <string>

#include "platform/oleaut/bstr.h"
#include "platform/oleaut/locale.h"
#include "platform/oleaut/number_text.h"

using namespace oleaut_detail;

namespace {

constexpr u128 kDecimalMax = (static_cast<u128>(1) << 96) - 1;
u128 magnitude_of(CY cy) {
  return cy.int64 < 0 ? static_cast<u128>(-(static_cast<__int128>(cy.int64)))
                      : static_cast<u128>(cy.int64);
}

HRESULT make_bstr(const std::string& text, BSTR* out) {
  if (out == nullptr) return E_INVALIDARG;
  BSTR bstr = SysAllocStringByteLen(text.data(), static_cast<UINT>(text.size()));
  if (bstr == nullptr) return E_OUTOFMEMORY;
  *out = bstr;
  return S_OK;
}

HRESULT double_from_text(const std::string& text, DOUBLE* out) {
  if (out == nullptr) return E_INVALIDARG;
  double value = 0.0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc()) return DISP_E_OVERFLOW;
  *out = value;
  return S_OK;
}

}  // namespace

DECIMAL oleaut_make_decimal(bool negative, unsigned __int128 magnitude, BYTE scale) {
  DECIMAL dec{};
  dec.scale = scale;
  dec.sign = negative && magnitude != 0 ? DECIMAL_NEG : 0;
  dec.Hi32 = static_cast<ULONG>(magnitude >> 64);
  dec.Lo64 = static_cast<ULONGLONG>(magnitude);
  return dec;
}

HRESULT VarCyFromStr(const OLECHAR* text, LCID lcid, ULONG, CY* out) {
  parsed_number n;
  HRESULT hr = parse_number(text, oleaut_decimal_separator(lcid), n);
  if (FAILED(hr)) return hr;
  u128 magnitude = 0;
  hr = round_magnitude(n, 4, n.negative ? kCyNegativeMax : kCyPositiveMax, magnitude);
  if (FAILED(hr)) return hr;
  if (out == nullptr) return E_INVALIDARG;
  __int128 value = static_cast<__int128>(magnitude);
  out->int64 = static_cast<LONGLONG>(n.negative ? -value : value);
  return S_OK;
}

HRESULT VarDecFromStr(const OLECHAR* text, LCID lcid, ULONG, DECIMAL* out) {
  parsed_number n;
  HRESULT hr = parse_number(text, oleaut_decimal_separator(lcid), n);
  if (FAILED(hr)) return hr;
  // Keep as many places as the text gives, up to 28, then drop places until
  // the digits fit in 96 bits.
  long places = n.exponent < 0 ? -n.exponent : 0;
  if (places > DECIMAL_MAX_SCALE) places = DECIMAL_MAX_SCALE;
  for (long scale = places; scale >= 0; --scale) {
    u128 magnitude = 0;
    if (SUCCEEDED(round_magnitude(n, scale, kDecimalMax, magnitude))) {
      if (out == nullptr) return E_INVALIDARG;
      *out = oleaut_make_decimal(n.negative, magnitude, static_cast<BYTE>(scale));
      return S_OK;
    }
  }
  return DISP_E_OVERFLOW;
}

HRESULT VarBstrFromDec(const DECIMAL* dec, LCID lcid, ULONG, BSTR* out) {
  if (dec == nullptr || dec->scale > DECIMAL_MAX_SCALE) return E_INVALIDARG;
  return make_bstr(scaled_to_text(dec->sign & DECIMAL_NEG, decimal_magnitude(*dec), dec->scale,
                                  oleaut_decimal_separator(lcid)),
                   out);
}

HRESULT VarBstrFromCy(CY cy, LCID lcid, ULONG, BSTR* out) {
  return make_bstr(scaled_to_text(cy.int64 < 0, magnitude_of(cy), 4, oleaut_decimal_separator(lcid)),
                   out);
}

HRESULT VarR8FromCy(CY cy, DOUBLE* out) {
  return double_from_text(scaled_to_text(cy.int64 < 0, magnitude_of(cy), 4, '.'), out);
}

HRESULT VarR8FromDec(const DECIMAL* dec, DOUBLE* out) {
  if (dec == nullptr || dec->scale > DECIMAL_MAX_SCALE) return E_INVALIDARG;
  return double_from_text(
      scaled_to_text(dec->sign & DECIMAL_NEG, decimal_magnitude(*dec), dec->scale, '.'), out);
}

HRESULT VarI4FromDec(const DECIMAL* dec, LONG* out) {
  if (dec == nullptr || dec->scale > DECIMAL_MAX_SCALE) return E_INVALIDARG;
  u128 divisor = power_of_ten(dec->scale);
  u128 magnitude = decimal_magnitude(*dec);
  u128 whole = magnitude / divisor;
  u128 rest = magnitude % divisor;
  u128 half = divisor / 2;
  if (divisor > 1 && (rest > half || (rest == half && whole % 2 == 1))) ++whole;
  bool negative = (dec->sign & DECIMAL_NEG) != 0;
  if (whole > (negative ? u128{0x80000000u} : u128{0x7FFFFFFFu})) return DISP_E_OVERFLOW;
  if (out == nullptr) return E_INVALIDARG;
  __int128 value = static_cast<__int128>(whole);
  *out = static_cast<LONG>(negative ? -value : value);
  return S_OK;
}
