#include "platform/oledb/odbc_link.h"

#include <algorithm>

namespace {

bool contains_nocase(const std::string& text, const char* part) {
  std::string lower;
  for (char c : text) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return lower.find(part) != std::string::npos;
}

void append_utf16(std::string& out, char32_t cp) {
  auto unit = [&out](char32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>((u >> 8) & 0xFF);
  };
  if (cp >= 0x10000) {
    cp -= 0x10000;
    unit(0xD800 + (cp >> 10));
    unit(0xDC00 + (cp & 0x3FF));
  } else {
    unit(cp);
  }
}

// The types whose values, as text or bytes, stay within what their size
// gives (numbers and dates within 64 characters).
bool has_known_bound(short type) {
  switch (type) {
    case odbc::t_bit: case odbc::t_tinyint: case odbc::t_smallint: case odbc::t_integer: case odbc::t_bigint:
    case odbc::t_real: case odbc::t_float: case odbc::t_double: case odbc::t_decimal: case odbc::t_numeric:
    case odbc::t_type_timestamp: case odbc::t_datetime: case odbc::t_type_date: case odbc::t_type_time:
    case odbc::t_ss_time2: case odbc::t_ss_timestampoffset: case odbc::t_guid: case odbc::t_char:
    case odbc::t_varchar: case odbc::t_wchar: case odbc::t_wvarchar: case odbc::t_binary: case odbc::t_varbinary:
      return true;
    default:
      return false;
  }
}

}  // namespace

oledb_column oledb_describe(const odbc::column_desc& d) {
  oledb_column c;
  c.name = d.name;
  auto fixed = [&c](DBTYPE type, DBLENGTH bytes, BYTE precision) {
    c.type = type;
    c.size = bytes;
    c.precision = precision;
    c.flags |= DBCOLUMNFLAGS_ISFIXEDLENGTH;
  };
  auto sized = [&c](DBTYPE type, unsigned long units, bool is_long) {
    c.type = type;
    if (is_long || units == 0 || units > 8000) {
      c.size = oledb_long_column_size;
      c.flags |= DBCOLUMNFLAGS_ISLONG;
    } else {
      c.size = static_cast<DBLENGTH>(units);
    }
  };
  const bool small = contains_nocase(d.type_name, "small");
  switch (d.type) {
    case odbc::t_bit: fixed(DBTYPE_BOOL, 2, 0xFF); break;
    case odbc::t_tinyint: fixed(DBTYPE_UI1, 1, 3); break;
    case odbc::t_smallint: fixed(DBTYPE_I2, 2, 5); break;
    case odbc::t_integer: fixed(DBTYPE_I4, 4, 10); break;
    case odbc::t_bigint: fixed(DBTYPE_I8, 8, 19); break;
    case odbc::t_real: fixed(DBTYPE_R4, 4, 7); break;
    case odbc::t_float:
    case odbc::t_double: fixed(DBTYPE_R8, 8, 15); break;
    case odbc::t_decimal:
    case odbc::t_numeric:
      if (contains_nocase(d.type_name, "money")) {
        fixed(DBTYPE_CY, 8, small ? 10 : 19);
      } else {
        fixed(DBTYPE_NUMERIC, 19, static_cast<BYTE>(d.size));
        c.scale = static_cast<BYTE>(d.digits);
      }
      break;
    case odbc::t_type_timestamp:
    case odbc::t_datetime:
      if (contains_nocase(d.type_name, "datetime2")) {
        sized(DBTYPE_WSTR, 27, false);
        c.fetch = odbc::fetch_kind::dated_text;
      } else {
        fixed(DBTYPE_DBTIMESTAMP, 16, small ? 16 : 23);
        c.scale = small ? 0 : 3;
        c.fetch = odbc::fetch_kind::timestamp;
      }
      break;
    case odbc::t_type_date:
      sized(DBTYPE_WSTR, 10, false);
      c.fetch = odbc::fetch_kind::dated_text;
      break;
    case odbc::t_type_time:
    case odbc::t_ss_time2: sized(DBTYPE_WSTR, 16, false); break;
    case odbc::t_ss_timestampoffset:
      sized(DBTYPE_WSTR, 34, false);
      c.fetch = odbc::fetch_kind::dated_text;
      break;
    case odbc::t_guid:
      fixed(DBTYPE_GUID, 16, 0xFF);
      c.fetch = odbc::fetch_kind::guid;
      break;
    case odbc::t_char:
    case odbc::t_varchar: sized(DBTYPE_STR, d.size, false); break;
    case odbc::t_longvarchar: sized(DBTYPE_STR, d.size, true); break;
    case odbc::t_wchar:
    case odbc::t_wvarchar: sized(DBTYPE_WSTR, d.size, false); break;
    case odbc::t_wlongvarchar:
    case odbc::t_ss_xml: sized(DBTYPE_WSTR, d.size, true); break;
    case odbc::t_binary:
    case odbc::t_varbinary: sized(DBTYPE_BYTES, d.size, false); break;
    case odbc::t_longvarbinary: sized(DBTYPE_BYTES, d.size, true); break;
    case odbc::t_ss_variant: sized(DBTYPE_WSTR, 8000, false); break;
    default: sized(DBTYPE_WSTR, d.size, false); break;
  }
  if (c.type == DBTYPE_BYTES) c.fetch = odbc::fetch_kind::binary;
  c.known_bound = has_known_bound(d.type);
  bool fixed_text = d.type == odbc::t_char || d.type == odbc::t_wchar || d.type == odbc::t_binary;
  if (fixed_text && !(c.flags & DBCOLUMNFLAGS_ISLONG)) c.flags |= DBCOLUMNFLAGS_ISFIXEDLENGTH;
  if (!d.not_null) c.flags |= DBCOLUMNFLAGS_ISNULLABLE | DBCOLUMNFLAGS_MAYBENULL;
  return c;
}

std::size_t oledb_block_width(const oledb_column& column) {
  if (!column.known_bound || (column.flags & DBCOLUMNFLAGS_ISLONG)) return 0;
  if (column.fetch == odbc::fetch_kind::binary) return column.size <= 8000 ? column.size : 0;
  if (column.size > 4000) return 0;
  return (std::max<std::size_t>(column.size, 64) + 1) * 2;
}

HRESULT oledb_fail_odbc(const odbc::diagnostics& diag) {
  std::vector<oledb_error_record> records;
  for (const odbc::diagnostic& d : diag) {
    records.push_back({oledb_hresult_for(d.sqlstate, d.native_error), oledb_strip_driver_tags(d.message), d.sqlstate,
                       d.native_error});
  }
  return oledb_fail(std::move(records), E_FAIL);
}

std::string oledb_text_cell_bytes(const std::string& utf8) {
  std::string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    unsigned char b = static_cast<unsigned char>(utf8[i]);
    int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    char32_t cp = extra <= 0 ? b : b & (0x3F >> extra);
    bool ok = extra >= 0 && i + extra < utf8.size();
    for (int k = 1; ok && k <= extra; ++k) {
      unsigned char n = static_cast<unsigned char>(utf8[i + k]);
      ok = (n & 0xC0) == 0x80;
      cp = (cp << 6) | (n & 0x3F);
    }
    static constexpr char32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (ok && (cp < least[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
    append_utf16(out, ok ? cp : 0xFFFD);
    i += ok ? extra + 1 : 1;
  }
  return out;
}
