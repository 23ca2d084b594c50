#include "platform/oledb/schema_rowsets.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <tuple>

namespace {

using restriction = std::optional<std::string>;

restriction restriction_at(ULONG count, const VARIANT restrictions[], ULONG position) {
  if (restrictions == nullptr || position >= count || restrictions[position].vt != VT_BSTR) return std::nullopt;
  BSTR value = restrictions[position].bstrVal;
  return std::string(value == nullptr ? "" : value, SysStringByteLen(value));
}

bool matches(const restriction& wanted, const std::string& value) { return !wanted || *wanted == value; }

oledb_column column(const char* name, DBTYPE type, DBLENGTH size) {
  oledb_column c;
  c.name = name;
  c.type = type;
  c.size = size;
  c.flags = DBCOLUMNFLAGS_ISNULLABLE | DBCOLUMNFLAGS_MAYBENULL;
  return c;
}

oledb_cell text(const std::string& value) { return oledb_text_cell(value); }
oledb_cell flag(bool value) { return oledb_text_cell(value ? "True" : "False"); }
oledb_cell null_cell() { return oledb_cell{}; }

// Runs one catalog function and reads its result as UTF-8 texts (null: "").
template <class Call>
HRESULT catalog(const std::shared_ptr<odbc::connection>& connection, Call call,
                std::vector<std::vector<std::string>>& rows, std::vector<std::vector<bool>>* nulls = nullptr) {
  odbc::statement statement(connection);
  odbc::diagnostics diag;
  if (!call(statement, diag)) return oledb_fail_odbc(diag);
  std::unique_ptr<oledb_row_source> source;
  if (HRESULT hr = oledb_buffered_source::read_all(statement, source); FAILED(hr)) return hr;
  oledb_row row;
  bool got = false;
  while (SUCCEEDED(source->next(row, &got)) && got) {
    std::vector<std::string> texts;
    std::vector<bool> is_null;
    for (const oledb_cell& cell : row) {
      texts.push_back(cell.is_null ? std::string() : oledb_cell_text(cell));
      is_null.push_back(cell.is_null);
    }
    rows.push_back(std::move(texts));
    if (nulls != nullptr) nulls->push_back(std::move(is_null));
  }
  return S_OK;
}

HRESULT tables(const std::shared_ptr<odbc::connection>& connection, ULONG count, const VARIANT r[],
               std::unique_ptr<oledb_row_source>& out) {
  std::vector<std::vector<std::string>> found;
  HRESULT hr = catalog(connection, [](odbc::statement& s, odbc::diagnostics& diag) { return s.tables(diag); }, found);
  if (FAILED(hr)) return hr;
  std::vector<oledb_column> columns = {
      column("TABLE_CATALOG", DBTYPE_WSTR, 128), column("TABLE_SCHEMA", DBTYPE_WSTR, 128),
      column("TABLE_NAME", DBTYPE_WSTR, 128),    column("TABLE_TYPE", DBTYPE_WSTR, 128),
      column("TABLE_GUID", DBTYPE_GUID, 16),     column("DESCRIPTION", DBTYPE_WSTR, 128),
      column("TABLE_PROPID", DBTYPE_UI4, 4),     column("DATE_CREATED", DBTYPE_DBTIMESTAMP, 16),
      column("DATE_MODIFIED", DBTYPE_DBTIMESTAMP, 16)};
  std::vector<oledb_row> rows;
  for (auto& f : found) {
    if (f.size() < 4) continue;
    if (!matches(restriction_at(count, r, 0), f[0]) || !matches(restriction_at(count, r, 1), f[1]) ||
        !matches(restriction_at(count, r, 2), f[2]) || !matches(restriction_at(count, r, 3), f[3]))
      continue;
    rows.push_back({text(f[0]), text(f[1]), text(f[2]), text(f[3]), null_cell(), null_cell(), null_cell(),
                    null_cell(), null_cell()});
  }
  std::stable_sort(rows.begin(), rows.end(), [](const oledb_row& a, const oledb_row& b) {
    auto key = [](const oledb_row& x) {
      return std::make_tuple(oledb_cell_text(x[3]), oledb_cell_text(x[0]), oledb_cell_text(x[1]), oledb_cell_text(x[2]));
    };
    return key(a) < key(b);
  });
  out = std::make_unique<oledb_buffered_source>(std::move(columns), std::move(rows));
  return S_OK;
}

// The key columns (COLUMN_NAME, KEY_SEQ, PK_NAME and the owner) of a table.
HRESULT key_rows(const std::shared_ptr<odbc::connection>& connection, const restriction& owner, const restriction& table,
                 std::vector<std::vector<std::string>>& found) {
  if (!table) return oledb_fail(DB_E_NOTSUPPORTED, "The key catalog needs a table name.");
  return catalog(connection, [&](odbc::statement& s, odbc::diagnostics& diag) {
    return s.primary_keys(owner ? &*owner : nullptr, *table, diag);
  }, found);
}

HRESULT primary_keys(const std::shared_ptr<odbc::connection>& connection, ULONG count, const VARIANT r[],
                     std::unique_ptr<oledb_row_source>& out) {
  std::vector<std::vector<std::string>> found;
  if (HRESULT hr = key_rows(connection, restriction_at(count, r, 1), restriction_at(count, r, 2), found); FAILED(hr))
    return hr;
  std::vector<oledb_column> columns = {
      column("TABLE_CATALOG", DBTYPE_WSTR, 128), column("TABLE_SCHEMA", DBTYPE_WSTR, 128),
      column("TABLE_NAME", DBTYPE_WSTR, 128),    column("COLUMN_NAME", DBTYPE_WSTR, 128),
      column("COLUMN_GUID", DBTYPE_GUID, 16),    column("COLUMN_PROPID", DBTYPE_UI4, 4),
      column("ORDINAL", DBTYPE_UI4, 4),          column("PK_NAME", DBTYPE_WSTR, 128)};
  std::vector<std::pair<long, oledb_row>> keyed;
  for (auto& f : found) {
    if (f.size() < 6) continue;
    if (!matches(restriction_at(count, r, 0), f[0]) || !matches(restriction_at(count, r, 1), f[1]) ||
        !matches(restriction_at(count, r, 2), f[2]))
      continue;
    keyed.push_back({std::atol(f[4].c_str()), {text(f[0]), text(f[1]), text(f[2]), text(f[3]), null_cell(),
                                               null_cell(), text(f[4]), text(f[5])}});
  }
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<oledb_row> rows;
  for (auto& k : keyed) rows.push_back(std::move(k.second));
  out = std::make_unique<oledb_buffered_source>(std::move(columns), std::move(rows));
  return S_OK;
}

HRESULT indexes(const std::shared_ptr<odbc::connection>& connection, ULONG count, const VARIANT r[],
                std::unique_ptr<oledb_row_source>& out) {
  restriction owner = restriction_at(count, r, 1), table = restriction_at(count, r, 4);
  if (!table) return oledb_fail(DB_E_NOTSUPPORTED, "The index catalog needs a table name.");
  std::vector<std::vector<std::string>> found;
  std::vector<std::vector<bool>> nulls;
  HRESULT hr = catalog(connection, [&](odbc::statement& s, odbc::diagnostics& diag) {
    return s.statistics(owner ? &*owner : nullptr, *table, diag);
  }, found, &nulls);
  if (FAILED(hr)) return hr;
  std::vector<std::vector<std::string>> keys;
  if (HRESULT k = key_rows(connection, owner, table, keys); FAILED(k)) return k;

  static const std::pair<const char*, DBTYPE> layout[25] = {
      {"TABLE_CATALOG", DBTYPE_WSTR}, {"TABLE_SCHEMA", DBTYPE_WSTR}, {"TABLE_NAME", DBTYPE_WSTR},
      {"INDEX_CATALOG", DBTYPE_WSTR}, {"INDEX_SCHEMA", DBTYPE_WSTR}, {"INDEX_NAME", DBTYPE_WSTR},
      {"PRIMARY_KEY", DBTYPE_BOOL},   {"UNIQUE", DBTYPE_BOOL},       {"CLUSTERED", DBTYPE_BOOL},
      {"TYPE", DBTYPE_UI2},           {"FILL_FACTOR", DBTYPE_I4},    {"INITIAL_SIZE", DBTYPE_I4},
      {"NULLS", DBTYPE_I4},           {"SORT_BOOKMARKS", DBTYPE_BOOL}, {"AUTO_UPDATE", DBTYPE_BOOL},
      {"NULL_COLLATION", DBTYPE_I4},  {"ORDINAL_POSITION", DBTYPE_UI4}, {"COLUMN_NAME", DBTYPE_WSTR},
      {"COLUMN_GUID", DBTYPE_GUID},   {"COLUMN_PROPID", DBTYPE_UI4}, {"COLLATION", DBTYPE_I2},
      {"CARDINALITY", DBTYPE_UI8},    {"PAGES", DBTYPE_I4},          {"FILTER_CONDITION", DBTYPE_WSTR},
      {"INTEGRATED", DBTYPE_BOOL}};
  std::vector<oledb_column> columns;
  for (const auto& [name, type] : layout) columns.push_back(column(name, type, type == DBTYPE_WSTR ? 128 : 8));

  // Rows of one index stay together in the order the server listed the
  // indexes; within an index, columns go by ordinal.
  std::vector<std::string> order;
  std::vector<std::tuple<std::size_t, long, oledb_row>> keyed;
  for (std::size_t i = 0; i < found.size(); ++i) {
    const auto& f = found[i];
    if (f.size() < 9 || nulls[i][5]) continue;  // the table's own statistics row
    if (!matches(restriction_at(count, r, 0), f[0]) || !matches(owner, f[1]) ||
        !matches(restriction_at(count, r, 2), f[5]) || !matches(table, f[2]))
      continue;
    std::size_t group = std::find(order.begin(), order.end(), f[5]) - order.begin();
    if (group == order.size()) order.push_back(f[5]);
    bool primary = std::any_of(keys.begin(), keys.end(), [&](const auto& k) {
      return k.size() >= 6 && k[5] == f[5] && k[1] == f[1] && k[2] == f[2];
    });
    oledb_row row(25);
    row[0] = text(f[0]);
    row[1] = text(f[1]);
    row[2] = text(f[2]);
    row[3] = text(f[0]);
    row[4] = text(f[1]);
    row[5] = text(f[5]);
    row[6] = flag(primary);
    row[7] = flag(std::atoi(f[3].c_str()) == 0);
    row[8] = flag(std::atoi(f[6].c_str()) == 1 /* clustered */);
    row[9] = text("1");
    row[16] = text(f[7]);
    row[17] = text(f[8]);
    if (f.size() > 9 && !nulls[i][9]) row[20] = text(f[9] == "D" ? "2" : "1");
    keyed.emplace_back(group, std::atol(f[7].c_str()), std::move(row));
  }
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
    return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
  });
  std::vector<oledb_row> rows;
  for (auto& k : keyed) rows.push_back(std::move(std::get<2>(k)));
  out = std::make_unique<oledb_buffered_source>(std::move(columns), std::move(rows));
  return S_OK;
}

}  // namespace

HRESULT oledb_schema_rowset(const std::shared_ptr<odbc::connection>& connection, REFGUID schema, ULONG count,
                            const VARIANT restrictions[], std::unique_ptr<oledb_row_source>& out) {
  if (schema == DBSCHEMA_TABLES) return tables(connection, count, restrictions, out);
  if (schema == DBSCHEMA_PRIMARY_KEYS) return primary_keys(connection, count, restrictions, out);
  if (schema == DBSCHEMA_INDEXES) return indexes(connection, count, restrictions, out);
  return oledb_fail(DB_E_NOTSUPPORTED, "The schema rowset is not supported.");
}
