// The structural checker: sound on every sample; on copies damaged here on
// purpose (a zeroed index page, a page dropped from a usage map, a broken
// leaf chain, a flipped key byte, a broken long value chain, a truncated
// file) it names what is wrong; jetcheck's exit status follows. Randomly
// flipped bytes: reader_damage_test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "coding.h"
#include "data_page.h"
#include "header.h"
#include "index_test_util.h"
#include "index_walk.h"
#include "jet/check.h"
#include "long_value.h"
#include "row_layout.h"
#include "sample_files.h"
#include "index_page.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using testing::write_at;

std::string joined(const std::vector<Fault>& faults) {
  std::string out;
  for (const auto& f : faults) out += f.message + "\n";
  return out;
}

bool mentions(const std::vector<Fault>& faults, std::uint32_t page, const std::string& text) {
  return std::any_of(faults.begin(), faults.end(),
                     [&](const Fault& f) { return f.page == page && f.message.find(text) != std::string::npos; });
}

// Access leaves the pages of deleted tables unreclaimed until the file is
// compacted; these two samples hold such pages, every other is spotless.
bool has_deleted_tables(const fs::path& path) {
  return path.filename() == "testV2000.mdb" || path.filename() == "testRefGlobalV2000.mdb";
}

TEST(CheckSamples, EverySampleIsSound) {
  JET_REQUIRE_SAMPLES();
  for (const auto& path : testing::sample_files()) {
    std::vector<Fault> faults = check(path);
    EXPECT_TRUE(is_sound(faults, !has_deleted_tables(path))) << path.filename() << ":\n" << joined(faults);
    if (has_deleted_tables(path)) {
      EXPECT_FALSE(is_sound(faults, true)) << path.filename();
    }
  }
}

class CheckDamage : public testing::ScratchTest {
 protected:
  void SetUp() override {
    JET_REQUIRE_SAMPLES();
    ScratchTest::SetUp();
  }
};

// The first user table (by catalog order) that has an index.
TableDef user_table(testing::OpenSample& s) {
  for (const auto& entry : check_detail::read_catalog(s.ctx)) {
    if (entry.name.rfind("MSys", 0) == 0) continue;
    TableDef table = read_table_def(s.pages, s.format, entry.tdef_page);
    if (!table.real_indexes.empty()) return table;
  }
  throw std::runtime_error("no user table with an index");
}

// Where to damage a sample, and the page whose fault must name it.
struct Damage {
  std::uint32_t page;
  std::uint64_t offset;
  Bytes bytes;
};

Damage zeroed_index_page(testing::OpenSample& s) {
  const std::uint32_t page = user_table(s).real_indexes[0].first_page;
  return {page, std::uint64_t(page) * s.format.page_size, Bytes(s.format.page_size, 0)};
}

Damage data_page_dropped_from_usage_map(testing::OpenSample& s) {
  TableDef table = user_table(s);
  LocatedRow row = locate_row(s.pages, s.format, table.used_pages, table.tdef_page);
  if (row.bytes[0] != kInlineUsageMap) throw std::runtime_error("not an inline usage map");
  const std::uint32_t first = coding::get_u32(row.bytes.data() + 1);
  const std::uint32_t page = read_usage_map(s.pages, s.format, table.used_pages, table.tdef_page).pages.at(0);
  const std::size_t at = kInlineMapHeaderSize + (page - first) / 8;
  const std::size_t in_page = std::size_t(row.bytes.data() - row.page->bytes.data()) + at;
  return {page, std::uint64_t(row.page->number) * s.format.page_size + in_page,
          {std::uint8_t(row.bytes[at] & ~(1u << ((page - first) % 8)))}};
}

// The first leaf of a user table's index of two leaves or more.
std::uint32_t first_of_several_leaves(testing::OpenSample& s) {
  const IndexPageLayout& layout = IndexPageLayout::of(s.format.version);
  for (const auto& entry : check_detail::read_catalog(s.ctx)) {
    if (entry.name.rfind("MSys", 0) == 0) continue;
    TableDef table = read_table_def(s.pages, s.format, entry.tdef_page);
    for (const RealIndexDef& index : table.real_indexes) {
      IndexTree tree = walk_index(s.pages, layout, index.first_page, table.tdef_page, [](const Error& e) { throw e; });
      if (tree.leaves.size() >= 2) return tree.leaves[0].page;
    }
  }
  throw std::runtime_error("no index of several leaves");
}

Damage leaf_chain_cut(testing::OpenSample& s) {
  const std::uint32_t leaf = first_of_several_leaves(s);
  return {leaf, std::uint64_t(leaf) * s.format.page_size + IndexPageLayout::of(s.format.version).next_offset,
          Bytes(4, 0)};
}

// The byte after the first flag: a key byte, or the row pointer after a
// null key; either way the entry no longer matches its row.
Damage first_entry_flipped(testing::OpenSample& s) {
  const std::uint32_t leaf = first_of_several_leaves(s);
  const std::size_t at = IndexPageLayout::of(s.format.version).entries_offset() + 1;
  return {leaf, std::uint64_t(leaf) * s.format.page_size + at, {std::uint8_t(s.pages.get(leaf)->bytes[at] ^ 0x20)}};
}

TEST_F(CheckDamage, DamageIsNamedWithItsPage) {
  const char* const index_tests[] = {"jet3-access97/indexTestV1997.mdb", "jet4-access2000/indexTestV2000.mdb"};
  const char* const many_leaves[] = {"jet3-access97/testIndexCodesV1997.mdb", "jet4-access2000/compIndexTestV2000.mdb"};
  struct Case {
    const char* const* samples;
    Damage (*locate)(testing::OpenSample&);
    std::vector<std::vector<std::string>> named;  // each named, by one of its alternatives
  } const cases[] = {
      {index_tests, zeroed_index_page, {{"expected page type 0x03 or 0x04, found 0x00"}, {"usage map lists it"}}},
      {index_tests, data_page_dropped_from_usage_map, {{"found an unowned page of type 0x01"}}},
      {many_leaves, leaf_chain_cut, {{"expected next leaf"}}},
      {many_leaves, first_entry_flipped, {{"expected key", "expected entries for live rows"}}},
  };
  for (const auto& c : cases) {
    for (const char* sample : {c.samples[0], c.samples[1]}) {
      const fs::path file = copy_of(sample);
      Damage damage;
      {
        testing::OpenSample s(file);
        damage = c.locate(s);
      }
      write_at(file, damage.offset, damage.bytes);
      const std::vector<Fault> faults = check(file);
      for (const auto& alternatives : c.named) {
        EXPECT_TRUE(std::any_of(alternatives.begin(), alternatives.end(),
                                [&](const std::string& text) { return mentions(faults, damage.page, text); }))
            << sample << ", " << alternatives[0] << ":\n" << joined(faults);
      }
    }
  }
}

// The file offset of the link of the first row of a long value chained over
// two rows or more.
std::optional<std::uint64_t> chain_link(const fs::path& file) {
  testing::OpenSample s(file);
  for (const auto& entry : check_detail::read_catalog(s.ctx)) {
    TableDef table;
    try {
      table = read_table_def(s.pages, s.format, entry.tdef_page);
    } catch (const Error&) {
      continue;
    }
    for (std::uint32_t page : read_usage_map(s.pages, s.format, table.used_pages, table.tdef_page).pages) {
      auto slots = decode_row_slots(s.pages.get(page)->view(), s.format, page);
      for (std::size_t i = 0; i < slots.size(); ++i) {
        if (slots[i].deleted) continue;
        LocatedRow row = resolve_row(s.pages, s.format, {page, std::uint8_t(i)}, page);
        auto fields = split_row(row.bytes, table, s.format, page);
        for (std::size_t c = 0; c < fields.size(); ++c) {
          ColumnType type = table.columns[c].type;
          if (fields[c].is_null || (type != ColumnType::memo && type != ColumnType::ole)) continue;
          LongValueRef ref = decode_long_value_ref(fields[c].bytes, page);
          if (ref.storage != LongValueStorage::chain) continue;
          LocatedRow lval = locate_row(s.pages, s.format, ref.first_row, page);
          if (lval.bytes.size() < 4 || coding::get_u32(lval.bytes.data()) == 0) continue;
          std::size_t in_page = std::size_t(lval.bytes.data() - lval.page->bytes.data());
          return std::uint64_t(lval.page->number) * s.format.page_size + in_page;
        }
      }
    }
  }
  return std::nullopt;
}

TEST_F(CheckDamage, BrokenLongValueChainIsNamed) {
  int found = 0;
  for (const auto& path : testing::sample_files()) {
    fs::path file = copy_of(fs::relative(path, testing::samples_dir()).string());
    auto link = chain_link(file);
    if (!link) continue;
    ++found;
    write_at(file, *link, Bytes(4, 0));  // the chain now ends after one row
    std::vector<Fault> faults = check(file);
    EXPECT_TRUE(std::any_of(faults.begin(), faults.end(), [&](const Fault& f) {
      return f.message.find(", row ") != std::string::npos &&
             f.message.find("bytes in the chain") != std::string::npos;
    }))
        << path.filename() << ":\n" << joined(faults);
    if (found == 2) break;
  }
  EXPECT_GT(found, 0) << "no sample holds a chained long value";
}

TEST_F(CheckDamage, TruncatedFileIsReportedOrRejected) {
  for (const char* sample : {testing::kJet3Sample, testing::kJet4Sample}) {
    fs::path file = copy_of(sample);
    const std::uint64_t page_size = testing::OpenSample(file).format.page_size;
    std::uint64_t size = fs::file_size(file);
    fs::resize_file(file, size * 6 / 10 / page_size * page_size);
    std::vector<Fault> faults = check(file);
    EXPECT_FALSE(faults.empty()) << sample;
    EXPECT_TRUE(std::any_of(faults.begin(), faults.end(), [](const Fault& f) {
      return f.message.find("past the end") != std::string::npos ||
             f.message.find("expected pages below") != std::string::npos;
    })) << sample << ":\n" << joined(faults);
    fs::resize_file(file, size * 6 / 10 / page_size * page_size + 100);  // a partial page
    EXPECT_THROW(check(file), Error) << sample;
    fs::resize_file(file, 100);
    EXPECT_THROW(check(file), Error) << sample;
  }
}

#ifdef JETCHECK_PATH
int run_jetcheck(const fs::path& file, const std::string& option = "") {
  std::string command = testing::shell_quote(JETCHECK_PATH) + " " + option + " " +
                        testing::shell_quote(file.string()) + " >/dev/null 2>&1";
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(CheckDamage, JetcheckExitStatusTellsSoundDamagedUnreadable) {
  fs::path sound = copy_of("jet3-access97/indexTestV1997.mdb");
  EXPECT_EQ(run_jetcheck(sound), 0);
  fs::path damaged = copy_of("jet4-access2000/indexTestV2000.mdb");
  {
    testing::OpenSample s(damaged);
    std::uint32_t page = user_table(s).real_indexes[0].first_page;
    write_at(damaged, std::uint64_t(page) * s.format.page_size, Bytes(16, 0));
  }
  EXPECT_EQ(run_jetcheck(damaged), 1);
  fs::path text = dir_ / "notes.txt";
  std::ofstream(text) << "not a database\n";
  EXPECT_EQ(run_jetcheck(text), 2);
  fs::path leaky = copy_of(testing::kJet4Sample);
  EXPECT_EQ(run_jetcheck(leaky), 0);
  EXPECT_EQ(run_jetcheck(leaky, "--strict"), 1);
  EXPECT_EQ(run_jetcheck(dir_ / "missing.mdb"), 2);
  // An encoded file cannot be read, as Database::open says: not damage.
  fs::path encoded = copy_of(testing::kJet3Sample);
  Bytes page0 = testing::read_bytes(encoded, kHeaderMinimumSize);
  DatabaseHeader header = decode_header(page0);
  header.database_key = 0x1234567;
  encode_header(header, page0);
  write_at(encoded, 0, page0);
  EXPECT_EQ(run_jetcheck(encoded), 2);
  try {
    check(encoded);
    ADD_FAILURE() << "an encoded file was checked";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::not_supported) << e.what();
  }
}
#endif

}  // namespace
}  // namespace jet
