#include "long_value.h"

#include <set>
#include <string>

#include "coding.h"
#include "data_page.h"
#include "jet/error.h"

namespace jet {
namespace {

[[noreturn]] void broken(std::uint32_t page, const std::string& expected, const std::string& found) {
  throw Error::corruption(page, "long value", expected, found);
}

}  // namespace

LongValueRef decode_long_value_ref(std::span<const std::uint8_t> field, std::uint32_t page) {
  if (field.size() < kLongValueHeaderSize) {
    broken(page, std::to_string(kLongValueHeaderSize) + " bytes of reference",
           std::to_string(field.size()) + " bytes");
  }
  LongValueRef ref;
  ref.length = coding::get_u24(field.data());
  const std::uint8_t flag = field[3];
  ref.first_row = RowPointer::from_word(coding::get_u32(field.data() + 4));
  if (flag == kLongValueInline) {
    ref.storage = LongValueStorage::inline_value;
    if (ref.length > field.size() - kLongValueHeaderSize) {
      broken(page, "an inline value within its field",
             std::to_string(ref.length) + " bytes in a field of " + std::to_string(field.size()));
    }
    ref.inline_bytes = field.subspan(kLongValueHeaderSize, ref.length);
  } else if (flag == kLongValueSinglePage) {
    ref.storage = LongValueStorage::single_page;
  } else if (flag == kLongValueChain) {
    ref.storage = LongValueStorage::chain;
  } else {
    broken(page, "storage flag 0x80, 0x40 or 0x00", "flag " + std::to_string(flag));
  }
  return ref;
}

std::vector<std::uint8_t> read_long_value(PageCache& pages, const Format& format,
                                          const LongValueRef& ref, std::uint32_t page) {
  if (ref.storage == LongValueStorage::inline_value) {
    return {ref.inline_bytes.begin(), ref.inline_bytes.end()};
  }
  if (ref.storage == LongValueStorage::single_page) {
    const LocatedRow row = locate_row(pages, format, ref.first_row, page);
    if (row.bytes.size() < ref.length) {
      broken(row.page->number, std::to_string(ref.length) + " bytes in the LVAL row",
             std::to_string(row.bytes.size()) + " bytes");
    }
    return {row.bytes.begin(), row.bytes.begin() + ref.length};
  }
  std::vector<std::uint8_t> value;
  value.reserve(ref.length);
  std::set<std::uint32_t> seen;
  RowPointer next = ref.first_row;
  std::uint32_t from = page;
  while (value.size() < ref.length) {
    if (next.page == 0) broken(from, std::to_string(ref.length) + " bytes in the chain",
                               std::to_string(value.size()) + " bytes before its end");
    if (!seen.insert(next.to_word()).second) broken(from, "a chain without loops", "a loop");
    const LocatedRow row = locate_row(pages, format, next, from);
    if (row.bytes.size() < kLongValueChainLinkSize) {
      broken(row.page->number, "a chain row with a link", std::to_string(row.bytes.size()) + " bytes");
    }
    const auto piece = row.bytes.subspan(kLongValueChainLinkSize);
    const std::size_t wanted = std::min<std::size_t>(piece.size(), ref.length - value.size());
    value.insert(value.end(), piece.begin(), piece.begin() + wanted);
    next = RowPointer::from_word(coding::get_u32(row.bytes.data()));
    from = row.page->number;
  }
  return value;
}

}  // namespace jet
