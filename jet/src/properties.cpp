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

namespace jet {
namespace {

std::vector<std::uint8_t> property_text(const std::string& text, const Format& format) {
  std::vector<std::uint8_t> out;
  const bool ok = format.is_jet4() ? utf8_to_jet4_text(text, false, out) : utf8_to_cp1252(text, out);
  if (!ok) throw Error::invalid_argument("property text '" + text + "' does not fit the file's encoding");
  return out;
}

void append_u16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void append_u32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  append_u16(out, static_cast<std::uint16_t>(v));
  append_u16(out, static_cast<std::uint16_t>(v >> 16));
}

std::vector<std::uint8_t> property_value(const Property& p, const Format& format) {
  std::vector<std::uint8_t> out;
  switch (p.type) {
    case ColumnType::boolean: out.push_back(std::get<bool>(p.value) ? 0xFF : 0x00); break;
    case ColumnType::byte: out.push_back(std::get<std::uint8_t>(p.value)); break;
    case ColumnType::integer: append_u16(out, static_cast<std::uint16_t>(std::get<std::int16_t>(p.value))); break;
    case ColumnType::long_integer: append_u32(out, static_cast<std::uint32_t>(std::get<std::int32_t>(p.value))); break;
    case ColumnType::text:
    case ColumnType::memo: out = property_text(std::get<std::string>(p.value), format); break;
    case ColumnType::binary:
    case ColumnType::ole: out = std::get<Binary>(p.value); break;
    default: throw Error::invalid_argument("property '" + p.name + "' of type " + column_type_name(p.type));
  }
  return out;
}

// Appends a chunk: length (header included), type, body.
void append_chunk(std::vector<std::uint8_t>& blob, std::uint16_t type, const std::vector<std::uint8_t>& body) {
  append_u32(blob, static_cast<std::uint32_t>(body.size() + kPropertyChunkHeaderSize));
  append_u16(blob, type);
  blob.insert(blob.end(), body.begin(), body.end());
}

}  // namespace

std::vector<std::uint8_t> encode_properties(const PropertySet& set, const Format& format) {
  if (set.blocks.empty()) return {};
  std::vector<std::string> names;
  const auto name_index = [&](const std::string& name) {
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (names[i] == name) return static_cast<std::uint16_t>(i);
    }
    names.push_back(name);
    return static_cast<std::uint16_t>(names.size() - 1);
  };
  std::vector<std::vector<std::uint8_t>> blocks;
  for (const PropertyBlock& block : set.blocks) {
    std::vector<std::uint8_t> body(4, 0);
    const auto block_name = property_text(block.name, format);
    append_u16(body, static_cast<std::uint16_t>(block_name.size()));
    body.insert(body.end(), block_name.begin(), block_name.end());
    for (const Property& p : block.properties) {
      const auto value = property_value(p, format);
      append_u16(body, static_cast<std::uint16_t>(kPropertyEntryHeaderSize + value.size()));
      body.push_back(p.ddl_flag);
      body.push_back(static_cast<std::uint8_t>(p.type));
      append_u16(body, name_index(p.name));
      append_u16(body, static_cast<std::uint16_t>(value.size()));
      body.insert(body.end(), value.begin(), value.end());
    }
    coding::put_u32(body.data(), static_cast<std::uint32_t>(body.size()));
    blocks.push_back(std::move(body));
  }
  std::vector<std::uint8_t> blob = {'M', 'R', '2', 0};
  if (!format.is_jet4()) blob = {'K', 'K', 'D', 0};
  std::vector<std::uint8_t> names_body;
  for (const std::string& name : names) {
    const auto text = property_text(name, format);
    append_u16(names_body, static_cast<std::uint16_t>(text.size()));
    names_body.insert(names_body.end(), text.begin(), text.end());
  }
  append_chunk(blob, kPropertyNamesChunk, names_body);
  for (std::size_t i = 0; i < blocks.size(); ++i) append_chunk(blob, set.blocks[i].chunk_type, blocks[i]);
  return blob;
}

}  // namespace jet
