// Structural checker of Jet 3 and Jet 4 files.
//
// What it checks:
//   - every page is accounted for exactly once: owned by one table (its
//     TDEF, data, long-value and index pages, and the pages that hold its
//     usage maps), or marked free in the global usage map (page 1 row 0);
//     a page neither owned nor free is damage when a live table names it as
//     owner or a live row's long value runs through it, else unreclaimed
//   - each usage map agrees with the owner written on the pages it lists
//   - every row of every table decodes, and every long value chain
//     (LVAL pages) is whole
//   - every index is ordered, its leaf chain is intact (prev/next agree and
//     visit the leaves in tree order), it holds each live row exactly once,
//     each entry's key equals the key encoder's key of its row, and a
//     unique index repeats no key (except where a key column is null)
//   - user tables hold as many rows as their TDEF says
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "jet/error.h"

namespace jet {

enum class FaultKind {
  damage,       // data is wrong, unreachable or at risk of being overwritten
  unreclaimed,  // a page neither owned nor marked free that nothing live
                // refers to: space Access (or we) failed to give back, as
                // Access leaves after deleting a table until compaction
};

// One thing found wrong. `message` is one line naming the page (when tied
// to one), the structure, what was expected and what was found.
struct Fault {
  std::uint32_t page = kNoPage;
  std::string message;
  FaultKind kind = FaultKind::damage;
};

// True when `faults` holds no damage (and, when `strict`, no unreclaimed
// pages either).
inline bool is_sound(const std::vector<Fault>& faults, bool strict = false) {
  for (const Fault& f : faults) {
    if (strict || f.kind == FaultKind::damage) return false;
  }
  return true;
}

// Checks the database at `path` and returns every fault found (empty when
// the file is sound). Damage never stops the check early: each table,
// index and page is checked on its own.
// Throws jet::Error when the file is not a readable database at all, as
// Database::open does: it cannot be opened, its header is not a Jet 3 or
// Jet 4 header, it is not a whole number of pages (at least 3), it is
// encoded (database key set), or it is Jet 3 in a code page other than 1252.
std::vector<Fault> check(const std::filesystem::path& path);

}  // namespace jet
