// What opening a database file checks before anything else is read: the
// header names Jet 3 or Jet 4, the file is not encoded, Jet 3 text is in
// code page 1252, and the file is a whole number of pages (at least 3).
// Database::open and the checker open files the same way through here.
#pragma once

#include <string>

#include "format.h"
#include "jet/types.h"
#include "page_file.h"

namespace jet {

struct OpenedFile {
  PageFile file;
  DatabaseHeader header;
  const Format* format;
};

// Opens `path` in `mode` and checks it as above. Throws jet::Error: io if
// the file cannot be read; corruption (with the page) if it is not a Jet
// database or its size is not whole pages; not_supported for versions
// after Jet 4, for encoded (database key) files and for Jet 3 files whose
// code page is not 1252.
OpenedFile open_database_file(const std::string& path, PageFile::Mode mode);

}  // namespace jet
