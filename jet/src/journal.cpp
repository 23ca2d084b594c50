#include "journal.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "coding.h"
#include "crash_points.h"
#include "jet/error.h"
#include "page_file.h"

namespace jet {
namespace {

constexpr std::array<std::uint8_t, 8> kMagic = {'Q', 'J', 'N', 'L', 'v', '0', '0', '1'};
constexpr std::size_t kHeaderSize = 24;

std::uint32_t checksum(std::span<const std::uint8_t> bytes, std::uint32_t h = 2166136261u) {
  for (std::uint8_t b : bytes) h = (h ^ b) * 16777619u;
  return h;
}

// Removes `path` (a crash point of its own) and syncs its folder.
void remove_durably(const std::string& path) {
  if (crash_point(1) == 0) crash_now();
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    throw Error::io("cannot remove '" + path + "': " + std::strerror(errno));
  }
  sync_folder_of(path);
}

// Reads up to out.size() bytes at `offset`; returns how many there were.
std::size_t read_some(int fd, std::uint64_t offset, std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

struct JournalHeader {
  std::uint32_t page_size = 0;
  std::uint64_t db_length = 0;
};

std::vector<std::uint8_t> encode_journal_header(const JournalHeader& h) {
  std::vector<std::uint8_t> bytes(kHeaderSize, 0);
  std::copy(kMagic.begin(), kMagic.end(), bytes.begin());
  coding::put_u32(&bytes[8], h.page_size);
  coding::put_u32(&bytes[12], static_cast<std::uint32_t>(h.db_length));
  coding::put_u32(&bytes[16], static_cast<std::uint32_t>(h.db_length >> 32));
  coding::put_u32(&bytes[20], checksum(std::span(bytes).first(20)));
  return bytes;
}

// The header of a journal, or nothing when it never became whole.
std::optional<JournalHeader> decode_journal_header(int fd) {
  std::array<std::uint8_t, kHeaderSize> bytes{};
  if (read_some(fd, 0, bytes) < kHeaderSize) return std::nullopt;
  if (!std::equal(kMagic.begin(), kMagic.end(), bytes.begin())) return std::nullopt;
  if (coding::get_u32(&bytes[20]) != checksum(std::span(bytes).first(20))) return std::nullopt;
  JournalHeader h;
  h.page_size = coding::get_u32(&bytes[8]);
  h.db_length = coding::get_u32(&bytes[12]) | (std::uint64_t{coding::get_u32(&bytes[16])} << 32);
  return h;
}

// Writes the saved pages of the journal at `fd` back into `db`.
void replay(int fd, const JournalHeader& h, PageFile& db) {
  std::vector<std::uint8_t> record(4 + std::size_t{h.page_size} + 4);
  for (std::uint64_t at = kHeaderSize;; at += record.size()) {
    if (read_some(fd, at, record) < record.size()) return;
    const std::size_t body = record.size() - 4;
    if (coding::get_u32(&record[body]) != checksum(std::span(record).first(body))) return;
    const std::uint64_t page = coding::get_u32(record.data());
    db.write_at(page * h.page_size, std::span(record).subspan(4, h.page_size));
  }
}

}  // namespace

Journal::Journal(std::string db_path, std::uint32_t page_size)
    : path_(path_for(db_path)), page_size_(page_size) {}

Journal::~Journal() {
  if (fd_ >= 0) ::close(fd_);
}

void Journal::begin(std::uint64_t db_length) {
  fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) throw Error::io("cannot create the journal '" + path_ + "': " + std::strerror(errno));
  committed_length_ = db_length;
  end_ = 0;
  saved_.clear();
  append(encode_journal_header({page_size_, db_length}));
  sync_fd(fd_, path_);
  sync_folder_of(path_);
}

void Journal::append(std::span<const std::uint8_t> bytes) {
  write_fully(fd_, end_, bytes, path_);
  end_ += bytes.size();
}

void Journal::save(PageFile& db, std::span<const std::uint32_t> pages) {
  if (!active()) begin(db.size());
  std::vector<std::uint8_t> record(4 + std::size_t{page_size_} + 4);
  bool wrote = false;
  for (std::uint32_t page : pages) {
    if (std::uint64_t{page} * page_size_ >= committed_length_ || saved_.count(page) != 0) continue;
    coding::put_u32(record.data(), page);
    db.read_at(std::uint64_t{page} * page_size_, std::span(record).subspan(4, page_size_));
    const std::size_t body = record.size() - 4;
    coding::put_u32(&record[body], checksum(std::span(record).first(body)));
    append(record);
    saved_.insert(page);
    wrote = true;
  }
  if (wrote) sync_fd(fd_, path_);
}

void Journal::commit() {
  if (!active()) return;
  ::close(fd_);
  fd_ = -1;
  saved_.clear();
  remove_durably(path_);
}

bool recover_from_journal(const std::string& db_path) {
  const std::string path = Journal::path_for(db_path);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return false;
    throw Error::io("cannot read the journal '" + path + "': " + std::strerror(errno));
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  if (!std::filesystem::exists(db_path)) {  // died creating the file
    remove_durably(path);
    return false;
  }
  PageFile db(db_path, PageFile::Mode::read_write);
  if (!db.try_lock(true)) {
    throw Error::io("cannot open '" + db_path + "': another program is changing it (its journal is in use)");
  }
  const std::optional<JournalHeader> header = decode_journal_header(fd);
  if (!header) {  // the database was not touched yet
    remove_durably(path);
    return false;
  }
  if (header->page_size != 2048 && header->page_size != 4096) {
    throw Error::io("the journal '" + path + "' is damaged (page size " + std::to_string(header->page_size) +
                    "); the database cannot be taken back to its last commit");
  }
  replay(fd, *header, db);
  db.truncate(header->db_length);
  db.sync();
  if (header->db_length == 0) remove_durably(db_path);  // the file was being created
  remove_durably(path);
  return true;
}

}  // namespace jet
