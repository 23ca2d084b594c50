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

// True when two names are equal with ASCII letter case ignored, as the
// catalog looks up table and property names.
bool same_name(const std::string& a, const std::string& b);

// Appends code point `cp` to `out` as UTF-8.
void append_utf8(std::string& out, char32_t cp);

}  // namespace jet
