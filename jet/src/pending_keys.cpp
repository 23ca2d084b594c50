#include "pending_keys.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <queue>

#include "coding.h"
#include "jet/error.h"
#include "spill_file.h"

namespace jet {
namespace {

// A run's record: key size (u16), row pointer word (u32), key bytes.
constexpr std::size_t kRecordHeader = 6;
// Memory the merge's read buffers share, and the least one buffer gets:
// room for the longest key an index holds with its header.
constexpr std::size_t kMergeBufferBytes = std::size_t(4) << 20;
constexpr std::size_t kMinRunBuffer = std::size_t(16) << 10;
constexpr std::size_t kSpillPieceBytes = std::size_t(256) << 10;

// Index order: key bytes, a shorter key first, then row pointer.
bool entry_before(std::span<const std::uint8_t> a, std::uint32_t a_row, std::span<const std::uint8_t> b,
                  std::uint32_t b_row) {
  const std::size_t common = std::min(a.size(), b.size());
  if (common > 0) {
    if (const int c = std::memcmp(a.data(), b.data(), common)) return c < 0;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a_row < b_row;
}

// Reads one run front to back through a buffer of its own.
class RunReader {
 public:
  RunReader(const SpillFile& file, std::uint64_t offset, std::uint64_t bytes, std::size_t buffer)
      : file_(file), next_(offset), end_(offset + bytes), buffer_(buffer) {}

  // Moves to the next record; false at the end of the run.
  bool advance() {
    pos_ += current_;
    current_ = 0;
    if (!has(kRecordHeader)) {
      if (len_ != pos_) throw Error::io("a run of waiting index entries in the scratch file is cut short");
      return false;
    }
    const std::size_t size = coding::get_u16(&buffer_[pos_]);
    if (!has(kRecordHeader + size)) throw Error::io("a run of waiting index entries in the scratch file is cut short");
    row_ = coding::get_u32(&buffer_[pos_ + 2]);
    key_ = {&buffer_[pos_ + kRecordHeader], size};
    current_ = kRecordHeader + size;
    return true;
  }
  std::span<const std::uint8_t> key() const { return key_; }
  std::uint32_t row() const { return row_; }

 private:
  // Whether `bytes` bytes from pos_ are in the buffer, reading more first.
  bool has(std::size_t bytes) {
    if (len_ - pos_ >= bytes) return true;
    std::memmove(buffer_.data(), buffer_.data() + pos_, len_ - pos_);
    len_ -= pos_;
    pos_ = 0;
    const std::size_t more = static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size() - len_, end_ - next_));
    file_.read_at(next_, {buffer_.data() + len_, more});
    next_ += more;
    len_ += more;
    return len_ >= bytes;
  }

  const SpillFile& file_;
  std::uint64_t next_, end_;
  std::vector<std::uint8_t> buffer_;
  std::size_t pos_ = 0, len_ = 0;
  std::size_t current_ = 0;  // bytes of the record at pos_
  std::span<const std::uint8_t> key_;
  std::uint32_t row_ = 0;
};

}  // namespace

PendingKeys::PendingKeys(std::string spill_prefix) : spill_prefix_(std::move(spill_prefix)) {}
PendingKeys::PendingKeys(PendingKeys&&) noexcept = default;
PendingKeys::~PendingKeys() = default;

void PendingKeys::add(std::span<const std::uint8_t> key, RowPointer row) {
  std::uint8_t head[16] = {};
  if (!key.empty()) std::memcpy(head, key.data(), std::min<std::size_t>(key.size(), sizeof head));
  entries_.push_back(Entry{coding::get_u64_be(head), coding::get_u64_be(head + 8), static_cast<std::uint32_t>(arena_.size()),
                           static_cast<std::uint32_t>(key.size()), row.to_word()});
  arena_.insert(arena_.end(), key.begin(), key.end());
  entry_bytes_ += key.size() + sizeof(Entry::row);
}

void PendingKeys::sort_entries() {
  const std::uint8_t* arena = arena_.data();
  // Heads compare as their bytes with zeros after a key's end: when they
  // differ, so do the keys, the same way round.
  std::sort(entries_.begin(), entries_.end(), [arena](const Entry& a, const Entry& b) {
    if (a.head_high != b.head_high) return a.head_high < b.head_high;
    if (a.head_low != b.head_low) return a.head_low < b.head_low;
    // Keys that fit their heads are alike up to the shorter one's end.
    if (a.size <= 16 && b.size <= 16) return a.size != b.size ? a.size < b.size : a.row < b.row;
    return entry_before({arena + a.offset, a.size}, a.row, {arena + b.offset, b.size}, b.row);
  });
}

void PendingKeys::spill() {
  if (entries_.empty()) return;
  if (!spill_) spill_ = std::make_unique<SpillFile>(spill_prefix_);
  sort_entries();
  // Written in pieces, so the run never needs a second copy in memory.
  const std::uint64_t offset = spill_->size();
  std::vector<std::uint8_t> piece;
  piece.reserve(kSpillPieceBytes + kRecordHeader + std::numeric_limits<std::uint16_t>::max());
  for (const Entry& e : entries_) {
    std::uint8_t header[kRecordHeader];
    coding::put_u16(header, static_cast<std::uint16_t>(e.size));
    coding::put_u32(header + 2, e.row);
    piece.insert(piece.end(), header, header + kRecordHeader);
    piece.insert(piece.end(), arena_.begin() + e.offset, arena_.begin() + e.offset + e.size);
    if (piece.size() >= kSpillPieceBytes) {
      spill_->append(piece);
      piece.clear();
    }
  }
  spill_->append(piece);
  runs_.push_back(Run{offset, spill_->size() - offset});
  spilled_count_ += entries_.size();
  arena_.clear();
  entries_.clear();
}

void PendingKeys::forget() {
  arena_.clear();
  entries_.clear();
  runs_.clear();
  spilled_count_ = 0;
  entry_bytes_ = 0;
  spill_.reset();  // its space goes back to the disk
}

void PendingKeys::drain(const std::function<void(std::span<const std::uint8_t>, RowPointer)>& insert) {
  struct Forget {
    PendingKeys& keys;
    ~Forget() { keys.forget(); }
  } forget{*this};
  if (!runs_.empty()) {
    spill();
    merge_runs(insert);
    return;
  }
  sort_entries();
  for (const Entry& e : entries_) insert({arena_.data() + e.offset, e.size}, RowPointer::from_word(e.row));
}

void PendingKeys::merge_runs(const std::function<void(std::span<const std::uint8_t>, RowPointer)>& insert) {
  const std::size_t buffer = std::max(kMinRunBuffer, kMergeBufferBytes / runs_.size());
  std::vector<RunReader> readers;
  readers.reserve(runs_.size());
  for (const Run& run : runs_) readers.emplace_back(*spill_, run.offset, run.bytes, buffer);
  // The run whose next record comes first in index order on top.
  auto after = [&readers](std::size_t a, std::size_t b) {
    return entry_before(readers[b].key(), readers[b].row(), readers[a].key(), readers[a].row());
  };
  std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(after)> heads(after);
  for (std::size_t i = 0; i < readers.size(); ++i) {
    if (readers[i].advance()) heads.push(i);
  }
  while (!heads.empty()) {
    const std::size_t i = heads.top();
    heads.pop();
    insert(readers[i].key(), RowPointer::from_word(readers[i].row()));
    if (readers[i].advance()) heads.push(i);
  }
}

}  // namespace jet
