// Raw access to a database file as an array of fixed-size pages.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace jet {

// Owns one open file descriptor. Not copyable; movable.
// Thread-safety: none; callers serialise access.
class PageFile {
 public:
  enum class Mode {
    read_only,
    read_write,
    create,  // a new file; refused when `path` exists
  };

  // Opens (or creates) `path`. Throws jet::Error (io) when the file cannot
  // be opened, or with Mode::create when it exists already.
  PageFile(const std::string& path, Mode mode);
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;
  PageFile(PageFile&& other) noexcept;
  PageFile& operator=(PageFile&& other) noexcept;
  ~PageFile();

  const std::string& path() const { return path_; }
  std::uint64_t size() const { return size_; }
  bool writable() const { return mode_ != Mode::read_only; }

  // Reads exactly out.size() bytes at `offset`. Throws jet::Error (io) on a
  // short read or a failed read; `out` is unspecified then.
  void read_at(std::uint64_t offset, std::span<std::uint8_t> out);

  // Writes all of `in` at `offset`, growing the file if needed.
  // REQUIRES: writable(). Throws jet::Error (io) on failure.
  void write_at(std::uint64_t offset, std::span<const std::uint8_t> in);

  // Makes every write so far durable (fsync). Throws jet::Error (io).
  void sync();

  // Writes are unbuffered; kept for callers that only want them pushed.
  void flush() {}

 private:
  std::string path_;
  Mode mode_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

}  // namespace jet
