#include "text.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdint>
#include <cstring>

#include "coding.h"
#include "key_internal.h"
#include "jet/error.h"

namespace jet {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Code page 1252 assigns these to 0x80..0x9F; 0 marks the five unassigned
// bytes, which Windows maps to the C1 control with the same number.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Appends UCS-2 units, pairing surrogates into one code point.
class Utf16Sink {
 public:
  explicit Utf16Sink(std::string& out) : out_(out) {}
  ~Utf16Sink() { finish(); }

  void unit(char16_t u) {
    if (pending_high_ != 0) {
      if (u >= 0xDC00 && u <= 0xDFFF) {
        append_utf8(out_, 0x10000 + ((pending_high_ - 0xD800) << 10) + (u - 0xDC00));
        pending_high_ = 0;
        return;
      }
      append_utf8(out_, kReplacement);
      pending_high_ = 0;
    }
    if (u >= 0xD800 && u <= 0xDBFF) {
      pending_high_ = u;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      append_utf8(out_, kReplacement);
    } else {
      append_utf8(out_, u);
    }
  }

  void finish() {
    if (pending_high_ != 0) append_utf8(out_, kReplacement);
    pending_high_ = 0;
  }

 private:
  std::string& out_;
  char32_t pending_high_ = 0;
};

}  // namespace

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string cp1252_to_utf8(std::span<const std::uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::uint8_t b : bytes) {
    if (b >= 0x80 && b < 0xA0) {
      const char16_t mapped = kCp1252High[b - 0x80];
      append_utf8(out, mapped == 0 ? static_cast<char32_t>(b) : mapped);
    } else {
      append_utf8(out, b);
    }
  }
  return out;
}

std::string ucs2_to_utf8(std::span<const std::uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size());
  {
    Utf16Sink sink(out);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) sink.unit(coding::get_u16(&bytes[i]));
  }
  if (bytes.size() % 2 != 0) append_utf8(out, kReplacement);
  return out;
}

std::string jet4_text_to_utf8(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) return ucs2_to_utf8(bytes);
  std::string out;
  out.reserve(bytes.size());
  Utf16Sink sink(out);
  bool compressed = true;
  std::size_t i = 2;
  while (i < bytes.size()) {
    if (bytes[i] == 0) {
      compressed = !compressed;
      ++i;
    } else if (compressed) {
      sink.unit(bytes[i]);
      ++i;
    } else if (i + 1 < bytes.size()) {
      sink.unit(coding::get_u16(&bytes[i]));
      i += 2;
    } else {
      sink.unit(static_cast<char16_t>(kReplacement));
      ++i;
    }
  }
  sink.finish();
  return out;
}

std::string decode_text(std::span<const std::uint8_t> bytes, const Format& format) {
  return format.is_jet4() ? jet4_text_to_utf8(bytes) : cp1252_to_utf8(bytes);
}

bool same_name(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace jet

namespace jet {
namespace {

// Code points of `utf8`, or nullopt-like empty flag when malformed.
bool code_points(std::string_view utf8, std::u32string& out) {
  try {
    out = utf8_code_points(utf8);
    return true;
  } catch (const Error&) {
    return false;
  }
}

// Text of code points U+0001..U+00FF only (ASCII without NUL, and the
// two-byte sequences C2 80..C3 BF), as one byte a code point after `skip`
// bytes left for a header: both the compressed form and code page 1252
// store most such text byte for byte. False, with `out` unspecified, for
// any other text.
bool latin1_bytes(std::string_view utf8, std::vector<std::uint8_t>& out, std::size_t skip = 0) {
  out.resize(skip + utf8.size());
  std::uint8_t* to = out.data() + skip;
  std::size_t at = 0;
  while (at < utf8.size()) {
    // ASCII bytes other than 0 go across as they are, eight at a time up
    // to the first byte that is not one (the lowest byte flagged below).
    if (utf8.size() - at >= 8) {
      std::uint64_t word;
      std::memcpy(&word, utf8.data() + at, 8);
      const std::uint64_t flagged = (((word - 0x0101010101010101ull) & ~word) | word) & 0x8080808080808080ull;
      std::memcpy(to, &word, 8);  // room: `to` never runs ahead of `at`
      const std::size_t plain = flagged == 0 ? 8 : static_cast<std::size_t>(std::countr_zero(flagged) / 8);
      to += plain;
      at += plain;
      if (plain == 8) continue;
    }
    const auto c = static_cast<unsigned char>(utf8[at++]);
    if (c >= 0x01 && c < 0x80) {
      *to++ = c;
      continue;
    }
    if ((c != 0xC2 && c != 0xC3) || at == utf8.size()) return false;
    const auto next = static_cast<unsigned char>(utf8[at++]);
    if ((next & 0xC0) != 0x80) return false;
    *to++ = static_cast<std::uint8_t>(((c & 0x03) << 6) | (next & 0x3F));
  }
  out.resize(static_cast<std::size_t>(to - out.data()));
  return true;
}

void append_unit(std::vector<std::uint8_t>& out, char16_t unit) {
  out.push_back(static_cast<std::uint8_t>(unit));
  out.push_back(static_cast<std::uint8_t>(unit >> 8));
}

// Compressed form: runs of one-byte units (U+0001..U+00FF) and of two-byte
// units, a 00 byte switching between them. A two-byte unit whose low byte
// is 0 would read as a switch, so such text is not compressed.
bool compress_units(const std::u16string& units, std::vector<std::uint8_t>& out) {
  out.resize(2 + 3 * units.size());  // at worst a switch and two bytes a unit
  out[0] = 0xFF;
  out[1] = 0xFE;
  std::size_t n = 2;
  bool narrow = true;
  for (char16_t unit : units) {
    const bool fits = unit >= 0x01 && unit <= 0xFF;
    if (fits != narrow) {
      out[n++] = 0x00;
      narrow = fits;
    }
    if (narrow) {
      out[n++] = static_cast<std::uint8_t>(unit);
    } else {
      if ((unit & 0xFF) == 0) return false;
      out[n++] = static_cast<std::uint8_t>(unit);
      out[n++] = static_cast<std::uint8_t>(unit >> 8);
    }
  }
  out.resize(n);
  return true;
}

}  // namespace

bool utf8_to_cp1252(std::string_view utf8, std::vector<std::uint8_t>& out) {
  // U+0080..U+009F are not stored as themselves in 1252: the long way.
  if (latin1_bytes(utf8, out) &&
      std::none_of(out.begin(), out.end(), [](std::uint8_t b) { return b >= 0x80 && b < 0xA0; })) {
    return true;
  }
  std::u32string points;
  if (!code_points(utf8, points)) return false;
  out.clear();
  out.reserve(points.size());
  for (char32_t cp : points) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out.push_back(static_cast<std::uint8_t>(cp));
      continue;
    }
    int found = -1;
    for (int i = 0; i < 32; ++i) {
      const char32_t mapped = kCp1252High[i] == 0 ? char32_t(0x80 + i) : kCp1252High[i];
      if (mapped == cp) found = i;
    }
    if (found < 0) return false;
    out.push_back(static_cast<std::uint8_t>(0x80 + found));
  }
  return true;
}

bool utf8_to_jet4_text(std::string_view utf8, bool compress, std::vector<std::uint8_t>& out) {
  if (latin1_bytes(utf8, out, 2)) {
    // One byte a unit, none of them 0, so the compressed form needs no
    // switch; it pays from three characters on.
    const std::size_t n = out.size() - 2;
    if (compress && n > 2) {
      out[0] = 0xFF;
      out[1] = 0xFE;
    } else {
      out.erase(out.begin(), out.begin() + 2);
      out.resize(2 * n, 0);
      for (std::size_t i = n; i-- > 0;) out[2 * i] = out[i], out[2 * i + 1] = 0;
    }
    return true;
  }
  std::u16string units;
  try {
    units = utf8_units(utf8);
  } catch (const Error&) {
    return false;
  }
  if (compress && !units.empty() && compress_units(units, out) && out.size() < units.size() * 2) {
    return true;
  }
  out.clear();
  out.reserve(units.size() * 2);
  for (char16_t unit : units) append_unit(out, unit);
  return true;
}

std::size_t text_length(std::string_view utf8, const Format& format) {
  const bool jet4 = format.is_jet4();
  std::size_t count = 0;
  auto count_bytes = [&](std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
      const auto c = static_cast<unsigned char>(utf8[i]);
      if ((c & 0xC0) != 0x80) ++count;             // a code point starts
      if (jet4 && (c & 0xF8) == 0xF0) ++count;  // needs a surrogate pair
    }
  };
  // Eight bytes at a time: eight characters when none has its top bit set.
  std::size_t at = 0;
  for (; at + 8 <= utf8.size(); at += 8) {
    if ((coding::get_u64(reinterpret_cast<const std::uint8_t*>(utf8.data()) + at) & 0x8080808080808080ULL) == 0) {
      count += 8;
    } else {
      count_bytes(at, at + 8);
    }
  }
  count_bytes(at, utf8.size());
  return count;
}

}  // namespace jet
