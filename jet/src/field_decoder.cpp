#include "field_decoder.h"

#include <algorithm>
#include <string>

#include "coding.h"
#include "jet/error.h"
#include "long_value.h"
#include "text.h"

namespace jet {
namespace {

void require_size(std::span<const std::uint8_t> bytes, std::size_t wanted, ColumnType type,
                  std::uint32_t page) {
  if (bytes.size() < wanted) {
    throw Error::corruption(page, "column value",
                            std::to_string(wanted) + " bytes for a " + column_type_name(type),
                            std::to_string(bytes.size()) + " bytes");
  }
}

Decimal decode_numeric(std::span<const std::uint8_t> b, std::uint8_t precision, std::uint8_t scale) {
  Decimal d;
  d.negative = (b[0] & kNumericNegative) != 0;
  const std::uint8_t* words = b.data() + 1;
  d.high = (static_cast<std::uint64_t>(coding::get_u32(words)) << 32) | coding::get_u32(words + 4);
  d.low = (static_cast<std::uint64_t>(coding::get_u32(words + 8)) << 32) | coding::get_u32(words + 12);
  d.precision = precision;
  d.scale = scale;
  return d;
}

}  // namespace

Value decode_fixed_value(ColumnType type, std::span<const std::uint8_t> b, std::uint8_t precision,
                         std::uint8_t scale, std::uint32_t page) {
  require_size(b, fixed_length_of(type), type, page);
  switch (type) {
    case ColumnType::boolean: return !b.empty() && b[0] != 0;
    case ColumnType::byte: return b[0];
    case ColumnType::integer: return coding::get_i16(b.data());
    case ColumnType::long_integer: return coding::get_i32(b.data());
    case ColumnType::complex: return coding::get_i32(b.data());
    case ColumnType::money: return Money{coding::get_i64(b.data())};
    case ColumnType::single: return coding::get_f32(b.data());
    case ColumnType::double_: return coding::get_f64(b.data());
    case ColumnType::datetime: return DateTime{coding::get_f64(b.data())};
    case ColumnType::numeric: return decode_numeric(b, precision, scale);
    case ColumnType::guid: {
      Guid g;
      std::copy_n(b.begin(), g.bytes.size(), g.bytes.begin());
      return g;
    }
    default:
      throw Error::invalid_argument(column_type_name(type) + " is not a fixed-size type");
  }
}

Value decode_field(const ColumnDef& column, const FieldBytes& field, PageCache& pages,
                   const Format& format, std::uint32_t page) {
  if (column.type == ColumnType::boolean) return field.bit;
  if (field.is_null) return Null{};
  if (!is_decoded_type(column.type)) return Binary(field.bytes.begin(), field.bytes.end());
  switch (column.type) {
    case ColumnType::text: return decode_text(field.bytes, format);
    case ColumnType::binary: return Binary(field.bytes.begin(), field.bytes.end());
    case ColumnType::memo:
    case ColumnType::ole: {
      const LongValueRef ref = decode_long_value_ref(field.bytes, page);
      const auto bytes = read_long_value(pages, format, ref, page);
      if (column.type == ColumnType::ole) return Binary(bytes);
      return decode_text(bytes, format);
    }
    default:
      return decode_fixed_value(column.type, field.bytes, column.precision, column.scale, page);
  }
}

}  // namespace jet
