// Entry point of the structural checker and the bookkeeping it shares.
#include "jet/check.h"

#include <cstdio>

#include "check_context.h"
#include "header.h"
#include "page_file.h"

namespace jet {
namespace check_detail {

CheckContext::CheckContext(PageCache& p, const Format& f)
    : pages(p), format(f), page_count(p.page_count()), owners(p.page_count()) {}

void CheckContext::fault(std::uint32_t page, const std::string& where, const std::string& text) {
  std::string line = page == kNoPage ? "" : "page " + std::to_string(page) + " ";
  line += "(" + where + "): " + text;
  faults.push_back(Fault{page, std::move(line)});
}

void CheckContext::unreclaimed(std::uint32_t page, const std::string& text) {
  fault(page, "global usage map", text);
  faults.back().kind = FaultKind::unreclaimed;
}

void CheckContext::fault(const Error& error, const std::string& where) {
  std::uint32_t page = error.page().value_or(kNoPage);
  faults.push_back(Fault{page, where + ": " + error.what()});
}

bool CheckContext::in_file(std::uint32_t page, const std::string& where) {
  if (page < page_count) return true;
  fault(page, where,
        "expected a page below " + std::to_string(page_count) + ", found a pointer past the end");
  return false;
}

void CheckContext::claim(std::uint32_t page, const std::string& owner) {
  if (!in_file(page, owner)) return;
  std::string& held = owners[page];
  if (held.empty()) {
    held = owner;
  } else if (held != owner || owner != kMapRowsOwner) {
    fault(page, owner, "expected a page of its own, found it also claimed by " + held);
  }
}

std::string hex8(std::uint8_t value) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", value);
  return buf;
}

}  // namespace check_detail

std::vector<Fault> check(const std::filesystem::path& path) {
  PageFile file(path.string(), PageFile::Mode::read_only);
  std::vector<std::uint8_t> page0(std::min<std::uint64_t>(file.size(), kJet4Format.page_size));
  if (page0.size() < kHeaderMinimumSize) {
    throw Error::corruption(0, "header", "a header page", std::to_string(page0.size()) + " bytes");
  }
  file.read_at(0, page0);
  const Format& format = Format::of(detect_version(page0));
  PageCache pages(file, format.page_size);
  if (pages.page_count() < 3) {
    throw Error::corruption(kNoPage, "file", "at least 3 pages",
                            std::to_string(pages.page_count()) + " pages");
  }
  check_detail::CheckContext ctx(pages, format);
  ctx.claim(0, "database header");
  ctx.claim(1, check_detail::kMapRowsOwner);  // the global map's row, maybe others
  check_detail::read_global_free_map(ctx);
  for (const auto& table : check_detail::read_catalog(ctx)) check_detail::check_table(ctx, table);
  check_detail::check_page_accounting(ctx);
  return std::move(ctx.faults);
}

}  // namespace jet
