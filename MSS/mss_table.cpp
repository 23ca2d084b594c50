#include "MSS/mss_table.h"

#include <vector>

#include "MSS/odb_command.h"
#include "MSS/odb_text.h"
#include "OLE/ole_date.h"
#include "TK/tk_trace.h"

namespace {

bool quoted(const std::string& s) { return s.size() >= 2 && s.front() == '\'' && s.back() == '\''; }

// The expression without its round brackets and its quotes ('x' or N'x').
std::string strip_wrapping(const std::string& text) {
  std::string buf = text;
  std::size_t k = 0;
  while (k < buf.size() && buf[k] == '(') ++k;
  if (k >= 1) {
    std::size_t inner = buf.size() >= 2 * k ? buf.size() - 2 * k : 0;
    TK_TRACE(1, "Before removing round brackets, pos0=%d, size=%d", static_cast<int>(k), static_cast<int>(inner));
    buf = inner > 0 ? buf.substr(k, inner) : std::string();
    TK_TRACE(1, "mss_table::get_def_value - buf=[%s]", buf.c_str());
  }
  if (quoted(buf)) {
    buf = buf.substr(1, buf.size() - 2);
    TK_TRACE(1, "mss_table::get_def_value - buf=[%s]", buf.c_str());
  } else if (buf.size() >= 3 && (buf[0] == 'N' || buf[0] == 'n') && quoted(buf.substr(1))) {
    buf = buf.substr(2, buf.size() - 3);
    TK_TRACE(1, "mss_table::get_def_value - buf=[%s]", buf.c_str());
  }
  return buf;
}

std::string single_quotes(const std::string& buf) {
  std::string out;
  for (std::size_t i = 0; i < buf.size(); ++i) {
    out += buf[i];
    if (buf[i] == '\'' && i + 1 < buf.size() && buf[i + 1] == '\'') ++i;
  }
  return out;
}

// One row of sp_columns, as far as the schema needs it.
struct catalog_column {
  std::string name;
  std::string type_name;
  std::string default_text;
};

bool ends_with(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

mss_table::mss_table(const std::string& bracketed_name, IOpenRowset& session, uint32_t flags)
    : odb_table(bracketed_name, session, flags) {
  TK_TRACE(2, "mss_table::mss_table(%s)", bracketed_name.c_str());
  init_schema();
  std::string table, owner;
  split_tab_name(table, owner);
  if ((flags & udb_open_skip_indexes) != udb_open_skip_indexes) init_indexes(table, owner);
}

void mss_table::split_tab_name(std::string& table, std::string& owner) const {
  TK_TRACE(1, "mss_table::split_tab_name");
  TK_ASSERT(odb_split_bracketed(name(), owner, table));
  TK_TRACE(1, "tab_name=%s, owner=%s", table.c_str(), owner.c_str());
}

std::string mss_table::unwrap_default(const std::string& text) { return single_quotes(strip_wrapping(text)); }

ole_variant mss_table::get_def_value(VARTYPE vartype, const std::string& text) {
  TK_TRACE(1, "mss_table::get_def_value(type=0x%08X, src='%s')", static_cast<unsigned>(vartype), text.c_str());
  std::string buf = strip_wrapping(text);
  if (vartype == VT_DATE) {
    if (quoted(buf)) buf = buf.substr(1, buf.size() - 2);
    return ole_date(buf).to_variant();
  }
  try {
    return ole_variant::from_string(single_quotes(buf), vartype);
  } catch (const ole_type_exception&) {
    return ole_variant();
  }
}

void mss_table::init_schema() {
  TK_TRACE(2, "mss_table::init_schema");
  std::string table, owner;
  split_tab_name(table, owner);
  // sp_columns reads its arguments as LIKE patterns: the names go in as
  // patterns that match themselves only, and the rows are checked again.
  std::string sql = "EXEC sp_columns @table_name=" + odb_bracket(odb_like_literal(table));
  if (!owner.empty()) sql += ", @table_owner=" + odb_bracket(odb_like_literal(owner));
  odb_command command(session());
  ole_com_ptr<IRowset> result;
  command.execute(sql, &result);
  odb_recordset catalog(result.get());
  std::vector<catalog_column> columns;
  for (catalog.reset(); !catalog.is_eof(); catalog.next()) {
    udb_record& row = catalog.get_item();
    catalog_column c{row.at(3).to_string(), row.at(5).to_string(), row.at(12).to_string()};
    if (row.at(2).to_string() != table || (!owner.empty() && row.at(1).to_string() != owner)) continue;
    columns.push_back(std::move(c));
  }
  udb_schema& schema = mutable_schema();
  for (std::size_t i = 0; i < schema.size(); ++i) {
    TK_ASSERT(i < columns.size());
    const catalog_column& c = columns[i];
    TK_TRACE(1, "Got field name/type: %s/%s", c.name.c_str(), c.type_name.c_str());
    // The exact name first: columns may differ in letter case alone.
    t_ftd* found = nullptr;
    for (std::size_t k = 0; k < schema.size() && found == nullptr; ++k) {
      if (schema.at(k).name == c.name) found = &schema.at(k);
    }
    if (found == nullptr) found = &schema.find_field(c.name);
    VARTYPE vartype = schema.at(i).vartype;
    if (!c.default_text.empty()) {
      TK_TRACE(1, "Got default string: %s", c.default_text.c_str());
      bool too_long = vartype == VT_BSTR && found->size != 0 &&
                      odb_char_count(unwrap_default(c.default_text)) > found->size;
      if (too_long) {
        TK_TRACE(2, "Def.value '%s' is out of range", c.default_text.c_str());
      } else {
        ole_variant value = get_def_value(vartype, c.default_text);
        TK_TRACE(1, "Got default variant: %s", value.to_string().c_str());
        found->default_value = value;
      }
    }
    found->identity = ends_with(c.type_name, "identity");
  }
}
