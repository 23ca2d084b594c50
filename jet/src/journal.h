// The rollback journal that makes a change of a database file atomic.
//
// While a change is under way, FILE-journal (beside FILE) holds the bytes
// that the pages of FILE had at the last commit, before any of them is
// overwritten, and FILE's length then. A commit writes every page, syncs
// FILE and then removes the journal: that removal is the commit point. A
// journal found at the next open is replayed (its pages written back, FILE
// cut to its old length) and removed, which takes FILE back to its last
// commit whatever moment the writer died at.
//
// Byte map of FILE-journal (little-endian):
//   off  size  meaning
//   0    8     magic "QJNLv001"
//   8    4     page size of FILE
//   12   8     length of FILE at the last commit (0: FILE did not exist)
//   20   4     checksum of bytes 0..19
//   24   ...   records, each: page number (4), the page's original bytes
//              (page size), checksum of number and bytes (4)
// A record cut short or failing its checksum ends the journal: the journal
// is synced before the page it saves is overwritten, so such a record's
// page was never touched. A header that is short or fails its checksum
// means FILE was not touched either.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <unordered_set>

namespace jet {

class PageFile;

class Journal {
 public:
  // The journal of the database at `db_path`, whose pages have `page_size`
  // bytes. Nothing is written until the first save.
  Journal(std::string db_path, std::uint32_t page_size);
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;
  ~Journal();

  static std::string path_for(const std::string& db_path) { return db_path + "-journal"; }

  // Starts the journal (once per change) with `db_length` as the length to
  // return to, and syncs it. REQUIRES: no change is under way.
  void begin(std::uint64_t db_length);
  bool active() const { return fd_ >= 0; }
  std::uint32_t page_size() const { return page_size_; }

  // Saves the committed bytes of those `pages` (read from `db`) that lie
  // within the committed length and are not saved yet, then syncs the
  // journal. Begins the journal first if needed. Throws jet::Error (io).
  void save(PageFile& db, std::span<const std::uint32_t> pages);

  // The commit point: removes the journal and syncs its folder.
  // REQUIRES: `db` synced. Throws jet::Error (io).
  void commit();

 private:
  void append(std::span<const std::uint8_t> bytes);

  std::string path_;
  std::uint32_t page_size_;
  int fd_ = -1;
  std::uint64_t committed_length_ = 0;
  std::uint64_t end_ = 0;  // bytes written to the journal
  std::unordered_set<std::uint32_t> saved_;
};

// If `db_path` has a journal, takes the database back to its last commit
// (or removes it when it never had one) and removes the journal; the file
// is locked meanwhile. Returns true when it replayed one. Throws jet::Error
// (io) when the file is held by another writer or cannot be written back,
// or when the journal belongs to a file of another page size.
bool recover_from_journal(const std::string& db_path);

}  // namespace jet
