// ole_variant: the value of one cell, default or parameter. A thin owner of
// an OLE Automation VARIANT whose text forms decide how every value looks
// in the system: numbers, money, decimals, dates, booleans and binary data.
//
// Two conventions set it apart from an ordinary VARIANT wrapper:
// - text is a BSTR holding the narrow (UTF-8) bytes of the text;
// - 8-byte integers (VT_I8, VT_UI8) keep their value in side fields of the
//   object; the VARIANT carries the tag (and a mirror of the value, so the
//   raw VARIANT can be handed on as it stands).
//
// Binary data is VT_ARRAY | VT_UI1: a one-dimensional byte SAFEARRAY with
// lower bound 0.
//
// Thread-safety: a value belongs to the thread that made it; no locking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "TK/tk_exception.h"
#include "platform/oleaut/oleauto.h"

constexpr VARTYPE VT_BINARY = VT_ARRAY | VT_UI1;  // 0x2011

// A conversion the value layer cannot perform: from_string to a target type
// that the platform cannot make from text.
class ole_type_exception : public tk_exception {
 public:
  explicit ole_type_exception(std::string message = "The operating type is not supported yet",
                              int level = tk_level_recoverable);
};

class ole_variant {
 public:
  ole_variant();  // VT_EMPTY
  explicit ole_variant(bool value);                 // VT_BOOL: -1 or 0
  explicit ole_variant(char value);                 // VT_I1
  explicit ole_variant(unsigned char value);        // VT_UI1
  explicit ole_variant(short value);                // VT_I2
  explicit ole_variant(unsigned short value);       // VT_UI2
  explicit ole_variant(int value);                  // VT_I4
  explicit ole_variant(unsigned int value);         // VT_UI4
  explicit ole_variant(long value);                 // VT_I8 ("hyper")
  explicit ole_variant(long long value);            // VT_I8
  explicit ole_variant(unsigned long value);        // VT_UI8 ("uhyper")
  explicit ole_variant(unsigned long long value);   // VT_UI8
  explicit ole_variant(float value);                // VT_R4
  explicit ole_variant(double value);               // VT_R8
  // VT_DATE, or VT_EMPTY when the platform refuses the fields (years
  // 100..9999, valid month, day and time).
  explicit ole_variant(const SYSTEMTIME& value);
  explicit ole_variant(CY value);                   // VT_CY
  explicit ole_variant(const DECIMAL& value);       // VT_DECIMAL
  explicit ole_variant(const char* text);           // VT_BSTR (null: empty text)
  explicit ole_variant(const std::string& text);    // VT_BSTR
  // Binary holding a copy of count bytes. REQUIRES: bytes not null unless
  // count is 0.
  ole_variant(std::size_t count, const void* bytes);
  ole_variant(const ole_variant& other);
  ole_variant& operator=(const ole_variant& other);
  // Moving takes over the other's value and leaves it VT_EMPTY.
  ole_variant(ole_variant&& other) noexcept;
  ole_variant& operator=(ole_variant&& other) noexcept;
  virtual ~ole_variant();

  // The value as a signed 32-bit number: integers as their low 32 bits,
  // doubles truncated toward zero, decimals rounded (0 when out of range),
  // booleans -1/0, empty and null 0. Other tags: tk_mail_assertion.
  long to_long() const;
  // The value as a double (8-byte integers in full). Money and decimals
  // give the nearest double. Dates, text and binary: tk_mail_assertion.
  double to_double() const;
  // Non-zero numbers are true; a VT_BOOL is true only when it holds -1.
  // Money, dates, text and binary: tk_mail_assertion.
  bool to_bool() const;
  // The text form; never fails ("" for whatever cannot be rendered).
  virtual std::string to_string() const;

  // The value of text read as the target type; VT_EMPTY when the text does
  // not read as that type:
  // - empty text gives VT_EMPTY (for VT_BSTR an empty string);
  // - VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4: only the exact decimal writing of
  //   a number in the type's range ("05", "+5", " 5", "70000" as VT_I2 fail);
  // - VT_UI4, VT_UI8, VT_I8: the leading number (none reads 0); a number
  //   beyond the type's range fails;
  // - VT_R4, VT_R8: the leading number with "," read as "." (none reads 0);
  // - VT_CY, VT_DECIMAL: the whole text as a number, "," read as "."; money
  //   rounds to four places; a decimal beyond DECIMAL's range is kept as
  //   VT_R8 of the same value;
  // - VT_DATE: the text read by ole_date; VT_BOOL: yes/true or no/false
  //   (case ignored), else a number other than 0 is true;
  // - VT_BLOB (65) and binary: two hex digits per byte after an optional
  //   "0x"; odd lengths fail;
  // - any other target: the platform's change of text into that type; when
  //   it fails, throws ole_type_exception.
  static ole_variant from_string(std::string_view text, int target);

  // Makes the value binary with exactly count bytes: an existing one-
  // dimensional array is resized keeping its leading bytes, else a new
  // zero-filled array with lower bound 0 replaces the value.
  void allocate_safe_array(std::size_t count);
  // Makes the value binary holding a copy of the bytes.
  void attach_binary(std::size_t count, const void* bytes);
  // Makes the value VT_BSTR holding the text's bytes.
  void attach_string(std::string_view text);

  VARTYPE vt() const { return var_.vt; }
  // The raw VARIANT, for handing to the platform; it stays owned here. An
  // 8-byte integer written through it does not reach the side values that
  // every reader uses: make those with the 64-bit constructors.
  const VARIANT& variant() const { return var_; }
  VARIANT& variant() { return var_; }
  std::int64_t hyper_value() const { return hyper_; }
  std::uint64_t uhyper_value() const { return uhyper_; }

 private:
  void clear();
  void set_hyper(std::int64_t value);
  void set_uhyper(std::uint64_t value);
  std::string binary_to_string() const;
  std::string decimal_to_string() const;
  std::string money_to_string() const;

  std::int64_t hyper_ = 0;
  std::uint64_t uhyper_ = 0;
  VARIANT var_;
};
