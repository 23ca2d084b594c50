// Small pieces of the OLE value layer: the narrow BSTR holder used to pass
// names to COM calls, and the reference count probe used in trace lines.
#pragma once

#include <string>

#include "platform/oleaut/oleauto.h"

// Owns one BSTR holding the narrow (UTF-8) bytes of a text. Not copyable;
// movable. Thread-safety: one owner thread at a time.
class ole_bstr {
 public:
  ole_bstr() = default;  // no BSTR (for out-parameters)
  // A BSTR of the text's bytes; an empty or null text gives a BSTR of
  // length 0, never a missing one. Failed allocation: tk_mail_assertion.
  explicit ole_bstr(const char* text);
  explicit ole_bstr(const std::string& text);
  ole_bstr(ole_bstr&& other) noexcept;
  ole_bstr& operator=(ole_bstr&& other) noexcept;
  ole_bstr(const ole_bstr&) = delete;
  ole_bstr& operator=(const ole_bstr&) = delete;
  ~ole_bstr();

  BSTR get() const { return bstr_; }
  // For out-parameters: frees the held BSTR and gives the address of the
  // now empty one, which the callee fills.
  BSTR* address();
  // The text as narrow text ("" when there is no BSTR).
  std::string to_string() const;

 private:
  BSTR bstr_ = nullptr;
};

// The current reference count of an interface (AddRef, then what Release
// answers); for trace lines only. A null pointer: tk_mail_assertion.
ULONG ole_get_ref_count(IUnknown* pointer);
