// Page accounting: the global usage map of free pages, and the final pass
// that finds pages nobody owns.
#include <map>

#include "check_context.h"
#include "coding.h"
#include "data_page.h"

namespace jet::check_detail {
namespace {

constexpr RowPointer kGlobalMapRow{1, 0};
constexpr const char* kGlobalMap = "global usage map";
constexpr std::size_t kMaxUnownedFaults = 20;  // then one summary line

void add_free_bits(CheckContext& ctx, coding::Bytes bitmap, std::uint64_t first) {
  for (std::size_t i = 0; i < bitmap.size(); ++i) {
    for (int bit = 0; bit < 8; ++bit) {
      std::uint64_t page = first + i * 8 + bit;
      if ((bitmap[i] >> bit & 1) && page < ctx.page_count) ctx.free_pages.insert(std::uint32_t(page));
    }
  }
}

// A reference map lists 0x05 pages; each one's bitmap covers a fixed span.
// Access leaves stale bytes after the pointers it uses, so pointers past
// the end of the file are skipped (the pages they would free do not exist).
void read_reference_map(CheckContext& ctx, coding::Bytes row) {
  const std::uint64_t span = (ctx.format.page_size - 4) * 8ull;
  for (std::size_t at = 1, i = 0; at + 4 <= row.size(); at += 4, ++i) {
    std::uint32_t map_page = coding::get_u32(row.data() + at);
    if (map_page == 0 || map_page >= ctx.page_count) continue;
    ctx.claim(map_page, kGlobalMap);
    PageRef page = ctx.pages.get(map_page);
    if (page->bytes[0] != page_type::usage_map) {
      ctx.fault(map_page, kGlobalMap, "expected page type 0x05, found " + coding::hex_byte(page->bytes[0]));
      continue;
    }
    add_free_bits(ctx, page->view().subspan(4), i * span);
  }
}

// "of type 0x01 (owner field: TDEF page 5)"; the field is named only for
// the page types that have one.
std::string page_description(coding::Bytes page) {
  std::uint8_t type = page[0];
  std::string text = "of type " + coding::hex_byte(type);
  bool has_owner = type == page_type::data || type == page_type::index_node ||
                   type == page_type::index_leaf;
  if (!has_owner) return text;
  std::uint32_t owner = coding::get_u32(page.data() + kPageOwnerOffset);
  return text + " (owner field: " + owner_text(owner) + ")";
}

}  // namespace

void read_global_free_map(CheckContext& ctx) {
  try {
    LocatedRow row = locate_row(ctx.pages, ctx.format, kGlobalMapRow, 1);
    coding::ByteReader map(row.bytes, 1, kGlobalMap);
    std::uint8_t type = map.u8(0);
    if (type == 0) {
      std::uint32_t first = map.u32(1);  // checks the 5-byte header is there
      add_free_bits(ctx, row.bytes.subspan(5), first);
    } else if (type == 1) {
      read_reference_map(ctx, row.bytes);
    } else {
      ctx.fault(1, kGlobalMap, "expected map type 0x00 or 0x01, found " + coding::hex_byte(type));
    }
  } catch (const Error& e) {
    ctx.fault(e, kGlobalMap);
  }
}

// The TDEF page a data or index page names as its owner, or 0.
std::uint32_t owner_field(coding::Bytes page) {
  std::uint8_t type = page[0];
  bool has_owner = type == page_type::data || type == page_type::index_node ||
                   type == page_type::index_leaf;
  return has_owner ? coding::get_u32(page.data() + kPageOwnerOffset) : 0;
}

// Counts lines of one kind and turns the ones past the cap into a summary.
struct CappedLines {
  std::size_t count = 0;
  bool take() { return ++count <= kMaxUnownedFaults; }
  std::size_t extra() const { return count > kMaxUnownedFaults ? count - kMaxUnownedFaults : 0; }
};

void check_page_accounting(CheckContext& ctx) {
  std::map<std::uint32_t, std::size_t> unchecked;  // per unreadable TDEF
  CappedLines missing, leaked;
  for (std::uint32_t page = 0; page < ctx.page_count; ++page) {
    bool is_free = ctx.free_pages.count(page) != 0;
    const std::string& owner = ctx.owners[page];
    if (!owner.empty() && is_free) {
      ctx.fault(page, kGlobalMap, "expected a used page, found " + owner + " marked free");
      continue;
    }
    if (!owner.empty() || is_free) continue;
    PageRef bytes = ctx.pages.get(page);
    std::uint32_t named = owner_field(bytes->view());
    std::string found = "found an unowned page " + page_description(bytes->view());
    if (ctx.unreadable_tdefs.count(named)) {
      ++unchecked[named];
    } else if (ctx.live_tdefs.count(named) || ctx.long_value_pages.count(page)) {
      if (missing.take()) ctx.fault(page, kGlobalMap, "expected it in a usage map, " + found + " that live data uses");
    } else if (leaked.take()) {
      ctx.unreclaimed(page, "expected an owner or a free mark, " + found + " that nothing live uses");
    }
  }
  if (missing.extra()) {
    ctx.fault(kNoPage, kGlobalMap, "and " + std::to_string(missing.extra()) + " more pages missing from usage maps");
  }
  if (leaked.extra()) {
    ctx.unreclaimed(kNoPage, "and " + std::to_string(leaked.extra()) + " more unreclaimed pages");
  }
  for (const auto& [tdef, count] : unchecked) {
    ctx.fault(tdef, kGlobalMap, std::to_string(count) + " pages of this unreadable table left unchecked");
  }
}

}  // namespace jet::check_detail
