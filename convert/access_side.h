// The Access destination as the driver's sides reach it: the format of an
// existing file, an engine loaded for a format, the table-name validator
// of a run (dao_tn_validator behind the driver's interface) and the errors
// by which Access refuses one record.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "convert/conversion_sides.h"

udb_format access_destination_format(const std::string& path);
std::unique_ptr<udb_engine> make_access_engine(udb_format format);
std::unique_ptr<table_name_validator> make_access_table_validator(const std::vector<std::string>& tables,
                                                                  const std::vector<std::string>& existing);
// Every DAO error raised while a record is written refuses that record
// only (a duplicate key, a value that does not convert, a record too
// large); the copy goes on with the next one.
bool is_access_record_error(const tk_exception& e);
