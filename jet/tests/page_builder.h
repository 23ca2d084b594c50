// Test helpers that build synthetic pages and files, so decoders can be
// driven through cases the reference samples do not contain.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "coding.h"
#include "format.h"
#include "page_cache.h"
#include "page_file.h"

namespace jet::testing {

using Bytes = std::vector<std::uint8_t>;

struct TestRow {
  Bytes bytes;
  std::uint16_t flags = 0;  // kRowDeletedFlag / kRowOverflowFlag bits
};

// A data (or LVAL) page holding `rows`, packed from the end of the page.
inline Bytes data_page(const Format& format, std::uint32_t owner, const std::vector<TestRow>& rows) {
  Bytes page(format.page_size, 0);
  page[0] = 0x01;
  page[1] = 0x01;
  coding::put_u32(&page[4], owner);
  coding::put_u16(&page[format.data_row_count_offset], static_cast<std::uint16_t>(rows.size()));
  std::size_t end = page.size();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::size_t start = end - rows[i].bytes.size();
    std::copy(rows[i].bytes.begin(), rows[i].bytes.end(), page.begin() + static_cast<std::ptrdiff_t>(start));
    coding::put_u16(&page[format.data_row_count_offset + 2 + 2 * i],
                    static_cast<std::uint16_t>(start | rows[i].flags));
    end = start;
  }
  return page;
}

// Little-endian byte strings for building rows.
inline Bytes le16(std::uint16_t v) { return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)}; }
inline Bytes le32(std::uint32_t v) {
  Bytes b(4);
  coding::put_u32(b.data(), v);
  return b;
}
inline Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A scratch file of whole pages, opened through a PageCache. Removed when
// the object goes away.
class PageFileFixture {
 public:
  PageFileFixture(const Format& format, const std::vector<Bytes>& pages, std::size_t cache = 8)
      : path_(std::filesystem::temp_directory_path() /
              ("jet_pages_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ".bin")) {
    {
      std::ofstream out(path_, std::ios::binary);
      for (const auto& page : pages) {
        Bytes padded = page;
        padded.resize(format.page_size, 0);
        out.write(reinterpret_cast<const char*>(padded.data()), static_cast<std::streamsize>(padded.size()));
      }
    }
    file_ = std::make_unique<PageFile>(path_.string(), PageFile::Mode::read_write);
    cache_ = std::make_unique<PageCache>(*file_, format.page_size, cache);
  }
  ~PageFileFixture() {
    cache_.reset();
    file_.reset();
    std::filesystem::remove(path_);
  }
  PageFileFixture(const PageFileFixture&) = delete;
  PageFileFixture& operator=(const PageFileFixture&) = delete;

  PageCache& cache() { return *cache_; }
  PageFile& file() { return *file_; }

 private:
  std::filesystem::path path_;
  std::unique_ptr<PageFile> file_;
  std::unique_ptr<PageCache> cache_;
};

}  // namespace jet::testing
