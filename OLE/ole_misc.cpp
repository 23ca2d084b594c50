#include "OLE/ole_misc.h"

#include <cstring>
#include <utility>

#include "TK/tk_exception.h"

namespace {

BSTR allocate(const char* bytes, std::size_t length) {
  TK_ASSERT(length <= UINT32_MAX);
  BSTR bstr = SysAllocStringByteLen(bytes, static_cast<UINT>(length));
  TK_ASSERT(bstr != nullptr);
  return bstr;
}

}  // namespace

ole_bstr::ole_bstr(const char* text)
    : bstr_(allocate(text == nullptr ? "" : text, text == nullptr ? 0 : std::strlen(text))) {}

ole_bstr::ole_bstr(const std::string& text) : bstr_(allocate(text.data(), text.size())) {}

ole_bstr::ole_bstr(ole_bstr&& other) noexcept : bstr_(std::exchange(other.bstr_, nullptr)) {}

ole_bstr& ole_bstr::operator=(ole_bstr&& other) noexcept {
  if (this != &other) {
    SysFreeString(bstr_);
    bstr_ = std::exchange(other.bstr_, nullptr);
  }
  return *this;
}

ole_bstr::~ole_bstr() { SysFreeString(bstr_); }

BSTR* ole_bstr::address() {
  SysFreeString(bstr_);
  bstr_ = nullptr;
  return &bstr_;
}

std::string ole_bstr::to_string() const {
  return bstr_ == nullptr ? std::string() : std::string(bstr_, SysStringByteLen(bstr_));
}

ULONG ole_get_ref_count(IUnknown* pointer) {
  TK_ASSERT(pointer != nullptr);
  pointer->AddRef();
  return pointer->Release();
}
