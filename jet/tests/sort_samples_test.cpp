// The key encoders against every key Access wrote in the samples: text keys
// of both sort orders (General 97 in Jet 3 files, General legacy in Jet 4
// files), and every non-text key.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "index_test_util.h"
#include "sample_files.h"

namespace jet {
namespace {

TEST(KeySamples, EncodersMatchEveryKeyAccessWrote) {
  JET_REQUIRE_SAMPLES();
  struct Case {
    const char* what;
    const char* folder;  // empty: every sample
    bool text;
    std::size_t min_keys, min_chars;
  } const cases[] = {
      {"General 97 text keys", "jet3-access97", true, 2500, 250},  // testIndexCodesV1997: nearly every byte
      {"General legacy text keys", "jet4-access2000", true, 400, 0},
      {"non-text keys", "", false, 1000, 0},
  };
  for (const auto& c : cases) {
    std::size_t keys = 0;
    std::set<char32_t> chars;
    for (const auto& path : testing::sample_files()) {
      if (*c.folder && path.parent_path().filename() != c.folder) continue;
      for (const auto& pair : testing::sample_key_pairs(path)) {
        const bool text = std::any_of(pair.types.begin(), pair.types.end(), [](ColumnType t) {
          return t == ColumnType::text || t == ColumnType::memo;
        });
        if (text != c.text) continue;
        ++keys;
        chars.insert(pair.text.begin(), pair.text.end());
        EXPECT_EQ(key_to_hex(pair.encoded), key_to_hex(pair.stored)) << path.filename() << ": " << pair.where;
      }
    }
    EXPECT_GT(keys, c.min_keys) << c.what;
    EXPECT_GE(chars.size(), c.min_chars) << c.what;
  }
}

}  // namespace
}  // namespace jet
