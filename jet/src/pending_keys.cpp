#include "pending_keys.h"

#include <algorithm>
#include <cstring>

namespace jet {

void PendingKeys::add(std::span<const std::uint8_t> key, RowPointer row) {
  entries_.push_back(Entry{static_cast<std::uint32_t>(arena_.size()), static_cast<std::uint32_t>(key.size()),
                           row.to_word()});
  arena_.insert(arena_.end(), key.begin(), key.end());
}

void PendingKeys::drain(const std::function<void(std::span<const std::uint8_t>, RowPointer)>& insert) {
  struct Forget {
    PendingKeys& keys;
    ~Forget() {
      keys.arena_.clear();
      keys.entries_.clear();
    }
  } forget{*this};
  const std::uint8_t* arena = arena_.data();
  std::sort(entries_.begin(), entries_.end(), [arena](const Entry& a, const Entry& b) {
    const std::uint32_t common = std::min(a.size, b.size);
    if (common > 0) {
      if (const int c = std::memcmp(arena + a.offset, arena + b.offset, common)) return c < 0;
    }
    if (a.size != b.size) return a.size < b.size;
    return a.row < b.row;
  });
  for (const Entry& e : entries_) insert({arena + e.offset, e.size}, RowPointer::from_word(e.row));
}

}  // namespace jet
