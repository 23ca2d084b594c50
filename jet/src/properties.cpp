#include "properties.h"

#include <cstring>
#include <string>
#include <vector>

#include "coding.h"
#include "field_decoder.h"
#include "jet/error.h"
#include "text.h"

namespace jet {
namespace {

class BlobParser {
 public:
  BlobParser(std::span<const std::uint8_t> blob, const Format& format, std::uint32_t page)
      : in_(blob, page, "property blob"), format_(format) {}

  PropertySet parse();

 private:
  void parse_names(std::span<const std::uint8_t> body);
  PropertyBlock parse_block(std::span<const std::uint8_t> body, std::uint16_t chunk_type);
  Property parse_entry(std::span<const std::uint8_t> entry);
  Value decode_value(ColumnType type, std::span<const std::uint8_t> bytes);
  [[noreturn]] void fail(const std::string& expected, const std::string& found) const {
    throw Error::corruption(in_.page(), "property blob", expected, found);
  }

  coding::ByteReader in_;
  const Format& format_;
  std::vector<std::string> names_;
  bool have_names_ = false;
};

PropertySet BlobParser::parse() {
  PropertySet set;
  if (in_.size() == 0) return set;
  const auto magic = in_.slice(0, kPropertyMagicSize);
  const char* expected = format_.is_jet4() ? "MR2" : "KKD";
  if (std::memcmp(magic.data(), expected, 4) != 0) fail(std::string("magic ") + expected, "other bytes");
  std::size_t pos = kPropertyMagicSize;
  while (pos + kPropertyChunkHeaderSize <= in_.size()) {
    const std::uint32_t length = in_.u32(pos);
    const std::uint16_t type = in_.u16(pos + 4);
    if (length < kPropertyChunkHeaderSize || length > in_.size() - pos) {
      fail("a chunk inside the blob", "length " + std::to_string(length) + " at " + std::to_string(pos));
    }
    const auto body = in_.slice(pos + kPropertyChunkHeaderSize, length - kPropertyChunkHeaderSize);
    if (type == kPropertyNamesChunk) {
      parse_names(body);
    } else if (type <= 0x02) {
      if (!have_names_) fail("the names chunk before values", "values first");
      set.blocks.push_back(parse_block(body, type));
    }  // other chunk types carry nothing we read
    pos += length;
  }
  return set;
}

void BlobParser::parse_names(std::span<const std::uint8_t> body) {
  coding::ByteReader names(body, in_.page(), "property names");
  names_.clear();
  for (std::size_t pos = 0; pos + 2 <= body.size();) {
    const std::uint16_t length = names.u16(pos);
    names_.push_back(decode_text(names.slice(pos + 2, length), format_));
    pos += 2 + length;
  }
  have_names_ = true;
}

PropertyBlock BlobParser::parse_block(std::span<const std::uint8_t> body, std::uint16_t chunk_type) {
  coding::ByteReader block(body, in_.page(), "property block");
  PropertyBlock out;
  out.chunk_type = chunk_type;
  const std::uint16_t name_length = block.u16(4);
  out.name = decode_text(block.slice(6, name_length), format_);
  for (std::size_t pos = 6 + name_length; pos + kPropertyEntryHeaderSize <= body.size();) {
    const std::uint16_t length = block.u16(pos);
    if (length < kPropertyEntryHeaderSize) fail("an entry of at least 8 bytes", std::to_string(length));
    out.properties.push_back(parse_entry(block.slice(pos, length)));
    pos += length;
  }
  return out;
}

Property BlobParser::parse_entry(std::span<const std::uint8_t> entry) {
  coding::ByteReader in(entry, in_.page(), "property entry");
  Property p;
  p.ddl_flag = in.u8(2);
  p.type = static_cast<ColumnType>(in.u8(3));
  const std::uint16_t name_index = in.u16(4);
  if (name_index >= names_.size()) {
    fail("a name index below " + std::to_string(names_.size()), std::to_string(name_index));
  }
  p.name = names_[name_index];
  p.value = decode_value(p.type, in.slice(kPropertyEntryHeaderSize, in.u16(6)));
  return p;
}

Value BlobParser::decode_value(ColumnType type, std::span<const std::uint8_t> bytes) {
  switch (type) {
    case ColumnType::boolean: return !bytes.empty() && bytes[0] != 0;
    case ColumnType::text:
    case ColumnType::memo: return decode_text(bytes, format_);
    case ColumnType::binary:
    case ColumnType::ole: return Binary(bytes.begin(), bytes.end());
    case ColumnType::byte:
    case ColumnType::integer:
    case ColumnType::long_integer:
    case ColumnType::money:
    case ColumnType::single:
    case ColumnType::double_:
    case ColumnType::datetime:
    case ColumnType::guid:
    case ColumnType::numeric:
      return decode_fixed_value(type, bytes, 18, 0, in_.page());
    default:
      return Binary(bytes.begin(), bytes.end());  // unknown types stay raw
  }
}

}  // namespace

PropertySet decode_properties(std::span<const std::uint8_t> blob, const Format& format,
                              std::uint32_t page) {
  return BlobParser(blob, format, page).parse();
}

}  // namespace jet
