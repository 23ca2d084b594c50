// Code tables of the two text sort orders that index keys use: Jet 4's
// "General" (legacy) order over all 16-bit code units, and Jet 3's
// "General 97" order over the 256 code-page bytes plus a few wider
// characters that map onto them.
//
// The tables are generated (jet/tools/gen_sort_tables.py) as runs: a run
// starts at `first` and lasts until the next run's `first`; every character
// in it has the same kind, extra bytes and flag, and inline bytes equal to
// the big-endian number `inline_base + step * (c - first)` written in
// `inline_len` bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jet::sort {

// How a character contributes to a text key.
enum class CodeKind : std::uint8_t {
  kIgnored,               // contributes nothing
  kSimple,                // inline bytes only
  kInternational,         // inline bytes plus extra bytes after the text
  kUnprintable,           // no inline bytes; a positioned code in a tail block
  kUnprintableModifier,   // adds its byte to the last extra byte
  kInternationalExt,      // inline, optional extra, and a 2-bit flag
  kSignificant,           // inline bytes; counts toward the next extra code
};

struct CodeRun {
  char16_t first;
  CodeKind kind;
  std::uint8_t inline_len;   // 0..4
  std::uint32_t inline_base;
  std::uint8_t step;         // 0 or 1
  std::uint8_t extra_len;    // 0..2; for kUnprintable* the code bytes
  std::uint8_t extra[2];
  std::uint8_t flag;         // kInternationalExt only: 2 or 3
};

// A wider character that General 97 sorts as one of its 256 byte codes.
struct CharMapping {
  char16_t from;
  std::uint8_t to;
};

extern const CodeRun kGeneralLegacyRuns[];
extern const std::size_t kGeneralLegacyRunsSize;
extern const CodeRun kGeneral97Runs[];
extern const std::size_t kGeneral97RunsSize;
extern const CharMapping kGeneral97Mappings[];
extern const std::size_t kGeneral97MappingsSize;

// One character's code, expanded from its run.
struct CharCode {
  CodeKind kind = CodeKind::kIgnored;
  std::uint8_t inline_len = 0;
  std::uint8_t inline_bytes[4] = {};
  std::uint8_t extra_len = 0;
  std::uint8_t extra[2] = {};
  std::uint8_t flag = 0;
};

// The General (legacy) code of UTF-16 code unit `unit`.
CharCode legacy_code(char16_t unit);

// The General 97 code of Unicode code point `cp`: code points below 256
// index the table directly (the code page bytes decode to them), a few
// wider ones map onto it, every other one is ignored.
CharCode general97_code(std::uint32_t cp);

// True when `cp` is one of the 256 characters of code page 1252 (as the
// reader decodes its bytes): the only ones a Jet 3 text can hold, and the
// only ones General 97 has codes for.
bool in_code_page_1252(std::uint32_t cp);

}  // namespace jet::sort

