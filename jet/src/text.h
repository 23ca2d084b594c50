// Text conversions between the file's encodings and UTF-8.
//
// Jet 3 stores text in the database code page (1252 on Western systems).
// Jet 4 stores UCS-2 little-endian, optionally compressed: a value that
// starts with FF FE is read one byte per character (high byte 0) until a
// 00 byte toggles to two bytes per character, and back again on the next 00.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "format.h"

namespace jet {

// Code page 1252 bytes to UTF-8. The five unassigned bytes (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become U+0081..U+009D, as Windows converts them.
std::string cp1252_to_utf8(std::span<const std::uint8_t> bytes);

// UCS-2 little-endian to UTF-8. An odd trailing byte and unpaired
// surrogates become U+FFFD (never dropped silently).
std::string ucs2_to_utf8(std::span<const std::uint8_t> bytes);

// A Jet 4 text value, compressed (FF FE prefix) or plain UCS-2, to UTF-8.
std::string jet4_text_to_utf8(std::span<const std::uint8_t> bytes);

// Text of a name, a column value or a property in the file's encoding.
std::string decode_text(std::span<const std::uint8_t> bytes, const Format& format);

// UTF-8 to code page 1252, the inverse of cp1252_to_utf8. False (and
// `out` unspecified) when the text holds a character the code page lacks
// or is not valid UTF-8.
bool utf8_to_cp1252(std::string_view utf8, std::vector<std::uint8_t>& out);

// UTF-8 to a Jet 4 text value: compressed (FF FE, one byte per character
// in runs of U+0001..U+00FF) when `compress` is set and that is shorter and
// possible, else UCS-2 little-endian. False when the text is not valid
// UTF-8 (characters past U+FFFF become surrogate pairs).
bool utf8_to_jet4_text(std::string_view utf8, bool compress, std::vector<std::uint8_t>& out);

// Number of characters (UTF-16 units for Jet 4, bytes for Jet 3) of a
// valid UTF-8 text, as Access counts a text column's length.
std::size_t text_length(std::string_view utf8, const Format& format);

// True when two names are equal with ASCII letter case ignored, as the
// catalog looks up table and property names.
bool same_name(const std::string& a, const std::string& b);

// Appends code point `cp` to `out` as UTF-8.
void append_utf8(std::string& out, char32_t cp);

}  // namespace jet
