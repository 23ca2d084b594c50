// Raw access to a database file as an array of fixed-size pages.
#pragma once

#include <cstdint>
#include <fstream>
#include <span>
#include <string>

namespace jet {

// Owns one open file. Not copyable (it owns the stream); movable.
// Thread-safety: none; callers serialise access.
class PageFile {
 public:
  enum class Mode { read_only, read_write };

  // Opens `path`. Throws jet::Error (io) when the file cannot be opened.
  PageFile(const std::string& path, Mode mode);
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;
  PageFile(PageFile&&) = default;
  PageFile& operator=(PageFile&&) = default;

  const std::string& path() const { return path_; }
  std::uint64_t size() const { return size_; }
  bool writable() const { return mode_ == Mode::read_write; }

  // Reads exactly out.size() bytes at `offset`. Throws jet::Error (io) on a
  // short read or a failed read; `out` is unspecified then.
  void read_at(std::uint64_t offset, std::span<std::uint8_t> out);

  // Writes all of `in` at `offset`, growing the file if needed.
  // REQUIRES: writable(). Throws jet::Error (io) on failure.
  void write_at(std::uint64_t offset, std::span<const std::uint8_t> in);

  // Pushes written bytes to the operating system. Throws jet::Error (io).
  void flush();

 private:
  std::string path_;
  Mode mode_;
  std::fstream stream_;
  std::uint64_t size_ = 0;
};

}  // namespace jet
