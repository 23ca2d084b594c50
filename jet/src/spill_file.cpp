#include "spill_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "jet/error.h"
#include "page_file.h"

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
  write_fully(fd_, size_, bytes, path_);
  size_ += bytes.size();
}

void SpillFile::read_at(std::uint64_t offset, std::span<std::uint8_t> out) const {
  read_fully(fd_, offset, out, path_);
}

}  // namespace jet
