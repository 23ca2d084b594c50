// The text key encoders of both sort orders against every text key Access
// wrote in the sample databases, and the other key encoders against every
// other key.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <set>

#include "index_test_util.h"
#include "sample_files.h"

namespace jet {
namespace {

bool has_text(const testing::KeyPair& pair) {
  return std::any_of(pair.types.begin(), pair.types.end(), [](ColumnType t) {
    return t == ColumnType::text || t == ColumnType::memo;
  });
}

struct Tally {
  std::size_t keys = 0;
  std::set<char32_t> chars;
};

// Compares the text (or the non-text) key pairs of `samples`; reports each
// mismatch with its place.
Tally expect_equal_keys(const std::vector<std::string>& samples, bool text) {
  Tally tally;
  for (const auto& name : samples) {
    auto path = testing::sample(name);
    for (const auto& pair : testing::sample_key_pairs(path)) {
      if (has_text(pair) != text) continue;
      ++tally.keys;
      tally.chars.insert(pair.text.begin(), pair.text.end());
      EXPECT_EQ(key_to_hex(pair.encoded), key_to_hex(pair.stored)) << name << ": " << pair.where;
    }
  }
  return tally;
}

std::vector<std::string> samples_of(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& path : testing::sample_files()) {
    if (path.parent_path().filename() == folder) names.push_back(folder + "/" + path.filename().string());
  }
  return names;
}

TEST(SortGeneral97, EncoderMatchesEveryTextKeyOfJet3Samples) {
  if (testing::samples_dir().empty()) GTEST_SKIP() << "reference samples absent";
  Tally t = expect_equal_keys(samples_of("jet3-access97"), true);
  std::cout << "General 97: " << t.keys << " keys, " << t.chars.size() << " distinct characters\n";
  EXPECT_GT(t.keys, 2500u);
  // testIndexCodesV1997.mdb covers nearly every code-page byte
  EXPECT_GE(t.chars.size(), 250u);
}

TEST(SortGeneralLegacy, EncoderMatchesEveryTextKeyOfJet4Samples) {
  if (testing::samples_dir().empty()) GTEST_SKIP() << "reference samples absent";
  Tally t = expect_equal_keys(samples_of("jet4-access2000"), true);
  std::cout << "General legacy: " << t.keys << " keys, " << t.chars.size()
            << " distinct characters\n";
  EXPECT_GT(t.keys, 400u);
}

TEST(KeySamples, EncoderMatchesEveryNonTextKeyOfEverySample) {
  if (testing::samples_dir().empty()) GTEST_SKIP() << "reference samples absent";
  std::vector<std::string> all = samples_of("jet3-access97");
  for (const auto& name : samples_of("jet4-access2000")) all.push_back(name);
  Tally t = expect_equal_keys(all, false);
  std::cout << "Non-text keys: " << t.keys << "\n";
  EXPECT_GT(t.keys, 1000u);
}

}  // namespace
}  // namespace jet
