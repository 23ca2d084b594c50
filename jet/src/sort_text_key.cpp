// Text key encoders of the General (legacy) and General 97 sort orders.
#include "sort_text_key.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "sort_tables.h"

namespace jet::sort {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kEndText = 0x01;
constexpr std::uint8_t kEndKey = 0x00;
constexpr std::uint8_t kPlainExtra = 0x02;     // extra code of a plain char
constexpr std::uint8_t kUnprintableMark = 0x06;
constexpr std::uint8_t kFlagByteBase = 0x80;   // three 2-bit flags per byte
constexpr std::uint8_t kFlagTrailer[] = {0xFF, 0x02, 0x80, 0xFF, 0x80};
constexpr std::uint8_t kFlagsBeforeUnprintables = 0xFF;
constexpr std::uint8_t kTrailingFlagDropped = 3;

void invert(Bytes& bytes, std::size_t from) {
  for (std::size_t i = from; i < bytes.size(); ++i) bytes[i] = std::uint8_t(~bytes[i]);
}

// Drops trailing bytes in [lo, hi].
void trim_trailing(Bytes& bytes, std::uint8_t lo, std::uint8_t hi) {
  while (!bytes.empty() && bytes.back() >= lo && bytes.back() <= hi) bytes.pop_back();
}

// Inline bytes that are the whole code of a letter a..z in one order; with
// `significant`, only letters of the significant kind count.
std::array<bool, 256> letter_codes(CharCode (*code_of)(char16_t), bool significant) {
  std::array<bool, 256> codes{};
  for (char16_t c = u'a'; c <= u'z'; ++c) {
    CharCode code = code_of(c);
    if (code.inline_len == 1 && (!significant || code.kind == CodeKind::kSignificant)) {
      codes[code.inline_bytes[0]] = true;
    }
  }
  return codes;
}

// Positions a character takes when accents and marks after it are placed:
// a letter that sorts as two letters (ß as "ss", æ as "ae") takes two.
std::size_t positions_of(const CharCode& code, const std::array<bool, 256>& letters) {
  bool two = code.inline_len == 2 && letters[code.inline_bytes[0]] && letters[code.inline_bytes[1]];
  return two ? 2 : 1;
}

CharCode legacy_code_of(char16_t c) { return legacy_code(c); }
CharCode general97_code_of(char16_t c) { return general97_code(c); }

// Text that takes part in a key: at most kMaxKeyChars units, no trailing
// spaces.
template <typename Char>
std::basic_string_view<Char> key_text(const std::basic_string<Char>& text) {
  std::basic_string_view<Char> cut(text);
  cut = cut.substr(0, kMaxKeyChars);
  while (!cut.empty() && cut.back() == ' ') cut.remove_suffix(1);
  return cut;
}

// The parts of a legacy key that follow the inline codes.
struct LegacyTail {
  bool extras_started = false;
  Bytes extras;
  std::size_t extra_chars = 0;     // characters the extras account for
  std::size_t modifier_prefix = 0; // a modifier that began the extras
  Bytes unprintables;
  Bytes flags;

  void add_extra(std::size_t char_pos, const CharCode& code, std::size_t positions) {
    extras_started = true;
    if (extra_chars < char_pos) {
      extras.insert(extras.end(), char_pos - extra_chars, kPlainExtra);
      extra_chars = char_pos;
    }
    if (code.kind != CodeKind::kUnprintableModifier) {
      extras.insert(extras.end(), code.extra, code.extra + code.extra_len);
      extra_chars += positions;
    } else if (!extras.empty()) {
      extras.back() = std::uint8_t(extras.back() + code.extra[0]);
    } else {
      extras.push_back(code.extra[0]);
      modifier_prefix = 1;
    }
  }

  // An unprintable character's position counts the extra bytes so far
  // (less a leading modifier) plus the characters not yet in them.
  void add_unprintable(std::size_t char_pos, const CharCode& code) {
    std::size_t pos = char_pos;
    if (extras_started) pos = extras.size() + (char_pos - extra_chars) - modifier_prefix;
    std::uint16_t where = std::uint16_t((7 + 4 * pos) | 0x8000);
    unprintables.push_back(std::uint8_t(where >> 8));
    unprintables.push_back(std::uint8_t(where & 0xFF));
    unprintables.push_back(kUnprintableMark);
    unprintables.insert(unprintables.end(), code.extra, code.extra + code.extra_len);
  }

  void append_flags(Bytes& out) {
    trim_trailing(flags, kTrailingFlagDropped, kTrailingFlagDropped);
    for (std::size_t i = 0; i < flags.size(); i += 3) {
      std::uint8_t packed = kFlagByteBase;
      for (std::size_t j = 0; j < 3 && i + j < flags.size(); ++j) {
        packed = std::uint8_t(packed | (flags[i + j] << (2 * (2 - j))));
      }
      out.push_back(packed);
    }
    out.insert(out.end(), std::begin(kFlagTrailer), std::end(kFlagTrailer));
  }

  void append_to(Bytes& out) {
    trim_trailing(extras, 0, kPlainExtra);
    out.insert(out.end(), extras.begin(), extras.end());
    if (flags.empty() && unprintables.empty()) return;
    out.push_back(kEndText);
    out.push_back(kEndText);
    if (!flags.empty()) {
      append_flags(out);
      if (!unprintables.empty()) out.push_back(kFlagsBeforeUnprintables);
    }
    if (!unprintables.empty()) {
      out.push_back(kEndText);
      out.insert(out.end(), unprintables.begin(), unprintables.end());
    }
  }
};

// Writes 4-bit codes high nibble first.
struct NibbleWriter {
  Bytes bytes;
  bool half = false;
  void put(std::uint8_t nibble) {
    nibble &= 0x0F;
    if (!half) {
      bytes.push_back(std::uint8_t(nibble << 4));
    } else {
      bytes.back() = std::uint8_t(bytes.back() | nibble);
    }
    half = !half;
  }
};

}  // namespace

void append_legacy_text_key(const std::u16string& units, bool ascending, Bytes& out) {
  const std::size_t start = out.size();
  LegacyTail tail;
  static const std::array<bool, 256> letters = letter_codes(legacy_code_of, false);
  std::size_t char_pos = 0;  // positions of the characters with inline codes so far
  for (char16_t unit : key_text(units)) {
    CharCode code = legacy_code(unit);
    std::size_t pos = char_pos;
    std::size_t positions = positions_of(code, letters);
    if (code.inline_len > 0) {
      out.insert(out.end(), code.inline_bytes, code.inline_bytes + code.inline_len);
      char_pos += positions;
    }
    switch (code.kind) {
      case CodeKind::kUnprintable: tail.add_unprintable(pos, code); break;
      case CodeKind::kInternationalExt: tail.flags.push_back(code.flag); [[fallthrough]];
      case CodeKind::kInternational:
      case CodeKind::kUnprintableModifier:
        if (code.extra_len > 0) tail.add_extra(pos, code, positions);
        break;
      default: break;
    }
  }
  out.push_back(kEndText);
  tail.append_to(out);
  if (!ascending) {
    out.push_back(kEndKey);
    invert(out, start);
  }
  out.push_back(kEndKey);
}

void append_general97_text_key(const std::u32string& chars, bool ascending, Bytes& out) {
  const std::size_t start = out.size();
  NibbleWriter extras;
  bool has_extras = false;
  static const std::array<bool, 256> letters = letter_codes(general97_code_of, true);
  std::size_t significant = 0;  // significant letters since the last extra code
  for (char32_t c : key_text(chars)) {
    CharCode code = general97_code(c);
    out.insert(out.end(), code.inline_bytes, code.inline_bytes + code.inline_len);
    if (code.kind == CodeKind::kSignificant) {
      ++significant;
    } else if (code.kind == CodeKind::kSimple && positions_of(code, letters) == 2) {
      significant += 2;  // two significant letters in one character
    } else if (code.kind == CodeKind::kInternational) {
      if (!has_extras) extras.put(0);
      has_extras = true;
      for (; significant > 0; --significant) extras.put(kPlainExtra);
      extras.put(code.extra[0]);
    }
  }
  if (has_extras) {
    extras.put(0);
    out.insert(out.end(), extras.bytes.begin(), extras.bytes.end());
  } else {
    out.push_back(kEndKey);
  }
  if (!ascending) invert(out, start);
}

}  // namespace jet::sort
