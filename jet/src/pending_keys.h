// Index entries waiting to go into their tree, a batch at a time.
//
// Keys added in row order land on the leaves of a large tree at random, so
// each insert reads and parses a page that has long left the processor's
// caches. The same keys put in index order walk the leaves once, front to
// back, several keys a leaf. Only indexes that check nothing at append
// (not unique) can wait: the entries of a batch belong to rows already
// accepted.
//
// A batch larger than memory allows can move to sorted runs in a scratch
// file; draining merges them. An index whose tree is empty takes all its
// entries that way in one ordered pass, which fills its pages front to
// back as a tree built from sorted keys would be.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "jet/types.h"

namespace jet {

class SpillFile;

class PendingKeys {
 public:
  // `spill_prefix` names the scratch file (see SpillFile), made at the
  // first spill().
  explicit PendingKeys(std::string spill_prefix);
  PendingKeys(PendingKeys&&) noexcept;
  ~PendingKeys();

  void add(std::span<const std::uint8_t> key, RowPointer row);

  // Entries waiting, in memory and in runs.
  std::size_t count() const { return entries_.size() + spilled_count_; }
  // Bytes of their keys and row pointers, in memory and in runs.
  std::uint64_t entry_bytes() const { return entry_bytes_; }
  // Memory the batch holds, for the caller's limit.
  std::size_t memory_bytes() const { return arena_.size() + entries_.size() * sizeof(Entry); }

  // Moves the entries in memory to a sorted run in the scratch file.
  // Throws jet::Error (io); the entries stay in memory then.
  void spill();

  // Hands every entry to `insert` in index order (key bytes, a shorter key
  // first, then row pointer) and forgets them all, also when `insert` or
  // a read of the runs throws.
  void drain(const std::function<void(std::span<const std::uint8_t>, RowPointer)>& insert);

 private:
  struct Entry {
    // The key's first sixteen bytes, zeros after its end, as two big-endian
    // words: most comparisons of a sort end on them, without the arena.
    std::uint64_t head_high;
    std::uint64_t head_low;
    std::uint32_t offset;  // of the key in arena_
    std::uint32_t size;
    std::uint32_t row;  // RowPointer::to_word()
  };
  struct Run {
    std::uint64_t offset;  // in the scratch file
    std::uint64_t bytes;
  };
  void sort_entries();
  void merge_runs(const std::function<void(std::span<const std::uint8_t>, RowPointer)>& insert);
  void forget();

  std::string spill_prefix_;
  std::vector<std::uint8_t> arena_;
  std::vector<Entry> entries_;
  std::unique_ptr<SpillFile> spill_;
  std::vector<Run> runs_;
  std::size_t spilled_count_ = 0;
  std::uint64_t entry_bytes_ = 0;
};

}  // namespace jet
