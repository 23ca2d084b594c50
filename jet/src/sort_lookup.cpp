// Expands one character's code from the generated run tables.
#include <algorithm>
#include <array>

#include "sort_tables.h"

namespace jet::sort {
namespace {

// The run that holds `c`: the last run whose first character is <= c.
// Both tables start at character 0, so there always is one.
const CodeRun& run_of(const CodeRun* runs, std::size_t size, char16_t c) {
  const CodeRun* end = runs + size;
  const CodeRun* after = std::upper_bound(
      runs, end, c, [](char16_t v, const CodeRun& r) { return v < r.first; });
  return *(after - 1);
}

CharCode expand(const CodeRun& run, char16_t c) {
  CharCode code;
  code.kind = run.kind;
  code.inline_len = run.inline_len;
  std::uint32_t value = run.inline_base + run.step * std::uint32_t(c - run.first);
  for (int i = run.inline_len - 1; i >= 0; --i, value >>= 8) {
    code.inline_bytes[i] = std::uint8_t(value & 0xFF);
  }
  code.extra_len = run.extra_len;
  code.extra[0] = run.extra[0];
  code.extra[1] = run.extra[1];
  code.flag = run.flag;
  return code;
}

// The codes of characters below 256, which most text is made of, looked up
// once rather than searched for in the runs each time.
using LowCodes = std::array<CharCode, 256>;
LowCodes low_codes(const CodeRun* runs, std::size_t size) {
  LowCodes codes;
  for (char16_t c = 0; c < 256; ++c) codes[c] = expand(run_of(runs, size, c), c);
  return codes;
}

}  // namespace

CharCode legacy_code(char16_t unit) {
  static const LowCodes low = low_codes(kGeneralLegacyRuns, kGeneralLegacyRunsSize);
  if (unit < 256) return low[unit];
  return expand(run_of(kGeneralLegacyRuns, kGeneralLegacyRunsSize, unit), unit);
}

bool in_code_page_1252(std::uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return true;
  // The five bytes 1252 leaves unassigned read back as these C1 controls.
  if (cp == 0x81 || cp == 0x8D || cp == 0x8F || cp == 0x90 || cp == 0x9D) return true;
  const CharMapping* end = kGeneral97Mappings + kGeneral97MappingsSize;
  return std::any_of(kGeneral97Mappings, end, [cp](const CharMapping& m) { return m.from == cp; });
}

CharCode general97_code(std::uint32_t cp) {
  if (cp > 0xFFFF) return CharCode{};
  char16_t c = char16_t(cp);
  if (c > 0xFF) {
    const CharMapping* end = kGeneral97Mappings + kGeneral97MappingsSize;
    const CharMapping* m = std::lower_bound(
        kGeneral97Mappings, end, c,
        [](const CharMapping& m, char16_t v) { return m.from < v; });
    if (m == end || m->from != c) return CharCode{};
    c = m->to;
  }
  static const LowCodes low = low_codes(kGeneral97Runs, kGeneral97RunsSize);
  return c < 256 ? low[c] : expand(run_of(kGeneral97Runs, kGeneral97RunsSize, c), c);
}

}  // namespace jet::sort
