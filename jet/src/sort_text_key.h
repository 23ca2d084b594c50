// Text key encoders of the two sort orders. Each appends the body of one
// text key part (everything after the 0x7F/0x80 start flag) to `out`.
//
// A General (legacy) body is: the inline codes of the characters, 01, then
// when needed the extra codes (one per character up to the last accented
// one, 02 for a plain character), and when needed 01 01, packed 2-bit flags
// with a fixed trailer, and 01 with one positioned code per unprintable
// character; it ends 00. A General 97 body is the inline codes, then either
// 00 or the extra codes as nibbles framed by zero nibbles.
// Descending keys are the ascending body with every byte inverted (legacy:
// all but its final 00).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace jet::sort {

// Characters of a text value that take part in its key (longer values are
// cut, as Access indexes only the first 255).
inline constexpr std::size_t kMaxKeyChars = 255;

// `units` are UTF-16 code units (surrogate pairs allowed).
void append_legacy_text_key(const std::u16string& units, bool ascending,
                            std::vector<std::uint8_t>& out);

// `chars` are code points, each below 256 or one of the mapped wider ones
// (append_text_key refuses any other before it gets here).
void append_general97_text_key(const std::u32string& chars, bool ascending,
                               std::vector<std::uint8_t>& out);

}  // namespace jet::sort
