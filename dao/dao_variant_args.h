// Owners of the BSTR and VARIANT arguments of DAO calls.
#pragma once

#include <string>

#include "platform/oleaut/oleauto.h"

struct dao_bstr {
  BSTR b;
  explicit dao_bstr(const std::string& text) : b(SysAllocStringByteLen(text.data(), static_cast<UINT>(text.size()))) {}
  dao_bstr(const dao_bstr&) = delete;
  dao_bstr& operator=(const dao_bstr&) = delete;
  ~dao_bstr() { SysFreeString(b); }
};

struct dao_var {
  VARIANT v;
  dao_var() { VariantInit(&v); }
  explicit dao_var(const std::string& text) : dao_var() { v.vt = VT_BSTR, v.bstrVal = SysAllocStringByteLen(text.data(), static_cast<UINT>(text.size())); }
  explicit dao_var(long number) : dao_var() { v.vt = VT_I4, v.lVal = static_cast<LONG>(number); }
  static dao_var boolean(bool value) {
    dao_var x;
    x.v.vt = VT_BOOL, x.v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return x;
  }
  dao_var(dao_var&& other) noexcept : v(other.v) { VariantInit(&other.v); }
  dao_var(const dao_var&) = delete;
  dao_var& operator=(const dao_var&) = delete;
  ~dao_var() { VariantClear(&v); }
};

// The text of a BSTR that the caller owns; frees it.
inline std::string dao_take_text(BSTR b) {
  std::string text(b ? b : "", SysStringByteLen(b));
  SysFreeString(b);
  return text;
}
