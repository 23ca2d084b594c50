#include "open_for_write.h"

#include "catalog.h"
#include "journal.h"
#include "table_def.h"
#include "usage_map.h"

namespace jet {

OpenedFile open_for_change(const std::string& path, const OpenOptions& options) {
  recover_from_journal(path);
  OpenedFile opened =
      open_database_file(path, options.writable ? PageFile::Mode::read_write : PageFile::Mode::read_only);
  if ((options.writable || options.exclusive) && !opened.file.try_lock(true)) {
    throw Error::io("cannot open '" + path + "': it is in use by another program");
  }
  return opened;
}

void check_password(const DatabaseHeader& header, const std::string& given) {
  if (header.password.empty() || header.password == given) return;
  throw Error(ErrorKind::invalid_argument, "Not a valid password.", kNoPage, 3031);
}

void check_before_writing(Database::Impl& db) {
  db.load_free_pool();
  for (const CatalogEntry& entry : db.catalog) {
    if (entry.kind == ObjectKind::user_table || entry.kind == ObjectKind::system_table) {
      read_table_def(db.pages, db.format, entry.tdef_page);
    }
  }
}

}  // namespace jet
