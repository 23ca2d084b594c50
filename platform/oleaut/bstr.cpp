#include "platform/oleaut/bstr.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t kPrefix = sizeof(UINT);

}  // namespace

BSTR SysAllocStringByteLen(const char* bytes, UINT len) {
  auto* block = static_cast<char*>(std::malloc(kPrefix + std::size_t{len} + 1));
  if (block == nullptr) return nullptr;
  std::memcpy(block, &len, kPrefix);
  char* text = block + kPrefix;
  if (bytes != nullptr)
    std::memcpy(text, bytes, len);
  else
    std::memset(text, 0, len);
  text[len] = '\0';
  return text;
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT len) {
  return SysAllocStringByteLen(text, len);
}

BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  return SysAllocStringByteLen(text, static_cast<UINT>(std::strlen(text)));
}

void SysFreeString(BSTR bstr) {
  if (bstr != nullptr) std::free(bstr - kPrefix);
}

UINT SysStringByteLen(BSTR bstr) {
  if (bstr == nullptr) return 0;
  UINT len;
  std::memcpy(&len, bstr - kPrefix, kPrefix);
  return len;
}

UINT SysStringLen(BSTR bstr) { return SysStringByteLen(bstr); }
