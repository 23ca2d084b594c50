#include "MSS/odb_database.h"

#include "MSS/mss_table.h"
#include "MSS/odb_command.h"
#include "MSS/odb_meta_data.h"
#include "MSS/odb_text.h"
#include "TK/tk_trace.h"
#include "platform/win32/win32_text.h"

odb_database::odb_database(const std::string& name, IDBInitialize& data_source, IOpenRowset& session,
                           uint32_t open_mode)
    : udb_database(name, open_mode) {
  session.AddRef();
  session_.reset(&session);
  data_source.AddRef();
  data_source_.reset(&data_source);
  TK_TRACE(2, "odb_database::ctor");
}

odb_database::~odb_database() = default;

std::unique_ptr<udb_recordset> odb_database::create_table(const std::string&, const udb_schema&, const udb_indexes&) {
  TK_ASSERT(false);
  return nullptr;
}

std::unique_ptr<udb_recordset> odb_database::query(const std::string& statement) {
  TK_TRACE(1, "odb_database::query(%s)", statement.c_str());
  odb_command command(*session_);
  ole_com_ptr<IRowset> rowset;
  command.execute(statement, &rowset);
  return std::make_unique<odb_recordset>(rowset.get());
}

mss_database::mss_database(const std::string& name, IDBInitialize& data_source, IOpenRowset& session,
                           uint32_t open_mode)
    : odb_database(name, data_source, session, open_mode) {
  TK_TRACE(2, "mss_database::ctor(%s)", name.c_str());
  odb_tl_meta_data tables(&session, "");
  tables.reset();
  while (!tables.is_eof()) {
    udb_record& row = tables.get_item();
    std::string owner = row.at(1).to_string();
    std::string table = row.at(2).to_string();
    TK_TRACE(2, "Got table: (%s, %s)", table.c_str(), owner.c_str());
    owners_.push_back(owner);
    mutable_table_names().push_back(table);
    tables.next();
  }
  opened_.assign(owners_.size(), false);
  TK_TRACE(2, "Tables count: %d", static_cast<int>(table_names().size()));
}

std::unique_ptr<udb_recordset> mss_database::get_table(const std::string& name, uint32_t flags) {
  TK_TRACE(1, "mss_database::get_table(%s)", name.c_str());
  const auto& names = table_names();
  std::size_t found = names.size();
  // Unopened exact spellings first, then unopened with case ignored, then
  // any exact, then any with case ignored.
  for (int pass = 0; pass < 4 && found == names.size(); ++pass) {
    for (std::size_t i = 0; i < names.size(); ++i) {
      bool fresh_only = pass < 2;
      bool exact = pass % 2 == 0;
      if (fresh_only && opened_[i]) continue;
      if (exact ? names[i] == name : win32::compare_nocase(names[i], name) == 0) {
        found = i;
        break;
      }
    }
  }
  TK_ASSERT(found < names.size());
  opened_[found] = true;
  return std::make_unique<mss_table>(odb_bracketed_table(owners_[found], names[found]), session(), flags);
}
