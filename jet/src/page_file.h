// Raw access to a database file as an array of fixed-size pages.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace jet {

class Journal;

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

  // Cuts the file to `length` bytes. REQUIRES: writable(). Throws (io).
  void truncate(std::uint64_t length);

  // Takes an advisory lock (flock) on the file without waiting: exclusive
  // or shared. False when another open file holds a conflicting lock.
  bool try_lock(bool exclusive);

  // Keeps a rollback journal of pages of `page_size` bytes from now on:
  // every page that existed at the last commit is saved to it before its
  // first overwrite. REQUIRES: writable().
  void start_journal(std::uint32_t page_size);
  // Saves the pages about to be written in one go (one journal sync)
  // rather than page by page. No-op without a journal.
  void protect(std::span<const std::uint32_t> pages);
  // The commit point of the journal (after sync()): the change so far can
  // no longer be undone. No-op without a journal.
  void commit_journal();

 private:
  std::string path_;
  Mode mode_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::unique_ptr<Journal> journal_;
};

// Writes all of `bytes` at `offset` of `fd` (the file at `path`, named in
// errors), passing the crash point of each write. Throws jet::Error (io).
void write_fully(int fd, std::uint64_t offset, std::span<const std::uint8_t> bytes, const std::string& path);
// Reads exactly out.size() bytes at `offset` of `fd` (the file at `path`,
// named in errors). Throws jet::Error (io) on a failed or short read.
void read_fully(int fd, std::uint64_t offset, std::span<std::uint8_t> out, const std::string& path);
// fsync of `fd`, and of the folder holding `path`. Throw jet::Error (io).
void sync_fd(int fd, const std::string& path);
void sync_folder_of(const std::string& path);

}  // namespace jet
