#include "page_file.h"

#include "jet/error.h"

namespace jet {

PageFile::PageFile(const std::string& path, Mode mode) : path_(path), mode_(mode) {
  auto flags = std::ios::binary | std::ios::in;
  if (mode == Mode::read_write) flags |= std::ios::out;
  stream_.open(path, flags);
  if (!stream_.is_open()) throw Error::io("cannot open '" + path + "'");
  stream_.seekg(0, std::ios::end);
  const auto end = stream_.tellg();
  if (end < 0) throw Error::io("cannot determine the size of '" + path + "'");
  size_ = static_cast<std::uint64_t>(end);
}

void PageFile::read_at(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (offset > size_ || out.size() > size_ - offset) {
    throw Error::io("read of " + std::to_string(out.size()) + " bytes at offset " +
                    std::to_string(offset) + " is past the end of '" + path_ + "' (" +
                    std::to_string(size_) + " bytes)");
  }
  stream_.clear();
  stream_.seekg(static_cast<std::streamoff>(offset));
  stream_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
  if (!stream_ || static_cast<std::size_t>(stream_.gcount()) != out.size()) {
    throw Error::io("short read at offset " + std::to_string(offset) + " of '" + path_ + "'");
  }
}

void PageFile::write_at(std::uint64_t offset, std::span<const std::uint8_t> in) {
  if (!writable()) throw Error::invalid_argument("'" + path_ + "' is open read-only");
  stream_.clear();
  stream_.seekp(static_cast<std::streamoff>(offset));
  stream_.write(reinterpret_cast<const char*>(in.data()), static_cast<std::streamsize>(in.size()));
  if (!stream_) throw Error::io("write at offset " + std::to_string(offset) + " of '" + path_ + "' failed");
  if (offset + in.size() > size_) size_ = offset + in.size();
}

void PageFile::flush() {
  stream_.flush();
  if (!stream_) throw Error::io("flush of '" + path_ + "' failed");
}

}  // namespace jet
