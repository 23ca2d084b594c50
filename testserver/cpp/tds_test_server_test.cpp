// The C++ fixture starts a real server that the FreeTDS ODBC driver reaches.
#include "testserver/cpp/tds_test_server.h"

#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <string>

namespace quill_test {
namespace {

SQLCHAR* sql_text(const std::string& s) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s.c_str())); }

// Runs one statement and answers the first column of the first row, or the
// driver's first diagnostic text when connecting or running fails.
std::string first_value(const std::string& connection, const std::string& sql) {
  SQLHENV env;
  SQLHDBC dbc;
  SQLHSTMT stmt;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
  std::string answer;
  SQLCHAR text[1024] = {0};
  SQLCHAR state[6];
  SQLINTEGER native;
  SQLSMALLINT len;
  SQLRETURN rc = SQLDriverConnect(dbc, nullptr, sql_text(connection), SQL_NTS, nullptr, 0, nullptr,
                                  SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(rc)) {
    SQLGetDiagRec(SQL_HANDLE_DBC, dbc, 1, state, &native, text, sizeof text, &len);
    answer = reinterpret_cast<char*>(text);
  } else {
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    if (SQL_SUCCEEDED(SQLExecDirect(stmt, sql_text(sql), SQL_NTS)) && SQL_SUCCEEDED(SQLFetch(stmt))) {
      SQLLEN ind;
      SQLGetData(stmt, 1, SQL_C_CHAR, text, sizeof text, &ind);
    } else {
      SQLGetDiagRec(SQL_HANDLE_STMT, stmt, 1, state, &native, text, sizeof text, &len);
    }
    answer = reinterpret_cast<char*>(text);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
  }
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  return answer;
}

TEST(TdsTestServer, AnswersThroughTheFreeTdsDriverAndStopsCleanly) {
  tds_test_server server("small.json", {"--version-text", "Microsoft SQL Server  7.00 - 7.00.623 (Intel X86)"});
  EXPECT_EQ(first_value(server.odbc_connection("Small"), "SELECT @@VERSION"),
            "Microsoft SQL Server  7.00 - 7.00.623 (Intel X86)");
  EXPECT_EQ(first_value(server.odbc_connection("Small", "quill", "Secret-1", "7.1"), "SELECT COUNT(*) FROM [dbo].[People]"),
            "3");
  EXPECT_NE(first_value(server.odbc_connection("Small", "quill", "wrong"), "SELECT 1")
                .find("Login failed for user 'quill'."),
            std::string::npos);
  EXPECT_NE(server.requests().find("batch: SELECT COUNT(*) FROM [dbo].[People]"), std::string::npos);
  EXPECT_EQ(server.stop(), 0);
}

TEST(TdsTestServer, ABrokenFixtureIsReportedWithTheServersMessage) {
  try {
    tds_test_server server("/nonexistent/fixture.json");
    FAIL() << "the server started without its fixture";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("cannot load fixture"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace quill_test
