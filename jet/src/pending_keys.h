// Index entries waiting to go into their tree, a batch at a time.
//
// Keys added in row order land on the leaves of a large tree at random, so
// each insert reads and parses a page that has long left the processor's
// caches. The same keys put in index order walk the leaves once, front to
// back, several keys a leaf. Only indexes that check nothing at append
// (not unique) can wait: the entries of a batch belong to rows already
// accepted.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "jet/types.h"

namespace jet {

class PendingKeys {
 public:
  void add(std::span<const std::uint8_t> key, RowPointer row);

  std::size_t count() const { return entries_.size(); }
  // Memory the batch holds, for the caller's limit.
  std::size_t bytes() const { return arena_.size() + entries_.size() * sizeof(Entry); }

  // Hands every entry to `insert` in index order (key bytes, a shorter key
  // first, then row pointer) and forgets them all, also when `insert`
  // throws.
  void drain(const std::function<void(std::span<const std::uint8_t>, RowPointer)>& insert);

 private:
  struct Entry {
    std::uint32_t offset;  // of the key in arena_
    std::uint32_t size;
    std::uint32_t row;  // RowPointer::to_word()
  };
  std::vector<std::uint8_t> arena_;
  std::vector<Entry> entries_;
};

}  // namespace jet
