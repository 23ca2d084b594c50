#include "value_encoder.h"

#include <algorithm>
#include <cmath>

#include "coding.h"
#include "field_decoder.h"
#include "text.h"

namespace jet {
namespace {

using u128 = unsigned __int128;

[[noreturn]] void mismatch(const ColumnDef& column, const Value& value) {
  throw refusal(jet_error::type_mismatch, "a value of the wrong type for column '" + column.name +
                                              "' (" + column_type_name(column.type) + "): " +
                                              to_display_string(value));
}

// Any integer alternative as a 64-bit number.
bool integer_of(const Value& value, std::int64_t& out) {
  if (auto v = std::get_if<std::uint8_t>(&value)) out = *v;
  else if (auto v = std::get_if<std::int16_t>(&value)) out = *v;
  else if (auto v = std::get_if<std::int32_t>(&value)) out = *v;
  else return false;
  return true;
}

template <typename T>
Value checked_integer(const ColumnDef& column, const Value& value, std::int64_t lo, std::int64_t hi) {
  std::int64_t n = 0;
  if (!integer_of(value, n)) mismatch(column, value);
  if (n < lo || n > hi) {
    throw refusal(jet_error::numeric_overflow, "value " + std::to_string(n) + " out of range for column '" +
                                                   column.name + "'");
  }
  return static_cast<T>(n);
}

u128 pow10(int n) {
  u128 r = 1;
  while (n-- > 0) r *= 10;
  return r;
}

// The decimal rescaled to the column's scale and checked against its
// precision.
Decimal fit_decimal(const ColumnDef& column, Decimal d) {
  u128 magnitude = (u128(d.high) << 64) | d.low;
  const auto overflow = [&] {
    throw refusal(jet_error::numeric_overflow, "value " + to_string(d) + " does not fit column '" +
                                                   column.name + "'");
  };
  if (d.scale < column.scale) {
    const u128 factor = pow10(column.scale - d.scale);
    if (magnitude > (~u128(0)) / factor) overflow();
    magnitude *= factor;
  } else if (d.scale > column.scale) {
    const u128 factor = pow10(d.scale - column.scale);
    if (magnitude % factor != 0) overflow();
    magnitude /= factor;
  }
  if (magnitude >= pow10(column.precision)) overflow();
  Decimal out;
  out.negative = d.negative && magnitude != 0;
  out.high = static_cast<std::uint64_t>(magnitude >> 64);
  out.low = static_cast<std::uint64_t>(magnitude);
  out.precision = column.precision;
  out.scale = column.scale;
  return out;
}

void encode_text(const ColumnDef& column, const std::string& text, const Format& format,
                 std::vector<std::uint8_t>& out) {
  const bool ok = format.is_jet4() ? utf8_to_jet4_text(text, column.is_compressed_unicode(), out)
                                   : utf8_to_cp1252(text, out);
  if (!ok) {
    throw refusal(jet_error::type_mismatch,
                  "text for column '" + column.name + "' is not valid UTF-8" +
                      (format.is_jet4() ? "" : " or has characters code page 1252 lacks"));
  }
}

void fixed_bytes(ColumnType type, const Value& v, std::vector<std::uint8_t>& b) {
  b.assign(fixed_length_of(type), 0);
  switch (type) {
    case ColumnType::byte: b[0] = std::get<std::uint8_t>(v); break;
    case ColumnType::integer: coding::put_u16(b.data(), static_cast<std::uint16_t>(std::get<std::int16_t>(v))); break;
    case ColumnType::long_integer: coding::put_u32(b.data(), static_cast<std::uint32_t>(std::get<std::int32_t>(v))); break;
    case ColumnType::money: coding::put_u64(b.data(), static_cast<std::uint64_t>(std::get<Money>(v).ten_thousandths)); break;
    case ColumnType::single: coding::put_f32(b.data(), std::get<float>(v)); break;
    case ColumnType::double_: coding::put_f64(b.data(), std::get<double>(v)); break;
    case ColumnType::datetime: coding::put_f64(b.data(), std::get<DateTime>(v).days); break;
    case ColumnType::guid: std::copy_n(std::get<Guid>(v).bytes.begin(), 16, b.begin()); break;
    case ColumnType::numeric: {
      const Decimal& d = std::get<Decimal>(v);
      b[0] = d.negative ? kNumericNegative : 0;
      coding::put_u32(&b[1], static_cast<std::uint32_t>(d.high >> 32));
      coding::put_u32(&b[5], static_cast<std::uint32_t>(d.high));
      coding::put_u32(&b[9], static_cast<std::uint32_t>(d.low >> 32));
      coding::put_u32(&b[13], static_cast<std::uint32_t>(d.low));
      break;
    }
    default: break;
  }
}

}  // namespace

Error refusal(int jet_number, const std::string& message) {
  return Error(ErrorKind::invalid_argument, message, kNoPage, jet_number);
}

Value normalize_value(const ColumnDef& column, const Value& value) {
  if (is_null(value)) return column.type == ColumnType::boolean ? Value(false) : value;
  switch (column.type) {
    case ColumnType::boolean:
      if (!std::holds_alternative<bool>(value)) mismatch(column, value);
      return value;
    case ColumnType::byte: return checked_integer<std::uint8_t>(column, value, 0, 255);
    case ColumnType::integer: return checked_integer<std::int16_t>(column, value, -32768, 32767);
    case ColumnType::long_integer:
      return checked_integer<std::int32_t>(column, value, INT32_MIN, INT32_MAX);
    case ColumnType::single:
      if (auto d = std::get_if<double>(&value)) return static_cast<float>(*d);
      if (!std::holds_alternative<float>(value)) mismatch(column, value);
      return value;
    case ColumnType::double_:
      if (auto f = std::get_if<float>(&value)) return static_cast<double>(*f);
      if (!std::holds_alternative<double>(value)) mismatch(column, value);
      return value;
    case ColumnType::money:
      if (!std::holds_alternative<Money>(value)) mismatch(column, value);
      return value;
    case ColumnType::datetime:
      if (!std::holds_alternative<DateTime>(value)) mismatch(column, value);
      return value;
    case ColumnType::text:
    case ColumnType::memo:
      if (!std::holds_alternative<std::string>(value)) mismatch(column, value);
      return value;
    case ColumnType::binary:
    case ColumnType::ole:
      if (!std::holds_alternative<Binary>(value)) mismatch(column, value);
      return value;
    case ColumnType::guid:
      if (!std::holds_alternative<Guid>(value)) mismatch(column, value);
      return value;
    case ColumnType::numeric:
      if (auto d = std::get_if<Decimal>(&value)) return fit_decimal(column, *d);
      mismatch(column, value);
    default:
      throw Error::not_supported("writing " + column_type_name(column.type) + " columns");
  }
}

void check_value_size(const ColumnDef& column, const Value& value, const Format& format) {
  if (const auto* text = std::get_if<std::string>(&value); text != nullptr && column.type == ColumnType::text) {
    const std::size_t characters = column.length / (format.is_jet4() ? 2u : 1u);
    if (text_length(*text, format) > characters) {
      throw refusal(jet_error::text_too_long, "text longer than the " + std::to_string(characters) +
                                                  " characters of column '" + column.name + "'");
    }
  }
  if (const auto* bytes = std::get_if<Binary>(&value); bytes != nullptr && column.type == ColumnType::binary &&
                                                        bytes->size() > column.length) {
    throw refusal(jet_error::text_too_long, "binary value longer than the " + std::to_string(column.length) +
                                                " bytes of column '" + column.name + "'");
  }
}

StoredField encode_value(const ColumnDef& column, const Value& value, const Format& format) {
  StoredField field;
  encode_value(column, value, format, field);
  return field;
}

void encode_value(const ColumnDef& column, const Value& value, const Format& format, StoredField& field) {
  check_value_size(column, value, format);
  field.bytes.clear();
  field.is_null = true;
  field.bit = false;
  if (column.type == ColumnType::boolean) {
    field.bit = std::get<bool>(value);
    field.is_null = false;
    return;
  }
  if (is_null(value)) return;
  switch (column.type) {
    case ColumnType::text:
    case ColumnType::memo: encode_text(column, std::get<std::string>(value), format, field.bytes); break;
    case ColumnType::binary:
    case ColumnType::ole: {
      const Binary& bytes = std::get<Binary>(value);
      field.bytes.assign(bytes.begin(), bytes.end());
      break;
    }
    default: fixed_bytes(column.type, value, field.bytes); break;
  }
  if ((column.type == ColumnType::memo || column.type == ColumnType::ole) &&
      field.bytes.size() > kMaxLongValueSize) {
    throw refusal(jet_error::record_too_large, "long value of " + std::to_string(field.bytes.size()) +
                                                   " bytes in column '" + column.name + "' (at most 16 MiB)");
  }
  field.is_null = false;
  field.bit = true;
}

}  // namespace jet
