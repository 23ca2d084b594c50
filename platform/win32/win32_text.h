// Text services of the platform: narrow (UTF-8, the system's "ANSI code
// page" here) to wide (UTF-16) and back, and the locale comparison with case
// ignored that every part uses to compare names.
//
// Thread-safety: every function is safe to call from any thread.
#pragma once

#include <string>
#include <string_view>

namespace win32 {

// UTF-8 to UTF-16.  Invalid input (a bad or truncated sequence, an overlong
// form, a surrogate, a value past U+10FFFF) is refused: returns false, sets
// the last error to EILSEQ and leaves `wide` unchanged.
bool utf8_to_utf16(std::string_view narrow, std::u16string& wide);

// UTF-16 to UTF-8.  An unpaired surrogate is refused as above.
bool utf16_to_utf8(std::u16string_view wide, std::string& narrow);

// UTF-16 to UTF-8 that never fails: an unpaired surrogate (which SQL Server's
// nvarchar can hold) becomes U+FFFD.
std::string utf16_to_utf8_lossy(std::u16string_view wide);

// The simple Unicode case folding of one code point (Unicode 15).
char32_t fold_case(char32_t code_point) noexcept;

// The comparison of names with letter case ignored: compares the code
// points of the two UTF-8 texts after simple case folding and answers <0, 0
// or >0.  Accents and width stay significant ("é" differs from "e", "Ａ"
// from "A").  Bytes that are not valid UTF-8 compare as themselves, after
// every valid code point, and never equal to one.
int compare_nocase(std::string_view left, std::string_view right) noexcept;

}  // namespace win32
