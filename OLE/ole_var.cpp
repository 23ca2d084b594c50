#include "OLE/ole_var.h"

#include <climits>
#include <cstring>
#include <utility>

#include "TK/tk_trace.h"

ole_type_exception::ole_type_exception(std::string message, int level)
    : tk_exception(std::move(message), level) {}

ole_variant::ole_variant() { VariantInit(&var_); var_.llVal = 0; }

ole_variant::ole_variant(bool value) : ole_variant() {
  TK_TRACE(1, "ole_variant::ctor from bool (%d)", value ? 1 : 0);
  var_.vt = VT_BOOL;
  var_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

ole_variant::ole_variant(char value) : ole_variant() {
  TK_TRACE(1, "ole_variant::ctor from char(%d)", static_cast<int>(static_cast<signed char>(value)));
  var_.vt = VT_I1;
  var_.cVal = value;
}

ole_variant::ole_variant(unsigned char value) : ole_variant() {
  TK_TRACE(1, "ole_variant::ctor from byte(%d)", static_cast<int>(value));
  var_.vt = VT_UI1;
  var_.bVal = value;
}

ole_variant::ole_variant(short value) : ole_variant() {
  TK_TRACE(1, "ole_variant::ctor from short(%d)", static_cast<int>(value));
  var_.vt = VT_I2;
  var_.iVal = value;
}

ole_variant::ole_variant(unsigned short value) : ole_variant() {
  TK_TRACE(1, "ole_variant::ctor from ushort(%d)", static_cast<int>(value));
  var_.vt = VT_UI2;
  var_.uiVal = value;
}

ole_variant::ole_variant(int value) : ole_variant() {
  TK_TRACE(1, "ole_variant::ctor from int(%d)", value);
  var_.vt = VT_I4;
  var_.lVal = value;
}

ole_variant::ole_variant(unsigned int value) : ole_variant() {
  TK_TRACE(1, "ole_variant::ctor from uint(%u)", value);
  var_.vt = VT_UI4;
  var_.ulVal = value;
}

ole_variant::ole_variant(long value) : ole_variant(static_cast<long long>(value)) {}

ole_variant::ole_variant(long long value) : ole_variant() {
  TK_TRACE(1, "ole_variant::ctor(hyper, %lld)", value);
  set_hyper(value);
}

ole_variant::ole_variant(unsigned long value)
    : ole_variant(static_cast<unsigned long long>(value)) {}

ole_variant::ole_variant(unsigned long long value) : ole_variant() {
  TK_TRACE(1, "ole_variant::ctor(uhyper, %llu)", value);
  set_uhyper(value);
}

ole_variant::ole_variant(float value) : ole_variant() {
  TK_TRACE(1, "ole_variant::ctor from float(%f)", static_cast<double>(value));
  var_.vt = VT_R4;
  var_.fltVal = value;
}

ole_variant::ole_variant(double value) : ole_variant() {
  TK_TRACE(1, "ole_variant::ctor from double(%e)", value);
  var_.vt = VT_R8;
  var_.dblVal = value;
}

ole_variant::ole_variant(const SYSTEMTIME& value) : ole_variant() {
  TK_TRACE(1, "Construct ole_variant from SYSTEMTIME");
  DATE date = 0.0;
  if (!SystemTimeToVariantTime(&value, &date)) {
    TK_TRACE(2, "Failed to convert SYSTEMTIME->VARIANT");
    return;
  }
  var_.vt = VT_DATE;
  var_.date = date;
}

ole_variant::ole_variant(CY value) : ole_variant() {
  TK_TRACE(1, "Construct ole_variant from CY");
  var_.vt = VT_CY;
  var_.cyVal = value;
}

ole_variant::ole_variant(const DECIMAL& value) : ole_variant() {
  TK_TRACE(1, "Construct ole_variant from DECIMAL");
  var_.decVal = value;
  var_.vt = VT_DECIMAL;  // after the copy: the tag shares the DECIMAL's first word
}

ole_variant::ole_variant(const char* text) : ole_variant() {
  TK_TRACE(1, "ole_variant::ctor from string(%s)", text == nullptr ? "" : text);
  attach_string(text == nullptr ? std::string_view() : std::string_view(text));
}

ole_variant::ole_variant(const std::string& text) : ole_variant() {
  TK_TRACE(1, "ole_variant::ctor from string(%s)", text.c_str());
  attach_string(text);
}

ole_variant::ole_variant(std::size_t count, const void* bytes) : ole_variant() {
  attach_binary(count, bytes);
}

ole_variant::ole_variant(const ole_variant& other) : ole_variant() {
  TK_TRACE(1, "ole_variant::copy ctor");
  *this = other;
}

ole_variant& ole_variant::operator=(const ole_variant& other) {
  if (this == &other) return *this;
  clear();
  if (other.vt() == VT_I8 || other.vt() == VT_UI8) {
    TK_TRACE(1, "Special processing for VT_(U)I8 type");
    if (other.vt() == VT_I8) set_hyper(other.hyper_);
    else set_uhyper(other.uhyper_);
    return *this;
  }
  HRESULT hr = VariantCopy(&var_, &other.var_);
  TK_ASSERT(SUCCEEDED(hr));
  return *this;
}

// Takes the value over as it stands, leaving `other` empty; nothing to
// clear first, as a new variant holds nothing.
ole_variant::ole_variant(ole_variant&& other) noexcept
    : hyper_(std::exchange(other.hyper_, 0)), uhyper_(std::exchange(other.uhyper_, 0)), var_(other.var_) {
  VariantInit(&other.var_);
  other.var_.llVal = 0;
}

ole_variant& ole_variant::operator=(ole_variant&& other) noexcept {
  if (this == &other) return *this;
  VariantClear(&var_);
  var_ = other.var_;
  hyper_ = std::exchange(other.hyper_, 0);
  uhyper_ = std::exchange(other.uhyper_, 0);
  VariantInit(&other.var_);
  other.var_.llVal = 0;
  return *this;
}

ole_variant::~ole_variant() {
  if (var_.vt != VT_EMPTY) VariantClear(&var_);  // an empty one owns nothing
}

void ole_variant::clear() {
  HRESULT hr = VariantClear(&var_);
  TK_ASSERT(SUCCEEDED(hr));  // only a binary value still locked can refuse
  hyper_ = 0;
  uhyper_ = 0;
}

void ole_variant::set_hyper(std::int64_t value) {
  hyper_ = value;
  var_.vt = VT_I8;
  var_.llVal = value;
}

void ole_variant::set_uhyper(std::uint64_t value) {
  uhyper_ = value;
  var_.vt = VT_UI8;
  var_.ullVal = value;
}

void ole_variant::allocate_safe_array(std::size_t count) {
  TK_TRACE(1, "ole_variant::allocate_safe_array (size=%zu)", count);
  TK_ASSERT(count <= ULONG_MAX);
  if (var_.vt == VT_BINARY && SafeArrayGetDim(var_.parray) == 1) {
    LONG lower = 0, upper = 0;
    TK_ASSERT(SUCCEEDED(SafeArrayGetLBound(var_.parray, 1, &lower)));
    TK_ASSERT(SUCCEEDED(SafeArrayGetUBound(var_.parray, 1, &upper)));
    // An empty array has its upper bound one below its lower bound.
    TK_ASSERT(static_cast<LONGLONG>(upper) >= static_cast<LONGLONG>(lower) - 1);
    SAFEARRAYBOUND bound{static_cast<ULONG>(count), lower};
    TK_ASSERT(SUCCEEDED(SafeArrayRedim(var_.parray, &bound)));
    return;
  }
  clear();
  SAFEARRAYBOUND bound{static_cast<ULONG>(count), 0};
  SAFEARRAY* array = SafeArrayCreate(VT_UI1, 1, &bound);
  TK_ASSERT(array != nullptr);
  var_.vt = VT_BINARY;
  var_.parray = array;
}

void ole_variant::attach_binary(std::size_t count, const void* bytes) {
  TK_TRACE(1, "ole_variant::attach_binary(2)");
  TK_ASSERT(bytes != nullptr || count == 0);
  allocate_safe_array(count);
  void* data = nullptr;
  TK_ASSERT(SUCCEEDED(SafeArrayAccessData(var_.parray, &data)));
  if (count != 0) std::memcpy(data, bytes, count);
  SafeArrayUnaccessData(var_.parray);
}

void ole_variant::attach_string(std::string_view text) {
  TK_TRACE(1, "ole_variant::attach_string('%.*s')", static_cast<int>(text.size()), text.data());
  TK_ASSERT(text.size() <= UINT_MAX);
  if (var_.vt != VT_BSTR) clear();
  // The old text goes only after the new one is made: `text` may lie in it.
  BSTR old = var_.vt == VT_BSTR ? var_.bstrVal : nullptr;
  var_.vt = VT_BSTR;
  var_.bstrVal = SysAllocStringByteLen(text.data(), static_cast<UINT>(text.size()));
  SysFreeString(old);
  TK_ASSERT(var_.bstrVal != nullptr);
}
