// Small valid inputs for the fuzz targets, built in code so the seed
// corpus needs no files from elsewhere.
#include <string>

#include "coding.h"
#include "format.h"
#include "fuzz_targets.h"
#include "header.h"
#include "jet/types.h"

namespace jet::fuzz {
namespace {

using Bytes = std::vector<std::uint8_t>;

void append(Bytes& out, std::initializer_list<std::uint8_t> bytes) { out.insert(out.end(), bytes); }
void append16(Bytes& out, std::uint16_t v) { append(out, {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)}); }
void append32(Bytes& out, std::uint32_t v) {
  append16(out, static_cast<std::uint16_t>(v));
  append16(out, static_cast<std::uint16_t>(v >> 16));
}

Bytes header(JetVersion version) {
  Bytes page(version == JetVersion::jet4 ? 4096 : 2048, 0);
  coding::put_u32(&page[kHeaderMagicOffset], kHeaderMagic);
  const std::string name = "Standard Jet DB";
  std::copy(name.begin(), name.end(), page.begin() + kEngineNameOffset);
  page[kVersionOffset] = static_cast<std::uint8_t>(version);
  coding::put_u16(&page[kCodePageOffset], 1252);
  coding::put_u16(&page[version == JetVersion::jet4 ? kJet4SortOrderOffset : kJet3SortOrderOffset], 0x409);
  if (version == JetVersion::jet4) coding::put_f64(&page[kJet4CreationDateOffset], 38000.5);
  page[kPasswordOffset] = 'p';
  apply_header_mask(page, version);
  return page;
}

Bytes tdef(const Format& f) {
  Bytes t(1 + f.tdef_header_size, 0);
  t[0] = f.is_jet4() ? 1 : 0;
  std::uint8_t* p = t.data() + 1;
  p[0] = 0x02;
  p[1] = 0x01;
  p[f.tdef_table_type_offset] = 0x4E;
  coding::put_u16(p + f.tdef_max_columns_offset, 2);
  coding::put_u16(p + f.tdef_var_columns_offset, 1);
  coding::put_u16(p + f.tdef_column_count_offset, 2);
  coding::put_u32(p + f.tdef_index_count_offset, 1);
  coding::put_u32(p + f.tdef_real_index_count_offset, 1);
  t.resize(t.size() + f.tdef_real_index_count_entry, 0);
  for (std::uint8_t type : {std::uint8_t{0x04}, std::uint8_t{0x0A}}) {
    Bytes c(f.tdef_column_entry, 0);
    c[0] = type;
    c[f.is_jet4() ? 5 : 1] = type == 0x0A ? 1 : 0;
    c[f.is_jet4() ? 15 : 13] = type == 0x04 ? 0x01 : 0x02;
    c[f.is_jet4() ? 23 : 16] = type == 0x04 ? 4 : 50;
    t.insert(t.end(), c.begin(), c.end());
  }
  for (char name : {'a', 'b'}) {
    if (f.is_jet4()) append(t, {2, 0, static_cast<std::uint8_t>(name), 0});
    else append(t, {1, static_cast<std::uint8_t>(name)});
  }
  Bytes real(f.tdef_real_index_entry, 0xFF);
  const std::size_t first = f.is_jet4() ? 4 : 0;
  real[first] = 0;
  real[first + 1] = 0;
  real[first + 2] = 1;
  t.insert(t.end(), real.begin(), real.end());
  Bytes logical(f.tdef_logical_index_entry, 0);
  logical[(f.is_jet4() ? 4 : 0) + 19] = 1;
  t.insert(t.end(), logical.begin(), logical.end());
  if (f.is_jet4()) append(t, {4, 0, 'P', 0, 'K', 0});
  else append(t, {2, 'P', 'K'});
  append16(t, 0xFFFF);
  return t;
}

// A row of the every-type table: all fixed columns present, text "hi",
// binary 2 bytes, memo and OLE inline long values.
Bytes row(const Format& f) {
  Bytes r = {static_cast<std::uint8_t>(f.is_jet4() ? 1 : 0)};
  const std::size_t start = r.size();
  if (f.is_jet4()) append16(r, 14);
  else append(r, {14});
  r.resize(r.size() + 1 + 2 + 4 + 8 + 4 + 8 + 8 + 16 + 17, 0x11);  // fixed area
  r[start + f.row_count_size + 7] = 0x40;  // a plausible double
  std::vector<std::size_t> offsets;
  auto var = [&](Bytes bytes) {
    offsets.push_back(r.size() - start);
    r.insert(r.end(), bytes.begin(), bytes.end());
  };
  var(f.is_jet4() ? Bytes{0xFF, 0xFE, 'h', 'i'} : Bytes{'h', 'i'});
  var({0xCA, 0xFE});
  for (int i = 0; i < 2; ++i) var({3, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 'm', 'e', 'm'});
  offsets.push_back(r.size() - start);
  for (auto it = offsets.rbegin(); it != offsets.rend(); ++it) {
    if (f.is_jet4()) append16(r, static_cast<std::uint16_t>(*it));
    else append(r, {static_cast<std::uint8_t>(*it)});
  }
  if (f.is_jet4()) append16(r, 4);
  else append(r, {4});
  append(r, {0xFF, 0x3F});
  return r;
}

Bytes properties(bool jet4) {
  Bytes b = {static_cast<std::uint8_t>(jet4 ? 1 : 0)};
  append(b, jet4 ? std::initializer_list<std::uint8_t>{'M', 'R', '2', 0} : std::initializer_list<std::uint8_t>{'K', 'K', 'D', 0});
  const Bytes name = jet4 ? Bytes{'R', 0} : Bytes{'R'};
  append32(b, static_cast<std::uint32_t>(6 + 2 + name.size()));
  append16(b, 0x80);
  append16(b, static_cast<std::uint16_t>(name.size()));
  b.insert(b.end(), name.begin(), name.end());
  append32(b, 6 + 6 + 9);
  append16(b, 0x00);
  append32(b, 6 + 9);
  append16(b, 0);
  append(b, {9, 0, 0, 0x01, 0, 0, 1, 0, 1});
  return b;
}

}  // namespace

std::vector<Bytes> header_seeds() { return {header(JetVersion::jet3), header(JetVersion::jet4)}; }
std::vector<Bytes> tdef_seeds() { return {tdef(kJet3Format), tdef(kJet4Format)}; }
std::vector<Bytes> row_seeds() { return {row(kJet3Format), row(kJet4Format)}; }
std::vector<Bytes> properties_seeds() { return {properties(false), properties(true)}; }

}  // namespace jet::fuzz
