#include "header.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "coding.h"
#include "jet/error.h"
#include "text.h"

namespace jet {
namespace {

constexpr std::array<std::uint8_t, 4> kMaskKey = {0xC7, 0xDA, 0x39, 0x6B};
constexpr char kJetEngineName[] = "Standard Jet DB";

// RC4 key stream XORed over `data`.
void rc4_xor(std::span<const std::uint8_t> key, std::span<std::uint8_t> data) {
  std::array<std::uint8_t, 256> s{};
  for (int i = 0; i < 256; ++i) s[i] = static_cast<std::uint8_t>(i);
  std::uint8_t j = 0;
  for (int i = 0; i < 256; ++i) {
    j = static_cast<std::uint8_t>(j + s[i] + key[i % key.size()]);
    std::swap(s[i], s[j]);
  }
  std::uint8_t a = 0;
  std::uint8_t b = 0;
  for (auto& byte : data) {
    a = static_cast<std::uint8_t>(a + 1);
    b = static_cast<std::uint8_t>(b + s[a]);
    std::swap(s[a], s[b]);
    byte ^= s[static_cast<std::uint8_t>(s[a] + s[b])];
  }
}

std::size_t masked_size(JetVersion version) {
  return version == JetVersion::jet3 ? kJet3MaskedRegionSize : kJet4MaskedRegionSize;
}

std::string trim_nuls(std::string text) {
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

std::string decode_password(std::span<const std::uint8_t> page, const DatabaseHeader& header) {
  const bool j4 = header.version == JetVersion::jet4;
  std::vector<std::uint8_t> bytes(page.begin() + kPasswordOffset,
                                  page.begin() + kPasswordOffset +
                                      (j4 ? kJet4PasswordSize : kJet3PasswordSize));
  if (j4 && header.creation_date) {
    std::uint8_t mask[4];
    const double date = *header.creation_date;
    const bool representable = std::isfinite(date) && date > -2147483648.0 && date < 2147483648.0;
    coding::put_u32(mask, representable ? static_cast<std::uint32_t>(static_cast<std::int32_t>(date)) : 0);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] ^= mask[i % 4];
  }
  // A run of zero characters ends the password.
  std::size_t length = 0;
  const std::size_t unit = j4 ? 2 : 1;
  while (length + unit <= bytes.size() &&
         (bytes[length] != 0 || (j4 && bytes[length + 1] != 0))) {
    length += unit;
  }
  const std::span<const std::uint8_t> used(bytes.data(), length);
  return j4 ? ucs2_to_utf8(used) : cp1252_to_utf8(used);
}

// The password bytes as stored before the RC4 mask (Jet 4 also XORs them
// with the creation date's 4 bytes).
std::vector<std::uint8_t> encode_password(const DatabaseHeader& header) {
  const bool j4 = header.version == JetVersion::jet4;
  std::vector<std::uint8_t> bytes(j4 ? kJet4PasswordSize : kJet3PasswordSize, 0);
  std::size_t at = 0;
  for (unsigned char c : header.password) {
    if (at >= bytes.size()) throw Error::invalid_argument("password longer than 20 characters");
    if (c >= 0x80) throw Error::invalid_argument("password must be ASCII");
    bytes[at] = c;
    at += j4 ? 2 : 1;
  }
  if (j4 && header.creation_date) {
    std::uint8_t mask[4];
    coding::put_u32(mask, static_cast<std::uint32_t>(static_cast<std::int32_t>(*header.creation_date)));
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] ^= mask[i % 4];
  }
  return bytes;
}

void write_text(std::uint8_t* at, const std::string& text, std::size_t size) {
  std::fill(at, at + size, 0);
  std::copy(text.begin(), text.end(), at);
}

}  // namespace

JetVersion detect_version(std::span<const std::uint8_t> page0) {
  if (page0.size() < kHeaderMinimumSize) {
    throw Error::corruption(0, "database header", std::to_string(kHeaderMinimumSize) + " bytes",
                            std::to_string(page0.size()) + " bytes");
  }
  const std::uint32_t magic = coding::get_u32(page0.data() + kHeaderMagicOffset);
  const std::string name(reinterpret_cast<const char*>(page0.data() + kEngineNameOffset),
                         sizeof(kJetEngineName) - 1);
  if (magic != kHeaderMagic || name != kJetEngineName) {
    throw Error::corruption(0, "database header", "a Jet database (\"Standard Jet DB\")",
                            "something else");
  }
  const std::uint32_t version = coding::get_u32(page0.data() + kVersionOffset);
  if (version == 0) return JetVersion::jet3;
  if (version == 1) return JetVersion::jet4;
  throw Error::not_supported("database version " + std::to_string(version) +
                             " (only Jet 3 and Jet 4 files are read)");
}

void apply_header_mask(std::span<std::uint8_t> page0, JetVersion version) {
  rc4_xor(kMaskKey, page0.subspan(kMaskedRegionOffset, masked_size(version)));
}

DatabaseHeader decode_header(std::span<const std::uint8_t> stored) {
  DatabaseHeader header;
  header.version = detect_version(stored);
  std::vector<std::uint8_t> page(stored.begin(), stored.begin() + kHeaderMinimumSize);
  apply_header_mask(page, header.version);
  const std::uint8_t* p = page.data();
  header.engine_name = trim_nuls(std::string(reinterpret_cast<const char*>(p + kEngineNameOffset),
                                             kEngineNameSize));
  header.commit_table.assign(p + kMaskedRegionOffset,
                             p + kMaskedRegionOffset + kCommitTableSize);
  header.code_page = coding::get_u16(p + kCodePageOffset);
  header.database_key = coding::get_u32(p + kDatabaseKeyOffset);
  if (header.version == JetVersion::jet3) {
    header.sort_order = coding::get_u16(p + kJet3SortOrderOffset);
  } else {
    header.sort_order = coding::get_u16(p + kJet4SortOrderOffset);
    header.sort_version = p[kJet4SortOrderOffset + 3];
    header.creation_date = coding::get_f64(p + kJet4CreationDateOffset);
    header.engine_version_text = trim_nuls(std::string(
        reinterpret_cast<const char*>(p + kJet4VersionTextOffset), kJet4VersionTextSize));
  }
  header.password = decode_password(page, header);
  return header;
}

void encode_header(const DatabaseHeader& header, std::span<std::uint8_t> page0) {
  if (page0.size() < kHeaderMinimumSize) throw Error::invalid_argument("header page too short");
  if (header.engine_name.size() >= kEngineNameSize) throw Error::invalid_argument("engine name too long");
  if (header.commit_table.size() != kCommitTableSize) throw Error::invalid_argument("commit table must be 24 bytes");
  const bool j4 = header.version == JetVersion::jet4;
  const std::vector<std::uint8_t> password = encode_password(header);
  std::uint8_t* p = page0.data();
  coding::put_u32(p + kHeaderMagicOffset, kHeaderMagic);
  write_text(p + kEngineNameOffset, header.engine_name, kEngineNameSize);
  coding::put_u32(p + kVersionOffset, static_cast<std::uint32_t>(header.version));
  apply_header_mask(page0, header.version);  // unmask, edit, mask again
  std::copy(header.commit_table.begin(), header.commit_table.end(), p + kMaskedRegionOffset);
  coding::put_u16(p + kCodePageOffset, header.code_page);
  coding::put_u32(p + kDatabaseKeyOffset, header.database_key);
  std::copy(password.begin(), password.end(), p + kPasswordOffset);
  if (j4) {
    coding::put_u16(p + kJet4SortOrderOffset, header.sort_order);
    p[kJet4SortOrderOffset + 3] = header.sort_version;
    coding::put_f64(p + kJet4CreationDateOffset, header.creation_date.value_or(0.0));
  } else {
    coding::put_u16(p + kJet3SortOrderOffset, header.sort_order);
  }
  apply_header_mask(page0, header.version);
  if (j4) write_text(p + kJet4VersionTextOffset, header.engine_version_text, kJet4VersionTextSize);
}

}  // namespace jet
