#include "UDB/udb_recordset.h"

#include "TK/tk_exception.h"

void udb_recordset::append_record(const udb_record&) { tk_assert_failed(TK_SOURCE_FILE, __LINE__); }

void udb_recordset::prev() {}
