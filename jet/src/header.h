// Decoder of the database header page (page 0), Jet 3 and Jet 4.
//
// Byte order little-endian. Offsets are from the start of page 0.
//   off   size      meaning
//   0x00  4         magic 00 01 00 00
//   0x04  16        engine name "Standard Jet DB" (NUL padded)
//   0x14  4         version: 0 = Jet 3, 1 = Jet 4 (higher = later ACE)
//   0x18  126 / 128 masked region (Jet 3 / Jet 4): RC4 with key C7 DA 39 6B
//     0x18  24        commit table (kept verbatim)
//     0x3A  2         Jet 3: sort order LCID
//     0x3C  2         code page
//     0x3E  4         database key (0 = not encoded)
//     0x42  20 / 40   password (Jet 3 code page / Jet 4 UCS-2); Jet 4 XORs
//                     it again with the 4 bytes of (int32) creation date
//     0x6E  4         Jet 4: sort order LCID (2 bytes), byte 0x71 = version
//     0x72  8         Jet 4: creation date (double, OLE date)
//   0x9C  4           Jet 4: engine version text "4.0" (after the region)
#pragma once

#include <cstdint>
#include <span>

#include "jet/types.h"

namespace jet {

inline constexpr std::uint32_t kHeaderMagic = 0x00000100;
inline constexpr std::size_t kHeaderMagicOffset = 0x00;
inline constexpr std::size_t kEngineNameOffset = 0x04;
inline constexpr std::size_t kEngineNameSize = 16;
inline constexpr std::size_t kVersionOffset = 0x14;
inline constexpr std::size_t kMaskedRegionOffset = 0x18;
inline constexpr std::size_t kJet3MaskedRegionSize = 126;
inline constexpr std::size_t kJet4MaskedRegionSize = 128;
inline constexpr std::size_t kCommitTableSize = 24;
inline constexpr std::size_t kJet3SortOrderOffset = 0x3A;
inline constexpr std::size_t kCodePageOffset = 0x3C;
inline constexpr std::size_t kDatabaseKeyOffset = 0x3E;
inline constexpr std::size_t kPasswordOffset = 0x42;
inline constexpr std::size_t kJet3PasswordSize = 20;
inline constexpr std::size_t kJet4PasswordSize = 40;
inline constexpr std::size_t kJet4SortOrderOffset = 0x6E;
inline constexpr std::size_t kJet4CreationDateOffset = 0x72;
inline constexpr std::size_t kJet4VersionTextOffset = 0x9C;
inline constexpr std::size_t kJet4VersionTextSize = 4;
// Bytes that must be present to decode either version's header.
inline constexpr std::size_t kHeaderMinimumSize = kJet4VersionTextOffset + kJet4VersionTextSize;

static_assert(kMaskedRegionOffset + kCommitTableSize <= kJet3SortOrderOffset);
static_assert(kPasswordOffset + kJet4PasswordSize <= kJet4SortOrderOffset);
static_assert(kJet4CreationDateOffset + 8 <= kMaskedRegionOffset + kJet4MaskedRegionSize);
static_assert(kPasswordOffset + kJet3PasswordSize <= kMaskedRegionOffset + kJet3MaskedRegionSize);

// Reads the version byte only. Throws jet::Error (corruption, page 0) when
// the magic or engine name is wrong, (not_supported) for ACE versions.
JetVersion detect_version(std::span<const std::uint8_t> page0);

// XORs the masked region with its RC4 key stream. The mask is its own
// inverse: applying it twice restores the original.
// REQUIRES: page0.size() >= kMaskedRegionOffset + region size of `version`.
void apply_header_mask(std::span<std::uint8_t> page0, JetVersion version);

// Decodes page 0 as stored in the file (still masked). Throws jet::Error
// (corruption, page 0) on a short page or wrong magic.
DatabaseHeader decode_header(std::span<const std::uint8_t> page0);

// Writes `header` into `page0` as stored (masked), the inverse of
// decode_header: bytes the header does not describe are left as they are,
// so encoding onto a copy of a decoded page reproduces it. Throws
// jet::Error (invalid_argument) if page0 is shorter than kHeaderMinimumSize,
// the engine name is longer than 15 bytes, the commit table is not 24
// bytes, or the password does not fit (20 characters).
void encode_header(const DatabaseHeader& header, std::span<std::uint8_t> page0);

}  // namespace jet
