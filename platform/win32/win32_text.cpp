#include "platform/win32/win32_text.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "platform/win32/win32_error.h"

namespace win32 {
namespace {

struct fold_pair {
  std::uint32_t from;
  std::uint32_t to;
};

constexpr fold_pair fold_table[] = {
#include "platform/win32/win32_casefold_table.inc"
};

// An invalid byte decodes to a value past every code point.
constexpr char32_t invalid_base = 0x110000;

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes the code point starting at text[pos] and advances pos.  Answers
// false for an invalid sequence; then pos has moved past its first byte.
bool decode_utf8(std::string_view text, std::size_t& pos, char32_t& code_point) {
  unsigned char lead = static_cast<unsigned char>(text[pos++]);
  if (lead < 0x80) {
    code_point = lead;
    return true;
  }
  std::size_t extra;
  char32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, minimum = 0x80, code_point = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, minimum = 0x800, code_point = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, minimum = 0x10000, code_point = lead & 0x07;
  } else {
    return false;
  }
  if (text.size() - pos < extra) return false;
  for (std::size_t i = 0; i < extra; ++i) {
    if (!is_continuation(static_cast<unsigned char>(text[pos + i]))) return false;
    code_point = (code_point << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
  }
  if (code_point < minimum || code_point > 0x10FFFF) return false;
  if (code_point >= 0xD800 && code_point <= 0xDFFF) return false;
  pos += extra;
  return true;
}

void encode_utf8(char32_t code_point, std::string& out) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

bool refuse() {
  set_last_error(EILSEQ);
  return false;
}

// The next folded code point of `text`, or an invalid byte's own value.
char32_t next_folded(std::string_view text, std::size_t& pos) {
  std::size_t start = pos;
  char32_t code_point;
  if (decode_utf8(text, pos, code_point)) return fold_case(code_point);
  pos = start + 1;
  return invalid_base + static_cast<unsigned char>(text[start]);
}

}  // namespace

bool utf8_to_utf16(std::string_view narrow, std::u16string& wide) {
  std::u16string result;
  result.reserve(narrow.size());
  for (std::size_t pos = 0; pos < narrow.size();) {
    char32_t code_point;
    if (!decode_utf8(narrow, pos, code_point)) return refuse();
    if (code_point < 0x10000) {
      result += static_cast<char16_t>(code_point);
    } else {
      code_point -= 0x10000;
      result += static_cast<char16_t>(0xD800 + (code_point >> 10));
      result += static_cast<char16_t>(0xDC00 + (code_point & 0x3FF));
    }
  }
  wide = std::move(result);
  return true;
}

bool utf16_to_utf8(std::u16string_view wide, std::string& narrow) {
  std::string result;
  result.reserve(wide.size());
  for (std::size_t pos = 0; pos < wide.size(); ++pos) {
    char32_t unit = wide[pos];
    if (unit >= 0xDC00 && unit <= 0xDFFF) return refuse();
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (pos + 1 == wide.size()) return refuse();
      char32_t low = wide[pos + 1];
      if (low < 0xDC00 || low > 0xDFFF) return refuse();
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      ++pos;
    }
    encode_utf8(unit, result);
  }
  narrow = std::move(result);
  return true;
}

char32_t fold_case(char32_t code_point) noexcept {
  if (code_point < 0x80) {
    return (code_point >= 'A' && code_point <= 'Z') ? code_point + ('a' - 'A') : code_point;
  }
  auto found = std::lower_bound(std::begin(fold_table), std::end(fold_table), code_point,
                                [](const fold_pair& pair, char32_t key) { return pair.from < key; });
  return (found != std::end(fold_table) && found->from == code_point) ? found->to : code_point;
}

int compare_nocase(std::string_view left, std::string_view right) noexcept {
  std::size_t l = 0, r = 0;
  while (l < left.size() && r < right.size()) {
    char32_t a = next_folded(left, l);
    char32_t b = next_folded(right, r);
    if (a != b) return a < b ? -1 : 1;
  }
  if (l < left.size()) return 1;
  if (r < right.size()) return -1;
  return 0;
}

std::string utf16_to_utf8_lossy(std::u16string_view wide) {
  // Most text is ASCII: one byte a unit, written straight in, until the
  // first unit that is not.
  std::string out(wide.size(), '\0');
  std::size_t i = 0;
  // Four units at a time while all four are ASCII.
  for (; i + 4 <= wide.size(); i += 4) {
    std::uint64_t units;
    std::memcpy(&units, wide.data() + i, sizeof units);
    if (units & 0xFF80FF80FF80FF80ULL) break;
    for (std::size_t k = 0; k < 4; ++k) out[i + k] = static_cast<char>(wide[i + k]);
  }
  while (i < wide.size() && wide[i] < 0x80) {
    out[i] = static_cast<char>(wide[i]);
    ++i;
  }
  out.resize(i);
  for (; i < wide.size(); ++i) {
    char32_t u = wide[i];
    bool pair = u >= 0xD800 && u < 0xDC00 && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] < 0xE000;
    if (pair) {
      encode_utf8(0x10000 + ((u - 0xD800) << 10) + (wide[i + 1] - 0xDC00), out);
      ++i;
    } else {
      encode_utf8(u >= 0xD800 && u < 0xE000 ? 0xFFFD : u, out);
    }
  }
  return out;
}

}  // namespace win32
