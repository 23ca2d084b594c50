// odbc_fetch: fetches a result through an ODBC driver and prints its rows
// and the seconds it took.  The plain-driver baseline of the conversion
// benchmark, and a client for checking the test server by hand and in tests.
//
//   odbc_fetch [--quiet] CONNECTION-STRING TABLE            SELECT * FROM TABLE
//   odbc_fetch [--quiet] CONNECTION-STRING --sql TEXT
//   odbc_fetch [--quiet] CONNECTION-STRING --tables | --typeinfo
//   odbc_fetch [--quiet] CONNECTION-STRING --columns|--pkeys|--statistics TABLE [OWNER]
//
// Rows are printed one a line, values separated by tabs, NULL as "NULL";
// the last line reads "rows=N seconds=S".  Errors go to stderr with their
// SQLSTATE and native error number; the exit code is then 1.
#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void print_diagnostics(SQLSMALLINT kind, SQLHANDLE handle) {
  SQLCHAR state[6], text[1024];
  SQLINTEGER native = 0;
  SQLSMALLINT len = 0;
  for (SQLSMALLINT i = 1;
       SQLGetDiagRec(kind, handle, i, state, &native, text, sizeof text, &len) == SQL_SUCCESS;
       ++i) {
    std::fprintf(stderr, "[%s] (%d) %s\n", reinterpret_cast<char*>(state), static_cast<int>(native),
                 reinterpret_cast<char*>(text));
  }
}

bool ok(SQLRETURN rc, SQLSMALLINT kind, SQLHANDLE handle, const char* what) {
  if (SQL_SUCCEEDED(rc)) return true;
  std::fprintf(stderr, "%s failed\n", what);
  print_diagnostics(kind, handle);
  return false;
}

SQLCHAR* text_arg(const char* s) {
  return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s));
}

// One column's value as text, read in pieces so long values arrive whole.
bool read_value(SQLHSTMT stmt, SQLUSMALLINT col, std::string& out, bool& is_null) {
  out.clear();
  is_null = false;
  char buf[65536];
  for (;;) {
    SQLLEN ind = 0;
    SQLRETURN rc = SQLGetData(stmt, col, SQL_C_CHAR, buf, sizeof buf, &ind);
    if (rc == SQL_NO_DATA) return true;
    if (!ok(rc, SQL_HANDLE_STMT, stmt, "SQLGetData")) return false;
    if (ind == SQL_NULL_DATA) {
      is_null = true;
      return true;
    }
    // A whole value that fitted ends the reading, even when the driver also
    // reports a truncation (FreeTDS does so for sql_variant, again and again).
    if (ind != SQL_NO_TOTAL && ind < static_cast<SQLLEN>(sizeof buf)) {
      out.append(buf, static_cast<size_t>(ind));
      return true;
    }
    // A piece that did not fit ends at the driver's terminator (hex text of
    // binary data stops at an even length, short of the buffer's end).
    out.append(buf, strnlen(buf, sizeof buf - 1));
  }
}

// Fetches every row of one result; answers the row count or -1.
long long fetch_result(SQLHSTMT stmt, SQLSMALLINT cols, bool quiet) {
  long long rows = 0;
  std::string value, line;
  SQLRETURN rc;
  while ((rc = SQLFetch(stmt)) != SQL_NO_DATA) {
    if (!ok(rc, SQL_HANDLE_STMT, stmt, "SQLFetch")) return -1;
    line.clear();
    for (SQLUSMALLINT c = 1; c <= cols; ++c) {
      bool is_null = false;
      if (!read_value(stmt, c, value, is_null)) return -1;
      if (quiet) continue;
      if (c > 1) line += '\t';
      line += is_null ? std::string("NULL") : value;
    }
    if (!quiet) {
      line += '\n';
      std::fwrite(line.data(), 1, line.size(), stdout);
    }
    ++rows;
  }
  return rows;
}

// Fetches every row of every result of the statement; answers the row count,
// or -1 when the driver reports an error (also one that ends a later result).
long long fetch_all(SQLHSTMT stmt, bool quiet) {
  long long rows = 0;
  for (;;) {
    SQLSMALLINT cols = 0;
    if (!ok(SQLNumResultCols(stmt, &cols), SQL_HANDLE_STMT, stmt, "SQLNumResultCols")) return -1;
    if (cols > 0) {
      long long got = fetch_result(stmt, cols, quiet);
      if (got < 0) return -1;
      rows += got;
    }
    SQLRETURN more = SQLMoreResults(stmt);
    if (more == SQL_NO_DATA) return rows;
    if (!ok(more, SQL_HANDLE_STMT, stmt, "SQLMoreResults")) return -1;
  }
}

int usage() {
  std::fprintf(stderr,
               "usage: odbc_fetch [--quiet] CONNECTION-STRING TABLE\n"
               "       odbc_fetch [--quiet] CONNECTION-STRING --sql TEXT | --tables | --typeinfo\n"
               "       odbc_fetch [--quiet] CONNECTION-STRING --columns|--pkeys|--statistics TABLE [OWNER]\n");
  return 2;
}

SQLRETURN run(SQLHSTMT stmt, const std::vector<std::string>& args) {
  const std::string& what = args[0];
  const char* table = args.size() > 1 ? args[1].c_str() : nullptr;
  const char* owner = args.size() > 2 ? args[2].c_str() : nullptr;
  SQLSMALLINT owner_len = owner ? SQL_NTS : 0;
  if (what == "--sql" && table) return SQLExecDirect(stmt, text_arg(table), SQL_NTS);
  if (what == "--tables") return SQLTables(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  if (what == "--typeinfo") return SQLGetTypeInfo(stmt, SQL_ALL_TYPES);
  if (what == "--columns" && table)
    return SQLColumns(stmt, nullptr, 0, owner ? text_arg(owner) : nullptr, owner_len, text_arg(table),
                      SQL_NTS, nullptr, 0);
  if (what == "--pkeys" && table)
    return SQLPrimaryKeys(stmt, nullptr, 0, owner ? text_arg(owner) : nullptr, owner_len,
                          text_arg(table), SQL_NTS);
  if (what == "--statistics" && table)
    return SQLStatistics(stmt, nullptr, 0, owner ? text_arg(owner) : nullptr, owner_len,
                         text_arg(table), SQL_NTS, SQL_INDEX_ALL, SQL_QUICK);
  if (what.rfind("--", 0) == 0) return SQL_ERROR - 100;
  std::string sql = "SELECT * FROM " + what;
  return SQLExecDirect(stmt, text_arg(sql.c_str()), SQL_NTS);
}

}  // namespace

int main(int argc, char** argv) {
  int first = 1;
  bool quiet = false;
  if (argc > 1 && std::strcmp(argv[1], "--quiet") == 0) {
    quiet = true;
    first = 2;
  }
  if (argc - first < 2) return usage();
  std::string conn = argv[first];
  std::vector<std::string> args(argv + first + 1, argv + argc);

  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
  int status = 1;
  auto start = std::chrono::steady_clock::now();
  if (ok(SQLDriverConnect(dbc, nullptr, text_arg(conn.c_str()), SQL_NTS, nullptr, 0, nullptr,
                          SQL_DRIVER_NOPROMPT),
         SQL_HANDLE_DBC, dbc, "SQLDriverConnect")) {
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    SQLRETURN rc = run(stmt, args);
    if (rc == SQL_ERROR - 100) {
      status = usage();
    } else if (ok(rc, SQL_HANDLE_STMT, stmt, "statement")) {
      long long rows = fetch_all(stmt, quiet);
      if (rows >= 0) {
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("rows=%lld seconds=%.3f\n", rows, seconds);
        status = 0;
      }
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
  }
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  return status;
}
