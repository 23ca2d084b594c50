#include "agent/agent_usage.h"

#include <cstdio>

namespace {

// Two integer placeholders: the major and the minor version.
constexpr const char usage_format[] =
    "QUILLAGENT v%d.%d\n"
    "Usage: QUILLAGENT.EXE OPTIONS\n"
    "\n"
    "   --acc_ver=...  format version for the destination MS Access database\n"
    "                  (0 - MS Access 95/97, 1 - MS Access 2000)\n"
    "   --dest=...     MS Access database name\n"
    "   --help         display this help message and exit\n"
    "   --mode=...     how to process an existing MS Access database\n"
    "                  (0 - overwrite the entire database, 1 - overwrite existing\n"
    "                  tables only, 2 - skip existing tables, 3 - merge)\n"
    "   --mssqlh=...   MS SQL server IP address or network name\n"
    "   --mssqlu=...   MS SQL user name\n"
    "   --mssqlp=...   MS SQL user password\n"
    "   --skip_idx     skip converting indexes\n"
    "   --src=...      MS SQL database name\n"
    "   --tab_def      convert table definitions only\n"
    "   --tab_file=... file containing the list of tables to convert\n"
    "                  (one table name per line)\n"
    "\n"
    "NOTES:\n"
    "   1) You can omit 'mssqlh' parameter to connect local MS SQL server.\n"
    "   2) You can omit 'mssqlu' and 'mssqlp' parameters to connect to MS SQL\n"
    "      server using Windows authentication\n"
    "   3) If you omit 'tab_file' parameter, all database tables will be converted\n"
    "   4) If you omit 'mode' parameter, default mode 'overwrite the entire\n"
    "      database' will be used.";

constexpr size_t usage_buffer_size = 16384;
static_assert(sizeof(usage_format) + 2 * 20 < usage_buffer_size, "room for two ints");

}  // namespace

std::string agent_usage_text(int major, int minor) {
  char buffer[usage_buffer_size];
  int length = std::snprintf(buffer, sizeof buffer, usage_format, major, minor);
  if (length < 0) return usage_format;  // cannot happen with this format
  return std::string(buffer, static_cast<size_t>(length));
}
