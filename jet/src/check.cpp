// Entry point of the structural checker and the bookkeeping it shares.
#include "jet/check.h"

#include "check_context.h"
#include "data_page.h"
#include "open_file.h"

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

std::string owner_text(std::uint32_t owner) {
  return owner == kLvalMarker ? "LVAL" : "TDEF page " + std::to_string(owner);
}

}  // namespace check_detail

std::vector<Fault> check(const std::filesystem::path& path) {
  OpenedFile opened = open_database_file(path.string(), PageFile::Mode::read_only);
  const Format& format = *opened.format;
  PageCache pages(opened.file, format.page_size);
  check_detail::CheckContext ctx(pages, format);
  ctx.claim(0, "database header");
  ctx.claim(1, check_detail::kMapRowsOwner);  // the global map's row, maybe others
  check_detail::read_global_free_map(ctx);
  for (const auto& table : check_detail::read_catalog(ctx)) check_detail::check_table(ctx, table);
  check_detail::check_page_accounting(ctx);
  return std::move(ctx.faults);
}

}  // namespace jet
