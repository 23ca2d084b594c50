#include "page_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "jet/error.h"

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
    : path_(std::move(other.path_)), mode_(other.mode_), fd_(other.fd_), size_(other.size_) {
  other.fd_ = -1;
}

PageFile& PageFile::operator=(PageFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    path_ = std::move(other.path_);
    mode_ = other.mode_;
    fd_ = other.fd_;
    size_ = other.size_;
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
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done,
                              static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw Error::io("short read at offset " + std::to_string(offset) + " of '" + path_ + "'");
    done += static_cast<std::size_t>(n);
  }
}

void PageFile::write_at(std::uint64_t offset, std::span<const std::uint8_t> in) {
  if (!writable()) throw Error::invalid_argument("'" + path_ + "' is open read-only");
  std::size_t done = 0;
  while (done < in.size()) {
    const ssize_t n = ::pwrite(fd_, in.data() + done, in.size() - done,
                               static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      throw Error::io("write at offset " + std::to_string(offset) + " of '" + path_ + "' failed: " + reason());
    }
    done += static_cast<std::size_t>(n);
  }
  if (offset + in.size() > size_) size_ = offset + in.size();
}

void PageFile::sync() {
  if (!writable()) return;
  if (::fsync(fd_) != 0) throw Error::io("cannot make '" + path_ + "' durable: " + reason());
}

}  // namespace jet
