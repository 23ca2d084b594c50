// Reading a statement's rows on a thread of its own, a few blocks ahead of
// the caller, so that the driver's fetching and decoding overlap whatever
// the caller does with each row.
//
// While a row_prefetch lives, its thread alone uses the statement; the
// statement must outlive it.  Rows come out in the statement's order, and a
// failure comes out after every row fetched before it, as reading the
// statement directly would give them.  Memory stays bounded: a batch ends
// at kBatchRows rows or kBatchBytes of values, and at most kQueuedBatches
// of them wait besides the one being filled and the one being read.
//
// Thread-safety: next belongs to one thread (the one that made it).
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/oledb/odbc_core.h"

namespace odbc {

class row_prefetch {
 public:
  static constexpr std::size_t kBatchRows = 1024;
  static constexpr std::size_t kBatchBytes = 1 << 20;
  static constexpr std::size_t kQueuedBatches = 2;

  row_prefetch(statement& source, std::vector<fetch_kind> kinds);
  // Stops the thread, waiting at most for the fetch it is in.
  ~row_prefetch();
  row_prefetch(const row_prefetch&) = delete;
  row_prefetch& operator=(const row_prefetch&) = delete;

  // The next row; *got false at the end.  False with `diag` filled when
  // the statement failed; every later call fails the same way.
  bool next(std::vector<cell>& row, bool* got, diagnostics& diag);

 private:
  // Batches go back and forth between the two threads and keep their
  // rows' storage, so that neither thread frees what the other allocated.
  struct batch {
    std::vector<std::vector<cell>> rows;  // the first `count` hold values
    std::size_t count = 0;
    bool ended = false;   // no rows follow this batch
    bool failed = false;  // ended by a failure, described in diag
    diagnostics diag;
  };

  void run();
  void fetch_batch(batch& b);

  statement& source_;
  std::vector<fetch_kind> kinds_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<batch> queued_;  // guarded by mutex_
  std::vector<batch> spare_;  // read, to be filled again; guarded by mutex_
  bool stopping_ = false;     // guarded by mutex_
  batch current_;             // the caller's; rows handed out from next_
  std::size_t next_ = 0;
  bool finished_ = false;  // current_ was the last batch
  std::thread thread_;     // last, so it starts after the rest is made
};

}  // namespace odbc
