#include "platform/dao/row_room.h"

#include <string>

namespace dao_impl {
namespace {

// U+4E00: one UTF-16 unit whose low byte is zero, so Jet 4 stores it
// uncompressed, two bytes a character.
constexpr char kWidestJet4Character[] = "\xE4\xB8\x80";
constexpr std::size_t kLongValueCheckedAbove = 1 << 20;

jet::Value widest_value(const jet::ColumnDef& column, bool jet3) {
  using jet::ColumnType;
  switch (column.type) {
    case ColumnType::boolean: return true;
    case ColumnType::byte: return std::uint8_t{0};
    case ColumnType::integer: return std::int16_t{0};
    case ColumnType::long_integer: return std::int32_t{0};
    case ColumnType::money: return jet::Money{};
    case ColumnType::single: return 0.0f;
    case ColumnType::double_: return 0.0;
    case ColumnType::datetime: return jet::DateTime{};
    case ColumnType::binary: return jet::Binary(column.length, 0);
    case ColumnType::ole: return jet::Binary(1, 0);
    case ColumnType::memo: return std::string("x");
    case ColumnType::text: {
      if (jet3) return std::string(column.length, 'x');
      std::string text;
      for (std::size_t i = 0; i < column.length / 2u; ++i) text += kWidestJet4Character;
      return text;
    }
    default: return jet::Null{};
  }
}

}  // namespace

std::vector<jet::Value> widest_row(const jet::TableDef& table, bool jet3) {
  std::vector<jet::Value> row;
  row.reserve(table.columns.size());
  for (const jet::ColumnDef& column : table.columns) row.push_back(widest_value(column, jet3));
  return row;
}

bool beyond_widest(const jet::ColumnDef& column, const jet::Value& value, bool jet3) {
  using jet::ColumnType;
  if (column.type == ColumnType::memo || column.type == ColumnType::ole) {
    const auto* text = std::get_if<std::string>(&value);
    const auto* bytes = std::get_if<jet::Binary>(&value);
    std::size_t size = text != nullptr ? text->size() : bytes != nullptr ? bytes->size() : 0;
    return size > kLongValueCheckedAbove;
  }
  if (column.type != ColumnType::text || jet3) return false;
  const auto* text = std::get_if<std::string>(&value);
  return text != nullptr && text->size() > column.length / 2u;
}

}  // namespace dao_impl
