#include "header.h"

#include <gtest/gtest.h>

#include "coding.h"
#include "jet/database.h"
#include "page_builder.h"
#include "sample_files.h"

namespace jet {
namespace {

using testing::Bytes;

struct HeaderSample {
  const char* file;
  JetVersion version;
  std::size_t page;
};
const HeaderSample kHeaderSamples[] = {{testing::kJet3Sample, JetVersion::jet3, 2048},
                                       {testing::kJet4Sample, JetVersion::jet4, 4096},
                                       {"jet4-access2000/adox_jet4.mdb", JetVersion::jet4, 4096}};

TEST(DatabaseHeader, SamplesDecodeAndEncodeByteForByte) {
  JET_REQUIRE_SAMPLES();
  for (const auto& c : kHeaderSamples) {
    const Bytes original = testing::read_bytes(testing::sample(c.file), c.page);
    DatabaseHeader h = decode_header(original);
    EXPECT_EQ(h.version, c.version) << c.file;
    EXPECT_EQ(h.engine_name, "Standard Jet DB") << c.file;
    EXPECT_EQ(h.code_page, 1252) << c.file;
    EXPECT_EQ(h.sort_order, 0x409) << c.file;
    EXPECT_EQ(h.database_key, 0u) << c.file;
    EXPECT_EQ(h.password, "") << c.file;
    EXPECT_EQ(h.commit_table.size(), kCommitTableSize) << c.file;
    EXPECT_EQ(h.creation_date.has_value(), c.version == JetVersion::jet4) << c.file;
    if (h.creation_date) {
      const CivilTime created = to_civil(DateTime{*h.creation_date});
      EXPECT_TRUE(created.year >= 1999 && created.year <= 2030) << c.file;
      EXPECT_EQ(h.engine_version_text, "4.0") << c.file;
    }

    Bytes copy = original;
    encode_header(h, copy);
    EXPECT_EQ(copy, original) << c.file;
    h.password = "pw9";
    h.code_page = 1250;
    Bytes blank(original.size(), 0);
    encode_header(h, blank);
    const DatabaseHeader back = decode_header(blank);
    EXPECT_EQ(back.password, "pw9") << c.file;
    EXPECT_EQ(back.code_page, 1250) << c.file;
    EXPECT_EQ(back.sort_order, h.sort_order) << c.file;
    EXPECT_EQ(back.creation_date, h.creation_date) << c.file;
    EXPECT_EQ(back.commit_table, h.commit_table) << c.file;
  }
  DatabaseHeader too_long;
  too_long.commit_table.assign(kCommitTableSize, 0);
  too_long.password = std::string(21, 'x');
  Bytes page(4096, 0);
  EXPECT_THROW(encode_header(too_long, page), Error);

  auto db = Database::open(testing::sample(testing::kJet3Sample).string());
  EXPECT_EQ(db.version(), JetVersion::jet3);
  EXPECT_EQ(db.page_size(), 2048u);
  EXPECT_EQ(db.page_count(), 118784u / 2048u);
  EXPECT_EQ(db.header().code_page, 1252);
}

// A password written here the way each version masks it, then decoded.
TEST(DatabaseHeader, PasswordsUnderBothMasks) {
  JET_REQUIRE_SAMPLES();
  for (const auto& [file, page_size, password] :
       {std::tuple{testing::kJet3Sample, 2048, "secret"}, std::tuple{testing::kJet4Sample, 4096, "Geheim42"},
        std::tuple{testing::kJet4Sample, 4096, "twenty-chars-long!!!"}}) {
    const std::string pw = password;
    Bytes page = testing::read_bytes(testing::sample(file), std::size_t(page_size));
    const JetVersion version = detect_version(page);
    apply_header_mask(page, version);
    if (version == JetVersion::jet3) {
      std::copy(pw.begin(), pw.end(), page.begin() + kPasswordOffset);
    } else {
      std::uint8_t mask[4];
      coding::put_u32(mask, std::uint32_t(std::int32_t(coding::get_f64(&page[kJet4CreationDateOffset]))));
      for (std::size_t i = 0; i < kJet4PasswordSize; ++i) {
        const std::uint8_t plain = i / 2 < pw.size() && i % 2 == 0 ? pw[i / 2] : 0;
        page[kPasswordOffset + i] = plain ^ mask[i % 4];
      }
    }
    apply_header_mask(page, version);
    EXPECT_EQ(decode_header(page).password, pw) << file;
  }
}

TEST(DatabaseHeader, RejectsWhatIsNotAJetHeader) {
  Bytes good(4096, 0);
  coding::put_u32(&good[0], kHeaderMagic);
  const std::string name = "Standard Jet DB";
  std::copy(name.begin(), name.end(), good.begin() + kEngineNameOffset);
  good[kVersionOffset] = 1;
  EXPECT_EQ(detect_version(good), JetVersion::jet4);
  const std::tuple<const char*, std::size_t, std::uint8_t, std::size_t, ErrorKind> cases[] = {
      {"short page", 0, 0, 40, ErrorKind::corruption},
      {"wrong magic", 1, 0x02, 4096, ErrorKind::corruption},
      {"wrong engine name", 4, 'X', 4096, ErrorKind::corruption},
      {"ACE version", kVersionOffset, 3, 4096, ErrorKind::not_supported},
  };
  for (const auto& [what, offset, value, keep, kind] : cases) {
    Bytes page = good;
    page[offset] = value;
    page.resize(keep);
    try {
      decode_header(page);
      ADD_FAILURE() << what;
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), kind) << what;
      if (kind == ErrorKind::corruption) {
        EXPECT_EQ(e.page(), 0u) << what;
      }
    }
  }
}

}  // namespace
}  // namespace jet
