#include "spill_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "jet/error.h"

namespace jet {

SpillFile::SpillFile(const std::string& prefix) {
  std::vector<char> name(prefix.begin(), prefix.end());
  for (char c : std::string("-XXXXXX")) name.push_back(c);
  name.push_back('\0');
  fd_ = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd_ < 0) {
    throw Error::io("cannot make a scratch file beside '" + prefix + "': " + std::strerror(errno));
  }
  path_ = name.data();
  ::unlink(path_.c_str());
}

SpillFile::~SpillFile() {
  if (fd_ >= 0) ::close(fd_);
}

void SpillFile::append(std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(size_ + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      throw Error::io("write of the scratch file '" + path_ + "' failed: " +
                      (n < 0 ? std::strerror(errno) : "no byte written"));
    }
    done += static_cast<std::size_t>(n);
  }
  size_ += bytes.size();
}

void SpillFile::read_at(std::uint64_t offset, std::span<std::uint8_t> out) const {
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      throw Error::io("read of the scratch file '" + path_ + "' failed: " +
                      (n < 0 ? std::strerror(errno) : "it ends early"));
    }
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace jet
