#include "platform/oledb/row_prefetch.h"

#include <exception>
#include <new>

namespace odbc {

row_prefetch::row_prefetch(statement& source, std::vector<fetch_kind> kinds)
    : source_(source), kinds_(std::move(kinds)), thread_([this] { run(); }) {}

row_prefetch::~row_prefetch() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void row_prefetch::fetch_batch(batch& b) {
  b.count = 0;
  b.ended = b.failed = false;
  b.diag.clear();
  try {
    std::size_t bytes = 0;
    while (b.count < kBatchRows && bytes < kBatchBytes) {
      if (b.count == b.rows.size()) b.rows.emplace_back();
      std::vector<cell>& row = b.rows[b.count];
      bool got = false;
      if (!source_.fetch(kinds_, row, &got, b.diag)) {
        b.failed = b.ended = true;
        return;
      }
      if (!got) {
        b.ended = true;
        return;
      }
      for (const cell& c : row) bytes += c.bytes.size();
      ++b.count;
    }
  } catch (const std::bad_alloc&) {
    // The rows fetched so far go out; the failure follows them.
    b.failed = b.ended = true;
    b.diag.push_back({"HY001", 0, "Memory allocation error."});
  } catch (const std::exception& e) {
    b.failed = b.ended = true;
    b.diag.push_back({"HY000", 0, e.what()});
  }
}

void row_prefetch::run() {
  for (;;) {
    batch b;
    {
      std::lock_guard lock(mutex_);
      if (!spare_.empty()) {
        b = std::move(spare_.back());
        spare_.pop_back();
      }
    }
    fetch_batch(b);
    const bool ended = b.ended;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || queued_.size() < kQueuedBatches; });
      if (stopping_) return;
      queued_.push_back(std::move(b));
    }
    changed_.notify_all();
    if (ended) return;
  }
}

bool row_prefetch::next(std::vector<cell>& row, bool* got, diagnostics& diag) {
  *got = false;
  while (next_ == current_.count) {
    if (finished_) {
      if (!current_.failed) return true;
      diag = current_.diag;
      return false;
    }
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return !queued_.empty(); });
      if (!current_.rows.empty()) spare_.push_back(std::move(current_));
      current_ = std::move(queued_.front());
      queued_.pop_front();
    }
    changed_.notify_all();
    next_ = 0;
    finished_ = current_.ended;
  }
  // A copy, not a move: the batch's storage goes back to be filled again.
  const std::vector<cell>& from = current_.rows[next_++];
  row.resize(from.size());
  for (std::size_t i = 0; i < from.size(); ++i) {
    row[i].is_null = from[i].is_null;
    row[i].bytes.assign(from[i].bytes);
  }
  *got = true;
  return true;
}

}  // namespace odbc
