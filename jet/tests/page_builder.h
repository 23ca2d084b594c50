// Test helpers that build synthetic pages and files, so decoders can be
// driven through cases (mostly damage) the reference samples do not contain.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "coding.h"
#include "format.h"
#include "jet/error.h"
#include "jet/index.h"
#include "page_cache.h"
#include "page_file.h"
#include "index_page.h"

namespace jet::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes le16(std::uint16_t v) { return {std::uint8_t(v), std::uint8_t(v >> 8)}; }
inline Bytes le32(std::uint32_t v) { return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)}; }
inline Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

struct TestRow {
  Bytes bytes;
  std::uint16_t flags = 0;  // kRowDeletedFlag / kRowOverflowFlag bits
};

// A data (or LVAL) page holding `rows`, packed from the end of the page.
inline Bytes data_page(const Format& format, std::uint32_t owner, const std::vector<TestRow>& rows) {
  Bytes page(format.page_size, 0);
  page[0] = page[1] = 0x01;
  coding::put_u32(&page[4], owner);
  coding::put_u16(&page[format.data_row_count_offset], std::uint16_t(rows.size()));
  std::size_t end = page.size();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    end -= rows[i].bytes.size();
    std::copy(rows[i].bytes.begin(), rows[i].bytes.end(), page.begin() + std::ptrdiff_t(end));
    coding::put_u16(&page[format.data_row_count_offset + 2 + 2 * i], std::uint16_t(end | rows[i].flags));
  }
  return page;
}

// Index entry bytes: key, big-endian 3-byte page and row, and for nodes a child.
inline Bytes entry(Bytes key, std::uint32_t page, std::uint8_t row, std::uint32_t child = 0, bool node = false) {
  std::uint8_t tail[8];
  coding::put_u24_be(tail, page);
  tail[3] = row;
  coding::put_u32_be(tail + 4, child);
  key.insert(key.end(), tail, tail + (node ? 8 : 4));
  return key;
}

// An index page of `layout` holding `stored` entries (the ones after the
// first already stripped of the prefix), with its prev/next/tail links.
inline Bytes index_page(const IndexPageLayout& layout, std::uint8_t type, const std::vector<Bytes>& stored,
                        std::uint16_t prefix = 0, std::uint32_t owner = 77,
                        std::array<std::uint32_t, 3> links = {5, 6, 7}) {
  Bytes page(layout.page_size, 0);
  page[0] = type;
  page[1] = 0x01;
  coding::put_u32(page.data() + 4, owner);
  coding::put_u32(page.data() + layout.prev_offset, links[0]);
  coding::put_u32(page.data() + layout.next_offset, links[1]);
  coding::put_u32(page.data() + layout.tail_offset, links[2]);
  page[layout.prefix_length_offset] = std::uint8_t(prefix);
  std::size_t end = 0;
  for (const Bytes& e : stored) {
    std::copy(e.begin(), e.end(), page.begin() + layout.entries_offset() + end);
    end += e.size();
    page[layout.mask_offset + end / 8] |= std::uint8_t(1u << (end % 8));
  }
  return page;
}

// A scratch file of whole pages, opened through a PageCache; removed when
// the object goes away.
class PageFileFixture {
 public:
  PageFileFixture(const Format& format, const std::vector<Bytes>& pages, std::size_t cache = 8)
      : path_(write(format, pages)), file_(path_.string(), PageFile::Mode::read_write),
        cache_(file_, format.page_size, cache) {}
  ~PageFileFixture() { std::filesystem::remove(path_); }

  PageCache& cache() { return cache_; }
  PageFile& file() { return file_; }

 private:
  static std::filesystem::path write(const Format& format, const std::vector<Bytes>& pages) {
    static int count = 0;
    const auto path = std::filesystem::temp_directory_path() /
                      ("jet_pages_" + std::to_string(::getpid()) + "_" + std::to_string(count++) + ".bin");
    std::ofstream out(path, std::ios::binary);
    for (Bytes page : pages) {
      page.resize(format.page_size, 0);
      out.write(reinterpret_cast<const char*>(page.data()), std::streamsize(page.size()));
    }
    return path;
  }
  std::filesystem::path path_;
  PageFile file_;
  PageCache cache_;
};

// Runs `action`, which must throw a corruption error naming `page`.
template <typename F>
void expect_corruption(F&& action, std::uint32_t page, const std::string& what) {
  try {
    action();
    ADD_FAILURE() << what << ": no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::corruption) << what << ": " << e.what();
    EXPECT_EQ(e.page(), page) << what << ": " << e.what();
  }
}

}  // namespace jet::testing
