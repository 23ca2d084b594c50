// Writing through the Access side into real files of both formats, checked
// by jetcheck --strict and mdbtools.
#include <gtest/gtest.h>

#include "dao/dao_database.h"
#include "dao/dao_recordset.h"
#include "dao/tests/dao_test_files.h"

using namespace dao_testing;

namespace {

DECIMAL decimal(long long units, BYTE scale) {
  return oleaut_make_decimal(units < 0, static_cast<unsigned __int128>(units < 0 ? -units : units), scale);
}

ole_variant date(WORD y, WORD mo, WORD d, WORD h = 0, WORD mi = 0, WORD s = 0) {
  return ole_variant(SYSTEMTIME{y, mo, 0, d, h, mi, s, 0});
}

// A source record of `values`, as the source side hands one over.
std::unique_ptr<udb_record> record_of(const udb_schema& schema, const std::vector<ole_variant>& values) {
  auto record = std::make_unique<udb_record>();
  for (std::size_t i = 0; i < values.size(); ++i) {
    record->append(std::make_unique<udb_field>(schema.at(i).name, schema.at(i).size, false, false, values[i]));
  }
  return record;
}

// Every type the schema initializer maps, with defaults of each kind.
udb_schema all_types() {
  udb_schema s;
  s.append(t_ftd(4, "ID", VT_I4, true, true));
  s.append(t_ftd(1, "flag", VT_BOOL, true, false, ole_variant(true)));
  s.append(t_ftd(1, "tiny", VT_UI1));
  s.append(t_ftd(2, "small", VT_I2, false, false, ole_variant(short{7})));
  s.append(t_ftd(1, "signed_byte", VT_I1, false, false, ole_variant(char{-3})));
  s.append(t_ftd(4, "whole", VT_I4));
  s.append(t_ftd(2, "ushort", VT_UI2));
  s.append(t_ftd(8, "money", VT_CY));
  s.append(t_ftd(4, "single", VT_R4));
  s.append(t_ftd(8, "dbl", VT_R8, false, false, ole_variant(1.5)));
  s.append(t_ftd(19, "dec", VT_DECIMAL, false, false, ole_variant(decimal(1234, 2)), (19 << 8) + 2));
  s.append(t_ftd(4, "ulong", VT_UI4, false, false, ole_variant(4000000000u)));
  s.append(t_ftd(8, "big", VT_I8, false, false, ole_variant(-5LL)));
  s.append(t_ftd(8, "ubig", VT_UI8));
  s.append(t_ftd(8, "stamp", VT_DATE, false, false, ole_variant("2001-02-03")));
  s.append(t_ftd(8, "bad_default", VT_DATE, false, false, ole_variant("getdate()")));
  s.append(t_ftd(20, "name", VT_BSTR, false, false, ole_variant("abc")));
  s.append(t_ftd(20, "quoted", VT_BSTR, false, false, ole_variant("say \"hi\"")));
  s.append(t_ftd(0, "notes", VT_BSTR));
  s.append(t_ftd(300, "long_text", VT_BSTR));
  s.append(t_ftd(16, "bytes", VT_BLOB));
  s.append(t_ftd(0, "picture", VT_BLOB));
  return s;
}

class dao_write : public dao_files_test {};

TEST_P(dao_write, every_type_mapping_with_defaults_and_values) {
  std::string file = path("types.mdb");
  udb_schema schema = all_types();
  udb_indexes indexes;
  indexes.append({"PrimaryKey", true, true, {"ID"}});
  indexes.append({"by_name", true, false, {"name"}});
  indexes.append({"by_notes", false, false, {"notes"}});  // a Memo: dropped
  {
    auto db = engine_->create_db(file);
    auto rs = db->create_table("All Types", schema, indexes);
    std::vector<ole_variant> row = {ole_variant(1),
                                    ole_variant(true),
                                    ole_variant(static_cast<unsigned char>(200)),
                                    ole_variant(short{-300}),
                                    ole_variant(char{-3}),
                                    ole_variant(123456),
                                    ole_variant(static_cast<unsigned short>(65535)),
                                    ole_variant::from_string("12.3456", VT_CY),
                                    ole_variant(2.5f),
                                    ole_variant(3.25),
                                    ole_variant(decimal(-98765, 3)),
                                    ole_variant(4000000000u),
                                    ole_variant(-5LL),
                                    ole_variant(18446744073709551615ULL),
                                    date(2005, 1, 31, 10, 30, 0),
                                    ole_variant::from_string("10:30:00", VT_DATE),
                                    ole_variant("caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD"),
                                    ole_variant("x"),
                                    ole_variant(std::string(3000, 'm')),
                                    ole_variant("long"),
                                    ole_variant(std::size_t{3}, "\x01\x02\x03"),
                                    ole_variant(std::size_t{4}, "\xDE\xAD\xBE\xEF")};
    rs->append_record(*record_of(schema, row));
    EXPECT_EQ(rs->record_count(), 1u);
  }
  EXPECT_EQ(jetcheck(file), "");
  std::string ddl = mdb("schema", shell_quote(file));
  for (const char* expected : {"[ID]\t\t\tLong Integer", "[flag]\t\t\tBoolean", "[tiny]\t\t\tByte",
                               "[small]\t\t\tInteger", "[signed_byte]\t\t\tInteger", "[whole]\t\t\tLong Integer",
                               "[ushort]\t\t\tLong Integer", "[money]\t\t\tCurrency", "[single]\t\t\tSingle",
                               "[dbl]\t\t\tDouble", "[dec]\t\t\tDouble", "[ulong]\t\t\tDouble", "[big]\t\t\tDouble",
                               "[ubig]\t\t\tDouble", "[stamp]\t\t\tDateTime", "[name]\t\t\tText (20)",
                               "[notes]\t\t\tMemo/Hyperlink", "[long_text]\t\t\tMemo/Hyperlink",
                               "[bytes]\t\t\tBinary", "[picture]\t\t\tOLE"}) {
    EXPECT_NE(ddl.find(expected), std::string::npos) << expected << "\n" << ddl;
  }
  std::string rows = mdb("export", "-T '%F %T' " + shell_quote(file) + " 'All Types'");
  EXPECT_NE(rows.find("1,1,200,-300,-3,123456,65535,12.3456,2.5,3.25,-98.765,4000000000,-5,1.844674407370955e+19"),
            std::string::npos)
      << rows;
  EXPECT_NE(rows.find("\"2005-01-31 10:30:00\""), std::string::npos) << rows;
  EXPECT_NE(rows.find("\"1899-12-30 10:30:00\""), std::string::npos) << rows;
  std::string keys = mdb("schema", "--indexes " + shell_quote(file) + " postgres");
  EXPECT_NE(keys.find("PRIMARY KEY (\"id\")"), std::string::npos) << keys;
  EXPECT_NE(keys.find("CREATE UNIQUE INDEX \"all types_by_name_idx\" ON \"all types\" (\"name\")"), std::string::npos) << keys;
  EXPECT_EQ(keys.find("by_notes"), std::string::npos) << keys;
  std::string props = mdb("prop", shell_quote(file) + " 'All Types'");
  for (const char* expected : {"DefaultValue: True", "DefaultValue: 7", "DefaultValue: -3", "DefaultValue: 1.5",
                               "DefaultValue: 12.34", "DefaultValue: 4000000000", "DefaultValue: -5",
                               "DefaultValue: \"2001-02-03\"", "DefaultValue: \"abc\"",
                               "DefaultValue: 'say \"hi\"'"}) {
    EXPECT_NE(props.find(expected), std::string::npos) << expected << "\n" << props;
  }
  EXPECT_EQ(props.find("getdate"), std::string::npos) << props;
  const char* text = GetParam() == udb_format::access97 ? "\"caf\xC3\xA9 \xE2\x82\xAC ?\"" : "\"caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD\"";
  EXPECT_NE(rows.find(text), std::string::npos) << rows;
}

INSTANTIATE_TEST_SUITE_P(formats, dao_write, ::testing::Values(udb_format::access97, udb_format::access2000),
                         format_name);

}  // namespace
