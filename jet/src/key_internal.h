// Helpers shared by the key encoders and decoders.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace jet {

// A stored GUID (first three fields little-endian) in key order: the
// big-endian form its text shows.
std::array<std::uint8_t, 16> guid_key_order(std::span<const std::uint8_t> stored);

// Code points of UTF-8 text. Throws jet::Error (invalid_argument) on a
// malformed sequence, an overlong form, a surrogate or a value past U+10FFFF.
std::u32string utf8_code_points(std::string_view utf8);

// UTF-16 units of UTF-8 text (pairs beyond U+FFFF). Throws as
// utf8_code_points.
std::u16string utf8_units(std::string_view utf8);

}  // namespace jet
