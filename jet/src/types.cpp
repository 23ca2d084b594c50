#include "jet/types.h"

#include <cctype>

namespace jet {

std::string column_type_name(ColumnType type) {
  switch (type) {
    case ColumnType::boolean: return "Boolean";
    case ColumnType::byte: return "Byte";
    case ColumnType::integer: return "Integer";
    case ColumnType::long_integer: return "Long Integer";
    case ColumnType::money: return "Currency";
    case ColumnType::single: return "Single";
    case ColumnType::double_: return "Double";
    case ColumnType::datetime: return "DateTime";
    case ColumnType::binary: return "Binary";
    case ColumnType::text: return "Text";
    case ColumnType::ole: return "OLE";
    case ColumnType::memo: return "Memo";
    case ColumnType::guid: return "Replication ID";
    case ColumnType::numeric: return "Numeric";
    case ColumnType::complex: return "Complex";
    case ColumnType::unknown_0d: return "Unknown 0x0D";
    case ColumnType::unknown_0e: return "Unknown 0x0E";
    case ColumnType::unknown_11: return "Unknown 0x11";
    case ColumnType::big_int: return "Big Integer";
  }
  return "Unknown";
}

std::uint16_t fixed_length_of(ColumnType type) {
  switch (type) {
    case ColumnType::boolean: return 0;  // lives in the null mask
    case ColumnType::byte: return 1;
    case ColumnType::integer: return 2;
    case ColumnType::long_integer: return 4;
    case ColumnType::money: return 8;
    case ColumnType::single: return 4;
    case ColumnType::double_: return 8;
    case ColumnType::datetime: return 8;
    case ColumnType::guid: return 16;
    case ColumnType::numeric: return 17;
    case ColumnType::complex: return 4;
    default: return 0;
  }
}

bool is_decoded_type(ColumnType type) {
  switch (type) {
    case ColumnType::unknown_0d:
    case ColumnType::unknown_0e:
    case ColumnType::unknown_11:
    case ColumnType::big_int:
      return false;
    default:
      return true;
  }
}

bool is_fixed_length_type(ColumnType type) {
  return type == ColumnType::boolean || fixed_length_of(type) != 0;
}

const ColumnDef* TableDef::find_column(const std::string& wanted) const {
  auto same = [](const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (std::tolower(static_cast<unsigned char>(a[i])) !=
          std::tolower(static_cast<unsigned char>(b[i])))
        return false;
    }
    return true;
  };
  for (const auto& column : columns) {
    if (same(column.name, wanted)) return &column;
  }
  return nullptr;
}

}  // namespace jet
