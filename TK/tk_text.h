// Small text services: blank trimming, hex text of bytes, and narrow
// (UTF-8, the system's code page here) to wide (UTF-16) text and back.
// Thread-safety: safe from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Remove leading, trailing or both blanks (only the space character).
std::string tk_trim_left(std::string_view text);
std::string tk_trim_right(std::string_view text);
std::string tk_trim(std::string_view text);

// Writes each of `count` bytes as two upper-case hex digits, high half
// first, then a terminating zero: 0x0A 0xFF gives "0AFF".  REQUIRES: `out`
// holds 2 * count + 1 characters and is not null (else tk_mail_assertion);
// `bytes` is not null unless count is 0.
void tk_hex_of_bytes(std::size_t count, const void* bytes, char* out);

// The same as a text.
std::string tk_hex_string(std::size_t count, const void* bytes);

// UTF-8 to UTF-16 and back.  Invalid input raises tk_exception_ex with the
// code EILSEQ.
std::u16string tk_to_wide(std::string_view narrow);
std::string tk_to_narrow(std::u16string_view wide);
