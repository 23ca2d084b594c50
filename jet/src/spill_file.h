// A scratch file for data that does not fit in memory while a database is
// written: made beside the database (where the journal goes too, so it
// needs no folder of its own) and unlinked at once, so that nothing is
// left behind however the process ends.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace jet {

// Owns one file descriptor. Not copyable. Thread-safety: none.
class SpillFile {
 public:
  // Makes the file as `prefix` + "-XXXXXX" and unlinks it. Throws
  // jet::Error (io) when it cannot be made.
  explicit SpillFile(const std::string& prefix);
  SpillFile(const SpillFile&) = delete;
  SpillFile& operator=(const SpillFile&) = delete;
  ~SpillFile();

  // Bytes written so far: where the next append lands.
  std::uint64_t size() const { return size_; }
  // Writes `bytes` at the end. Throws jet::Error (io), e.g. on a full disk.
  void append(std::span<const std::uint8_t> bytes);
  // Reads exactly out.size() bytes at `offset`. Throws jet::Error (io).
  void read_at(std::uint64_t offset, std::span<std::uint8_t> out) const;

 private:
  std::string path_;  // as made; the name is gone once unlinked
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

}  // namespace jet
