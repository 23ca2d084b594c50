#include "header.h"

#include <gtest/gtest.h>

#include <fstream>

#include "coding.h"
#include "jet/database.h"
#include "page_builder.h"
#include "sample_files.h"

namespace jet {
namespace {

using testing::Bytes;

Bytes first_page(const std::string& sample, std::size_t size) {
  std::ifstream in(testing::sample(sample), std::ios::binary);
  Bytes bytes(size);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  return bytes;
}

TEST(DatabaseHeader, SamplesOfBothVersions) {
  if (testing::samples_dir().empty()) GTEST_SKIP() << "reference samples are not present";
  struct Case {
    const char* file;
    JetVersion version;
    std::size_t page;
  };
  for (const Case& c : {Case{"jet3-access97/testV1997.mdb", JetVersion::jet3, 2048},
                        Case{"jet4-access2000/testV2000.mdb", JetVersion::jet4, 4096},
                        Case{"jet4-access2000/adox_jet4.mdb", JetVersion::jet4, 4096}}) {
    const DatabaseHeader h = decode_header(first_page(c.file, c.page));
    EXPECT_EQ(h.version, c.version) << c.file;
    EXPECT_EQ(h.engine_name, "Standard Jet DB") << c.file;
    EXPECT_EQ(h.code_page, 1252) << c.file;
    EXPECT_EQ(h.sort_order, 0x409) << c.file;
    EXPECT_EQ(h.database_key, 0u) << c.file;
    EXPECT_EQ(h.password, "") << c.file;
    EXPECT_EQ(h.commit_table.size(), kCommitTableSize) << c.file;
    if (c.version == JetVersion::jet4) {
      ASSERT_TRUE(h.creation_date.has_value()) << c.file;
      const CivilTime created = to_civil(DateTime{*h.creation_date});
      EXPECT_GE(created.year, 1999) << c.file;
      EXPECT_LE(created.year, 2030) << c.file;
      EXPECT_EQ(h.engine_version_text, "4.0") << c.file;
    } else {
      EXPECT_FALSE(h.creation_date.has_value());
    }
  }
}

// Writes a password the way each version stores it, then decodes it.
TEST(DatabaseHeader, PasswordsUnderBothMasks) {
  if (testing::samples_dir().empty()) GTEST_SKIP() << "reference samples are not present";
  struct Case {
    const char* file;
    std::size_t page;
    std::string password;
  };
  for (const Case& c : {Case{"jet3-access97/testV1997.mdb", 2048, "secret"},
                        Case{"jet4-access2000/testV2000.mdb", 4096, "Geheim42"},
                        Case{"jet4-access2000/testV2000.mdb", 4096, "twenty-chars-long!!!"}}) {
    Bytes page = first_page(c.file, c.page);
    const JetVersion version = detect_version(page);
    apply_header_mask(page, version);
    if (version == JetVersion::jet3) {
      std::copy(c.password.begin(), c.password.end(), page.begin() + kPasswordOffset);
    } else {
      const double date = coding::get_f64(&page[kJet4CreationDateOffset]);
      std::uint8_t mask[4];
      coding::put_u32(mask, static_cast<std::uint32_t>(static_cast<std::int32_t>(date)));
      for (std::size_t i = 0; i < kJet4PasswordSize; ++i) {
        const std::uint8_t plain = i / 2 < c.password.size() && i % 2 == 0 ? c.password[i / 2] : 0;
        page[kPasswordOffset + i] = plain ^ mask[i % 4];
      }
    }
    apply_header_mask(page, version);
    EXPECT_EQ(decode_header(page).password, c.password) << c.file;
  }
}

TEST(DatabaseHeader, EncodeIsTheInverseOfDecode) {
  if (testing::samples_dir().empty()) GTEST_SKIP() << "reference samples are not present";
  for (const auto& [file, size] : {std::pair{"jet3-access97/testV1997.mdb", 2048},
                                   std::pair{"jet4-access2000/testV2000.mdb", 4096},
                                   std::pair{"jet4-access2000/adox_jet4.mdb", 4096}}) {
    const Bytes original = first_page(file, static_cast<std::size_t>(size));
    DatabaseHeader header = decode_header(original);
    Bytes copy = original;
    encode_header(header, copy);
    EXPECT_EQ(copy, original) << file;  // every byte reproduced

    header.password = "pw9";
    header.code_page = 1250;
    Bytes blank(original.size(), 0);
    encode_header(header, blank);
    const DatabaseHeader back = decode_header(blank);
    EXPECT_EQ(back.password, "pw9") << file;
    EXPECT_EQ(back.code_page, 1250) << file;
    EXPECT_EQ(back.sort_order, header.sort_order) << file;
    EXPECT_EQ(back.creation_date, header.creation_date) << file;
    EXPECT_EQ(back.commit_table, header.commit_table) << file;
  }
  DatabaseHeader bad;
  bad.commit_table.assign(kCommitTableSize, 0);
  bad.password = std::string(21, 'x');
  Bytes page(4096, 0);
  EXPECT_THROW(encode_header(bad, page), Error);
}

TEST(DatabaseHeader, MaskIsItsOwnInverse) {
  Bytes page(4096);
  for (std::size_t i = 0; i < page.size(); ++i) page[i] = static_cast<std::uint8_t>(i * 7);
  const Bytes original = page;
  apply_header_mask(page, JetVersion::jet4);
  EXPECT_NE(page, original);
  EXPECT_TRUE(std::equal(page.begin(), page.begin() + kMaskedRegionOffset, original.begin()));
  EXPECT_TRUE(std::equal(page.begin() + kMaskedRegionOffset + kJet4MaskedRegionSize, page.end(),
                         original.begin() + kMaskedRegionOffset + kJet4MaskedRegionSize));
  apply_header_mask(page, JetVersion::jet4);
  EXPECT_EQ(page, original);
}

TEST(DatabaseHeader, RejectsWhatIsNotAJetHeader) {
  Bytes good(4096, 0);
  coding::put_u32(&good[0], kHeaderMagic);
  const std::string name = "Standard Jet DB";
  std::copy(name.begin(), name.end(), good.begin() + kEngineNameOffset);
  good[kVersionOffset] = 1;
  EXPECT_EQ(detect_version(good), JetVersion::jet4);

  struct Case {
    const char* what;
    std::size_t offset;
    std::uint8_t value;
    std::size_t keep;
    ErrorKind kind;
  };
  const Case cases[] = {
      {"short page", 0, 0, 40, ErrorKind::corruption},
      {"wrong magic", 1, 0x02, 4096, ErrorKind::corruption},
      {"wrong engine name", 4, 'X', 4096, ErrorKind::corruption},
      {"ACE version", kVersionOffset, 3, 4096, ErrorKind::not_supported},
  };
  for (const auto& c : cases) {
    Bytes page = good;
    page[c.offset] = c.value;
    page.resize(c.keep);
    try {
      decode_header(page);
      ADD_FAILURE() << c.what;
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), c.kind) << c.what;
      if (c.kind == ErrorKind::corruption) {
        EXPECT_EQ(e.page(), 0u) << c.what;
      }
    }
  }
}

TEST(DatabaseHeader, DatabaseReportsItsHeaderAndGeometry) {
  if (testing::samples_dir().empty()) GTEST_SKIP() << "reference samples are not present";
  auto db = Database::open(testing::sample("jet3-access97/testV1997.mdb").string());
  EXPECT_EQ(db.version(), JetVersion::jet3);
  EXPECT_EQ(db.page_size(), 2048u);
  EXPECT_EQ(db.page_count(), 118784u / 2048u);
  EXPECT_EQ(db.header().code_page, 1252);
}

}  // namespace
}  // namespace jet
