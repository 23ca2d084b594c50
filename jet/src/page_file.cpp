#include "page_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "crash_points.h"
#include "jet/error.h"
#include "journal.h"

namespace jet {
namespace {

std::string reason() { return std::strerror(errno); }

int open_flags(PageFile::Mode mode) {
  switch (mode) {
    case PageFile::Mode::read_only: return O_RDONLY;
    case PageFile::Mode::read_write: return O_RDWR;
    case PageFile::Mode::create: return O_RDWR | O_CREAT | O_EXCL;
  }
  return O_RDONLY;
}

}  // namespace

PageFile::PageFile(const std::string& path, Mode mode) : path_(path), mode_(mode) {
  fd_ = ::open(path.c_str(), open_flags(mode) | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    const bool exists = mode == Mode::create && errno == EEXIST;
    throw Error::io("cannot " + std::string(mode == Mode::create ? "create" : "open") + " '" + path +
                    "': " + (exists ? std::string("the file exists") : reason()));
  }
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw Error::io("cannot open '" + path + "': not a regular file");
  }
  size_ = static_cast<std::uint64_t>(info.st_size);
}

PageFile::PageFile(PageFile&& other) noexcept
    : path_(std::move(other.path_)), mode_(other.mode_), fd_(other.fd_), size_(other.size_),
      journal_(std::move(other.journal_)) {
  other.fd_ = -1;
}

PageFile& PageFile::operator=(PageFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    path_ = std::move(other.path_);
    mode_ = other.mode_;
    fd_ = other.fd_;
    size_ = other.size_;
    journal_ = std::move(other.journal_);
    other.fd_ = -1;
  }
  return *this;
}

PageFile::~PageFile() {
  if (fd_ >= 0) ::close(fd_);
}

void PageFile::read_at(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (offset > size_ || out.size() > size_ - offset) {
    throw Error::io("read of " + std::to_string(out.size()) + " bytes at offset " +
                    std::to_string(offset) + " is past the end of '" + path_ + "' (" +
                    std::to_string(size_) + " bytes)");
  }
  read_fully(fd_, offset, out, path_);
}

void PageFile::write_at(std::uint64_t offset, std::span<const std::uint8_t> in) {
  if (!writable()) throw Error::invalid_argument("'" + path_ + "' is open read-only");
  if (journal_) {
    const std::uint32_t size = journal_->page_size();
    std::vector<std::uint32_t> pages;
    for (std::uint64_t p = offset / size; p * size < offset + in.size(); ++p) {
      pages.push_back(static_cast<std::uint32_t>(p));
    }
    journal_->save(*this, pages);
  }
  write_fully(fd_, offset, in, path_);
  if (offset + in.size() > size_) size_ = offset + in.size();
}

void PageFile::truncate(std::uint64_t length) {
  if (crash_point(1) == 0) crash_now();
  if (::ftruncate(fd_, static_cast<off_t>(length)) != 0) {
    throw Error::io("cannot cut '" + path_ + "' to " + std::to_string(length) + " bytes: " + reason());
  }
  size_ = length;
}

bool PageFile::try_lock(bool exclusive) {
  while (::flock(fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) return false;
    throw Error::io("cannot lock '" + path_ + "': " + reason());
  }
  return true;
}

void PageFile::start_journal(std::uint32_t page_size) { journal_ = std::make_unique<Journal>(path_, page_size); }

void PageFile::protect(std::span<const std::uint32_t> pages) {
  if (journal_) journal_->save(*this, pages);
}

void PageFile::commit_journal() {
  if (journal_) journal_->commit();
}

void write_fully(int fd, std::uint64_t offset, std::span<const std::uint8_t> bytes, const std::string& path) {
  const std::size_t allowed = crash_point(bytes.size());
  std::size_t done = 0;
  while (done < allowed) {
    const ssize_t n = ::pwrite(fd, bytes.data() + done, allowed - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      throw Error::io("write at offset " + std::to_string(offset) + " of '" + path + "' failed: " + reason());
    }
    done += static_cast<std::size_t>(n);
  }
  if (allowed < bytes.size()) crash_now();
}

void read_fully(int fd, std::uint64_t offset, std::span<std::uint8_t> out, const std::string& path) {
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw Error::io("short read at offset " + std::to_string(offset) + " of '" + path + "'");
    done += static_cast<std::size_t>(n);
  }
}

void sync_fd(int fd, const std::string& path) {
  if (crashed_for_testing()) crash_now();
  if (::fsync(fd) != 0) throw Error::io("cannot make '" + path + "' durable: " + reason());
}

void sync_folder_of(const std::string& path) {
  if (crashed_for_testing()) crash_now();
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;  // a folder we cannot open cannot be synced either; the file sync stands
  ::fsync(fd);
  ::close(fd);
}

void PageFile::sync() {
  if (!writable()) return;
  sync_fd(fd_, path_);
}

}  // namespace jet
