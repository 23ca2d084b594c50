// Opening a database file (see open_file.h).
#include "open_file.h"

#include <array>

#include "header.h"
#include "jet/error.h"

namespace jet {
namespace {

DatabaseHeader read_header(PageFile& file) {
  std::array<std::uint8_t, kHeaderMinimumSize> bytes{};
  if (file.size() < bytes.size()) {
    throw Error::corruption(0, "database header",
                            "a file of at least " + std::to_string(bytes.size()) + " bytes",
                            std::to_string(file.size()) + " bytes");
  }
  file.read_at(0, bytes);
  return decode_header(bytes);
}

}  // namespace

OpenedFile open_database_file(const std::string& path, PageFile::Mode mode) {
  PageFile file(path, mode);
  DatabaseHeader header = read_header(file);
  if (header.database_key != 0) {
    throw Error::not_supported("encoded database (database key " +
                               std::to_string(header.database_key) + ")");
  }
  // Jet 3 text is decoded as code page 1252; other code pages would come
  // out wrong, so refuse them rather than guess.
  if (header.version == JetVersion::jet3 && header.code_page != 1252 && header.code_page != 0) {
    throw Error::not_supported("Jet 3 database in code page " + std::to_string(header.code_page) +
                               " (only 1252 is read)");
  }
  const Format& format = Format::of(header.version);
  if (file.size() < 3ull * format.page_size || file.size() % format.page_size != 0) {
    throw Error::corruption(kNoPage, "database file",
                            "a whole number of " + std::to_string(format.page_size) +
                                "-byte pages, at least 3",
                            std::to_string(file.size()) + " bytes");
  }
  return OpenedFile{std::move(file), std::move(header), &format};
}

}  // namespace jet
