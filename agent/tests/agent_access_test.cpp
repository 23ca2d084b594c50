// The agent's whole run from the in-memory source into real Access files
// of both formats, checked by jetcheck --strict and mdbtools.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "TK/tk_error_converter.h"
#include "agent/agent_main.h"
#include "agent/tests/agent_test_dir.h"
#include "convert/access_side.h"
#include "convert/console_front_end.h"
#include "convert/error_handler.h"
#include "convert/quillmere_convertor.h"
#include "convert/tests/doubles/memory_sides.h"
#include "dao/tests/dao_test_files.h"

namespace {

using dao_testing::jetcheck;
using dao_testing::mdb;
using dao_testing::shell_quote;

// The in-memory source with the real Access destination.
class access_sides : public memory_sides {
 public:
  udb_format destination_format(const std::string& path) override { return access_destination_format(path); }
  std::unique_ptr<udb_engine> make_destination_engine(udb_format format) override { return make_access_engine(format); }
  std::unique_ptr<table_name_validator> make_table_validator(const std::vector<std::string>& tables,
                                                             const std::vector<std::string>& existing) override {
    return make_access_table_validator(tables, existing);
  }
  bool is_record_error(const tk_exception& e) const override { return is_access_record_error(e); }
};

ole_variant null_value() {
  ole_variant v;
  v.variant().vt = VT_NULL;
  return v;
}

// A shop: customers keyed by ID with a duplicate key among their rows, a
// table whose name Access refuses, and order lines with every kind of value.
void fill_source(memory_store& shop) {
  memory_table customers{"Customers", {}, {}, {}};
  customers.schema.append(t_ftd(4, "ID", VT_I4, true, true));
  customers.schema.append(t_ftd(30, "Name", VT_BSTR, true, false, ole_variant("n/a")));
  customers.schema.append(t_ftd(8, "Since", VT_DATE));
  customers.indexes.append({"PK_Customers", true, true, {"ID"}});
  customers.indexes.append({"IX_Name", false, false, {"Name"}});
  customers.rows = {{ole_variant(1), ole_variant("Ann"), ole_variant::from_string("2004-05-06 07:08:09", VT_DATE)},
                    {ole_variant(2), null_value(), null_value()},
                    {ole_variant(2), ole_variant("Dup"), null_value()},
                    {ole_variant(3), ole_variant("Cy"), ole_variant::from_string("10:30:00", VT_DATE)}};
  shop.add(std::move(customers));
  memory_table lines{"Order.Lines", {}, {}, {}};
  lines.schema.append(t_ftd(8, "Qty", VT_I8));
  lines.schema.append(t_ftd(4, "Big", VT_UI4));
  lines.schema.append(t_ftd(1, "Paid", VT_BOOL, true));
  lines.schema.append(t_ftd(0, "Note", VT_BSTR));
  lines.rows = {{ole_variant(12LL), ole_variant(4000000000u), ole_variant(true), ole_variant("first")},
                {ole_variant(-5LL), null_value(), null_value(), null_value()}};
  shop.add(std::move(lines));
}

class agent_access : public ::testing::TestWithParam<udb_format> {};

TEST_P(agent_access, a_whole_run_writes_every_table_column_index_and_row) {
  agent_test_dir dir("agent_access_");
  std::ostringstream out, err;
  console_front_end console{out, err};
  error_handler handler{tk_oledb_message_count, tk_oledb_messages, console};
  handler.load_err_map(tk_dao_message_count, tk_dao_messages);
  quillmere_convertor driver{quillmere_front_end::agent};
  auto sides = std::make_shared<access_sides>();
  fill_source(sides->source("Shop"));
  driver.set_sides(sides);
  driver.set_src("Shop");
  std::string file = (dir.path / "shop.mdb").string();
  driver.set_dest(file);
  driver.set_format(udb_format_number(GetParam()));

  EXPECT_EQ(agent_convert(driver, handler), agent_exit_success);
  EXPECT_EQ(out.str(),
            "Converting database Shop (2 tables)\n"
            "Converting table Customers (4 records)\n"
            "Error:\nCustomers, record #3: Duplicate field values being used for an unique index were found. "
            "See 'Troubleshooting' article of the product documentation for solution.\n"
            "Converting table Order.Lines (2 records)\n");
  EXPECT_EQ(err.str(), "");

  EXPECT_EQ(jetcheck(file), "");
  EXPECT_EQ(mdb("ver", shell_quote(file)), GetParam() == udb_format::access97 ? "JET3\n" : "JET4\n");
  EXPECT_EQ(mdb("tables", "-1 " + shell_quote(file)), "Customers\nOrder_Lines\n");
  std::string ddl = mdb("schema", "--indexes " + shell_quote(file) + " postgres");
  for (const char* expected : {"\"id\"\t\t\tSERIAL NOT NULL", "\"name\"\t\t\tVARCHAR (30) NOT NULL",
                               "\"since\"\t\t\tTIMESTAMP WITHOUT TIME ZONE", "\"qty\"\t\t\tDOUBLE PRECISION",
                               "\"big\"\t\t\tDOUBLE PRECISION", "\"paid\"\t\t\tBOOLEAN NOT NULL", "\"note\"\t\t\tTEXT",
                               "PRIMARY KEY (\"id\")", "\"customers_ix_name_idx\" ON \"customers\" (\"name\")"}) {
    EXPECT_NE(ddl.find(expected), std::string::npos) << expected << "\n" << ddl;
  }
  EXPECT_EQ(mdb("export", "-T '%F %T' " + shell_quote(file) + " Customers"),
            "ID,Name,Since\n1,\"Ann\",\"2004-05-06 07:08:09\"\n2,,\n3,\"Cy\",\"1899-12-30 10:30:00\"\n");
  EXPECT_EQ(mdb("export", shell_quote(file) + " Order_Lines"),
            "Qty,Big,Paid,Note\n12,4000000000,1,\"first\"\n-5,,0,\n");
}

INSTANTIATE_TEST_SUITE_P(formats, agent_access, ::testing::Values(udb_format::access97, udb_format::access2000),
                         dao_testing::format_name);

}  // namespace
