#include "UDB/udb_engine.h"

#include "TK/tk_exception.h"
#include "TK/tk_file.h"

void udb_engine::delete_db(const std::string& name) {
  if (!tk_delete_file(name)) throw tk_exception_ex();
}

bool udb_engine::is_db_exist(const std::string& name) { return tk_is_file_exist(name, 0); }
