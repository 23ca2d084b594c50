// Byte helpers for the Jet file format: every fixed-width read and write of a
// page or blob goes through here (never a struct cast onto a buffer).
//
// Byte order: Jet stores integers little-endian; page numbers inside row
// pointers are 24-bit little-endian; index keys use big-endian integers.
// The raw functions below take a pointer and trust the caller for bounds;
// ByteReader checks bounds and reports damage as jet::Error (corruption).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "jet/error.h"

namespace jet::coding {

// "0x04": a byte as messages show it.
inline std::string hex_byte(std::uint8_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("0x") + kDigits[value >> 4] + kDigits[value & 0x0F];
}

using Bytes = std::span<const std::uint8_t>;
using MutableBytes = std::span<std::uint8_t>;

inline std::uint8_t get_u8(const std::uint8_t* p) { return p[0]; }

inline std::uint16_t get_u16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t get_u24(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16);
}

inline std::uint32_t get_u32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::uint64_t get_u64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(get_u32(p)) |
         (static_cast<std::uint64_t>(get_u32(p + 4)) << 32);
}

inline std::int16_t get_i16(const std::uint8_t* p) { return static_cast<std::int16_t>(get_u16(p)); }
inline std::int32_t get_i32(const std::uint8_t* p) { return static_cast<std::int32_t>(get_u32(p)); }
inline std::int64_t get_i64(const std::uint8_t* p) { return static_cast<std::int64_t>(get_u64(p)); }
inline float get_f32(const std::uint8_t* p) { return std::bit_cast<float>(get_u32(p)); }
inline double get_f64(const std::uint8_t* p) { return std::bit_cast<double>(get_u64(p)); }

inline std::uint16_t get_u16_be(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

inline std::uint32_t get_u24_be(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 16) | (static_cast<std::uint32_t>(p[1]) << 8) | p[2];
}

inline std::uint32_t get_u32_be(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

inline std::uint64_t get_u64_be(const std::uint8_t* p) {
  return (static_cast<std::uint64_t>(get_u32_be(p)) << 32) | get_u32_be(p + 4);
}

inline void put_u8(std::uint8_t* p, std::uint8_t v) { p[0] = v; }

inline void put_u16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void put_u24(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
}

inline void put_u32(std::uint8_t* p, std::uint32_t v) {
  put_u16(p, static_cast<std::uint16_t>(v));
  put_u16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

inline void put_u64(std::uint8_t* p, std::uint64_t v) {
  put_u32(p, static_cast<std::uint32_t>(v));
  put_u32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

inline void put_f32(std::uint8_t* p, float v) { put_u32(p, std::bit_cast<std::uint32_t>(v)); }
inline void put_f64(std::uint8_t* p, double v) { put_u64(p, std::bit_cast<std::uint64_t>(v)); }

inline void put_u16_be(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}

inline void put_u24_be(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 16);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v);
}

inline void put_u32_be(std::uint8_t* p, std::uint32_t v) {
  put_u16_be(p, static_cast<std::uint16_t>(v >> 16));
  put_u16_be(p + 2, static_cast<std::uint16_t>(v));
}

// A bounds-checked view over one page or blob. Every read names the page it
// came from so damage is reported with its location. Reads past the end throw
// jet::Error (kind corruption); nothing is ever read out of bounds.
class ByteReader {
 public:
  // `page` is the page number reported in errors (use kNoPage for blobs
  // that span pages). `bytes` must outlive the reader.
  ByteReader(Bytes bytes, std::uint32_t page, std::string what)
      : bytes_(bytes), page_(page), what_(std::move(what)) {}

  std::size_t size() const { return bytes_.size(); }
  Bytes bytes() const { return bytes_; }
  std::uint32_t page() const { return page_; }

  // Throws corruption unless [offset, offset + length) lies inside the view.
  void require(std::size_t offset, std::size_t length) const {
    if (offset > bytes_.size() || length > bytes_.size() - offset) {
      throw Error::corruption(page_, what_,
                              "field at " + std::to_string(offset) + "+" + std::to_string(length),
                              "only " + std::to_string(bytes_.size()) + " bytes");
    }
  }

  std::uint8_t u8(std::size_t off) const { require(off, 1); return get_u8(bytes_.data() + off); }
  std::uint16_t u16(std::size_t off) const { require(off, 2); return get_u16(bytes_.data() + off); }
  std::uint32_t u24(std::size_t off) const { require(off, 3); return get_u24(bytes_.data() + off); }
  std::uint32_t u32(std::size_t off) const { require(off, 4); return get_u32(bytes_.data() + off); }
  std::uint64_t u64(std::size_t off) const { require(off, 8); return get_u64(bytes_.data() + off); }
  std::int16_t i16(std::size_t off) const { return static_cast<std::int16_t>(u16(off)); }
  std::int32_t i32(std::size_t off) const { return static_cast<std::int32_t>(u32(off)); }
  std::int64_t i64(std::size_t off) const { return static_cast<std::int64_t>(u64(off)); }
  double f64(std::size_t off) const { return std::bit_cast<double>(u64(off)); }

  // A checked sub-range.
  Bytes slice(std::size_t off, std::size_t length) const {
    require(off, length);
    return bytes_.subspan(off, length);
  }

 private:
  Bytes bytes_;
  std::uint32_t page_;
  std::string what_;
};

}  // namespace jet::coding
