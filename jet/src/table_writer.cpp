#include "table_writer.h"

#include <algorithm>
#include <optional>

#include "coding.h"
#include "data_page.h"
#include "long_value.h"
#include "row_layout.h"
#include "usage_map.h"
#include "value_encoder.h"

namespace jet {
namespace {

// Long values up to this many bytes stay in the row when it has room.
constexpr std::size_t kInlineLongValueLimit = 256;
// Pages one index insertion may add at worst (a split at each of 12 levels).
constexpr std::uint64_t kPagesPerIndexInsert = 26;

bool is_long_value(ColumnType type) { return type == ColumnType::memo || type == ColumnType::ole; }

std::vector<std::uint8_t> long_value_ref(std::size_t length, std::uint8_t storage, RowPointer first) {
  std::vector<std::uint8_t> ref(kLongValueHeaderSize, 0);
  coding::put_u24(ref.data(), static_cast<std::uint32_t>(length));
  ref[3] = storage;
  coding::put_u32(&ref[4], first.to_word());
  return ref;
}

}  // namespace

struct TableWriter::Prepared {
  std::vector<Value> values;                 // normalized, autonumber filled in
  std::vector<StoredField> fields;
  std::vector<std::optional<std::vector<std::uint8_t>>> keys;  // per real index; none = not indexed
  std::vector<bool> out_of_line;             // per column: long value stored in LVAL rows
  std::int32_t autonumber = 0;
  bool has_autonumber = false;
  std::uint64_t pages_needed = 1;
};

TableWriter::TableWriter(Database::Impl& db, TableDef def, std::vector<ColumnRules> rules)
    : db_(db), def_(std::move(def)), rules_(std::move(rules)), prepared_(std::make_unique<Prepared>()) {
  long_value_pages_.assign(def_.long_value_maps.size(), 0);
  has_long_values_ = std::any_of(def_.columns.begin(), def_.columns.end(),
                                 [](const ColumnDef& c) { return is_long_value(c.type); });
  for (const RealIndexDef& index : def_.real_indexes) {
    stores_.push_back(std::make_unique<CachePageStore>(db_, index.usage_map));
    indexes_.push_back(std::make_unique<IndexWriter>(*stores_.back(), index.first_page, def_.tdef_page));
    pending_.emplace_back();
    if (!index.is_unique()) pending_.back().emplace(db_.file.path() + ".keys");
  }
  bulk_.assign(indexes_.size(), false);
  always_fits_ = largest_row_size() <= max_row_size(db_.format);
  // Go on filling the last page with free space, as Access does.
  const UsageMap free = read_usage_map(db_.pages, db_.format, def_.free_pages, def_.tdef_page);
  if (!free.pages.empty()) data_page_ = free.pages.back();
}

TableWriter::~TableWriter() {
  if (db_.batching == this) db_.batching = nullptr;
}

const LongValueMaps& TableWriter::maps_of(const ColumnDef& column) const {
  for (const LongValueMaps& maps : def_.long_value_maps) {
    if (maps.column_number == column.number) return maps;
  }
  throw Error::corruption(def_.tdef_page, "TDEF", "usage maps for long-value column '" + column.name + "'",
                          "none");
}

// Fills prepared_, whose buffers every row reuses.
TableWriter::Prepared& TableWriter::prepare(const std::vector<Value>& row) {
  if (row.size() != def_.columns.size()) {
    throw Error::invalid_argument("a row of " + std::to_string(row.size()) + " values for table '" + def_.name +
                                  "' of " + std::to_string(def_.columns.size()) + " columns");
  }
  Prepared& p = *prepared_;
  p.values.resize(row.size());
  p.fields.resize(row.size());
  p.keys.clear();
  p.autonumber = 0;
  p.has_autonumber = false;
  p.pages_needed = 1;
  for (std::size_t c = 0; c < row.size(); ++c) {
    const ColumnDef& column = def_.columns[c];
    Value& value = p.values[c];
    value = normalize_value(column, row[c]);
    if (column.is_autonumber()) {
      p.has_autonumber = true;
      if (is_null(value)) value = static_cast<std::int32_t>(def_.next_autonumber + 1);
      p.autonumber = std::get<std::int32_t>(value);
    }
    if (is_null(value) && rules_[c].required) {
      throw refusal(jet_error::null_in_required, "column '" + column.name + "' of table '" + def_.name +
                                                     "' cannot hold Null (Required)");
    }
    const auto* text = std::get_if<std::string>(&value);
    if (text != nullptr && text->empty() && !rules_[c].allow_zero_length) {
      throw refusal(jet_error::zero_length, "column '" + column.name + "' of table '" + def_.name +
                                                "' refuses zero-length text (AllowZeroLength)");
    }
    encode_value(column, value, db_.format, p.fields[c]);
  }
  check_indexes(p);
  place_long_values(p);
  return p;
}

void TableWriter::check_indexes(Prepared& p) {
  const std::size_t max_key = max_index_key_size(db_.format.version);
  for (std::size_t i = 0; i < def_.real_indexes.size(); ++i) {
    const RealIndexDef& index = def_.real_indexes[i];
    bool any_null = false, all_null = true;
    for (const IndexColumn& part : index.columns) {
      for (std::size_t c = 0; c < def_.columns.size(); ++c) {
        if (def_.columns[c].number != part.column_number) continue;
        const bool null = is_null(p.values[c]);
        any_null = any_null || null;
        all_null = all_null && null;
      }
    }
    if (any_null && index.is_required()) {
      throw refusal(3058, "index " + std::to_string(index.number) + " of table '" + def_.name +
                              "' cannot hold a Null key");
    }
    if (all_null && index.ignores_nulls()) {
      p.keys.emplace_back();
      continue;
    }
    std::vector<std::uint8_t> key = make_index_key(def_, index, p.values, db_.format.version);
    if (key.size() > max_key) {
      throw refusal(jet_error::record_too_large, "an index key of " + std::to_string(key.size()) +
                                                     " bytes for table '" + def_.name + "'");
    }
    if (index.is_unique() && !any_null && indexes_[i]->contains_key(key)) {
      throw refusal(jet_error::duplicate_key, "a row of table '" + def_.name +
                                                  "' repeats the key of a unique index");
    }
    p.keys.emplace_back(std::move(key));
    p.pages_needed += kPagesPerIndexInsert;
  }
}

// Chooses where each long value lives: in the row while it is small and
// the row has room, else in LVAL rows (largest first).
void TableWriter::place_long_values(Prepared& p) {
  if (always_fits_ && !has_long_values_) {
    p.out_of_line.assign(p.fields.size(), false);
    return;
  }
  std::vector<FieldBytes> view(p.fields.size());
  std::vector<std::vector<std::uint8_t>> stand_in(p.fields.size());
  p.out_of_line.assign(p.fields.size(), false);
  std::vector<std::size_t> long_columns;
  for (std::size_t c = 0; c < p.fields.size(); ++c) {
    const StoredField& f = p.fields[c];
    view[c] = FieldBytes{f.is_null, f.bit, f.bytes};
    if (!is_long_value(def_.columns[c].type) || f.is_null) continue;
    long_columns.push_back(c);
    stand_in[c] = long_value_ref(f.bytes.size(), kLongValueInline, {});
    if (f.bytes.size() > kInlineLongValueLimit) p.out_of_line[c] = true;
    else stand_in[c].insert(stand_in[c].end(), f.bytes.begin(), f.bytes.end());
    view[c].bytes = stand_in[c];
  }
  std::sort(long_columns.begin(), long_columns.end(),
            [&](std::size_t a, std::size_t b) { return p.fields[a].bytes.size() > p.fields[b].bytes.size(); });
  for (std::size_t c : long_columns) {
    if (encoded_row_size(view, def_, db_.format) <= max_row_size(db_.format)) break;
    p.out_of_line[c] = true;
    stand_in[c].resize(kLongValueHeaderSize);
    view[c].bytes = stand_in[c];
  }
  const std::size_t size = encoded_row_size(view, def_, db_.format);
  if (size > max_row_size(db_.format)) {
    throw refusal(jet_error::record_too_large, "a row of " + std::to_string(size) + " bytes for table '" +
                                                   def_.name + "' (at most " +
                                                   std::to_string(max_row_size(db_.format)) + ")");
  }
  const std::size_t piece = max_row_size(db_.format) - kLongValueChainLinkSize;
  for (std::size_t c : long_columns) {
    if (p.out_of_line[c]) p.pages_needed += p.fields[c].bytes.size() / piece + 2;
  }
}

RowPointer TableWriter::place(std::uint32_t& current, std::uint32_t owner, RowPointer used_map,
                              RowPointer free_map, const std::vector<std::uint8_t>& row) {
  if (row.size() == max_row_size(db_.format)) {
    // A row that fills a page gets a page of its own and leaves `current`
    // to collect short rows; otherwise each long value's short last piece
    // would open a page of its own and leave most of it empty.
    std::vector<std::uint8_t> bytes = empty_data_page(db_.format, owner);
    const std::uint8_t number = add_row(bytes, db_.format, row);
    const std::uint32_t page = db_.allocate_page(std::move(bytes));
    db_.mark(used_map, page, true);
    db_.pages.finished(page);
    return RowPointer{page, number};
  }
  if (current == 0 || !page_has_room(db_.pages.get(current)->bytes, db_.format, row.size())) {
    const std::uint32_t page = db_.allocate_page(empty_data_page(db_.format, owner));
    db_.mark(used_map, page, true);
    if (current != 0) {
      db_.mark(free_map, current, false);
      db_.pages.finished(current);
    }
    db_.mark(free_map, page, true);
    current = page;
  }
  auto page = db_.pages.modify(current);
  const std::uint8_t number = add_row(page->bytes, db_.format, row);
  return RowPointer{current, number};
}

std::vector<std::uint8_t> TableWriter::write_long_value(const ColumnDef& column,
                                                        const std::vector<std::uint8_t>& value) {
  const LongValueMaps& maps = maps_of(column);
  const std::size_t slot = static_cast<std::size_t>(&maps - def_.long_value_maps.data());
  std::uint32_t& current = long_value_pages_[slot];
  const std::size_t max_row = max_row_size(db_.format);
  if (value.size() <= max_row) {
    const RowPointer at = place(current, kLvalMarker, maps.used_pages, maps.free_pages, value);
    return long_value_ref(value.size(), kLongValueSinglePage, at);
  }
  // A chain, written last piece first so each row knows the next.
  const std::size_t piece = max_row - kLongValueChainLinkSize;
  const std::size_t pieces = (value.size() + piece - 1) / piece;
  RowPointer next{};
  for (std::size_t i = pieces; i-- > 0;) {
    const std::size_t from = i * piece;
    const std::size_t n = std::min(piece, value.size() - from);
    std::vector<std::uint8_t> row(kLongValueChainLinkSize + n);
    coding::put_u32(row.data(), next.to_word());
    std::copy_n(value.begin() + std::ptrdiff_t(from), n, row.begin() + kLongValueChainLinkSize);
    next = place(current, kLvalMarker, maps.used_pages, maps.free_pages, row);
  }
  return long_value_ref(value.size(), kLongValueChain, next);
}

std::int32_t TableWriter::append(const std::vector<Value>& row) {
  db_.require_writable();
  require_whole();
  if (db_.batching != this) {
    if (db_.batching != nullptr) db_.batching->insert_pending();
    db_.batching = this;
  }
  const Prepared& p = prepare(row);
  require_pages(p.pages_needed);
  // Nothing was written so far; from here on the row goes in whole, or the
  // table takes nothing more.
  try {
    return write_row(p);
  } catch (...) {
    half_changed_ = true;
    throw;
  }
}

void TableWriter::require_whole() const {
  if (!half_changed_) return;
  throw Error(ErrorKind::io, "an earlier failure left table '" + def_.name +
                                 "' half changed: nothing more is written to it, and the file keeps what it "
                                 "held at the last commit");
}

std::int32_t TableWriter::write_row(const Prepared& p) {
  std::vector<std::vector<std::uint8_t>>& stored = long_refs_;
  std::vector<FieldBytes>& view = row_view_;
  stored.resize(p.fields.size());
  view.resize(p.fields.size());
  for (std::size_t c = 0; c < p.fields.size(); ++c) {
    const StoredField& f = p.fields[c];
    if (is_long_value(def_.columns[c].type) && !f.is_null) {
      if (p.out_of_line[c]) {
        stored[c] = write_long_value(def_.columns[c], f.bytes);
      } else {
        stored[c] = long_value_ref(f.bytes.size(), kLongValueInline, {});
        stored[c].insert(stored[c].end(), f.bytes.begin(), f.bytes.end());
      }
      view[c] = FieldBytes{false, true, stored[c]};
    } else {
      view[c] = FieldBytes{f.is_null, f.bit, f.bytes};
    }
  }
  const RowPointer at = place(data_page_, def_.tdef_page, def_.used_pages, def_.free_pages,
                              encode_row(view, def_, db_.format));
  std::size_t waiting = 0;
  for (std::size_t i = 0; i < indexes_.size(); ++i) {
    if (pending_[i]) waiting += pending_[i]->memory_bytes();
    if (!p.keys[i]) continue;
    if (!pending_[i]) {
      indexes_[i]->insert(*p.keys[i], at);
      continue;
    }
    if (pending_[i]->count() == 0) bulk_[i] = indexes_[i]->is_empty();
    pending_[i]->add(*p.keys[i], at);
  }
  ++def_.row_count;
  if (p.has_autonumber && p.autonumber > static_cast<std::int32_t>(def_.next_autonumber)) {
    def_.next_autonumber = static_cast<std::uint32_t>(p.autonumber);
  }
  changed_ = true;
  if (waiting >= db_.pending_key_bytes) make_room_for_keys();
  return p.has_autonumber ? p.autonumber : 0;
}

// Room for this row, and for the entries still waiting: an entry going
// into a tree may split pages at every level, while a tree built in order
// fills every page but the last of a level at least half (no entry takes
// more than half a page) and has no more nodes than leaves. Near the size
// limit the waiting entries go in first, so that room is never promised
// twice.
void TableWriter::require_pages(std::uint64_t for_row) {
  const IndexPageLayout& layout = IndexPageLayout::of(db_.format.version);
  const std::uint64_t area = layout.page_size - layout.entries_offset();
  std::uint64_t waiting = 0;
  for (std::size_t i = 0; i < pending_.size(); ++i) {
    if (!pending_[i] || pending_[i]->count() == 0) continue;
    const PendingKeys& keys = *pending_[i];
    if (bulk_[i]) {
      const std::uint64_t bytes = keys.entry_bytes() + keys.count() * kEntryChildSize;
      waiting += kPagesPerIndexInsert + 4 * ((bytes + area - 1) / area);
    } else {
      waiting += keys.count() * kPagesPerIndexInsert;
    }
  }
  if (waiting > 0 && !db_.has_pages(for_row + waiting)) insert_pending();
  db_.require_pages(for_row);
}

// Entries of an index whose tree was empty when they began to wait go to
// runs on disk, to be built into it in one ordered pass; the others go
// into their trees now.
void TableWriter::make_room_for_keys() {
  for (std::size_t i = 0; i < pending_.size(); ++i) {
    if (!pending_[i]) continue;
    if (bulk_[i]) pending_[i]->spill();
    else insert_pending(i);
  }
}

void TableWriter::insert_pending() {
  for (std::size_t i = 0; i < pending_.size(); ++i) insert_pending(i);
}

void TableWriter::insert_pending(std::size_t i) {
  if (!pending_[i] || pending_[i]->count() == 0) return;
  IndexWriter& index = *indexes_[i];
  try {
    pending_[i]->drain([&index](std::span<const std::uint8_t> key, RowPointer row) { index.insert(key, row); });
  } catch (...) {
    half_changed_ = true;
    throw;
  }
}

// The largest row the table's columns allow: each value at its column's
// length, long values as the reference that stays in the row.
std::size_t TableWriter::largest_row_size() const {
  std::vector<std::vector<std::uint8_t>> bytes(def_.columns.size());
  std::vector<FieldBytes> view(def_.columns.size());
  for (std::size_t c = 0; c < def_.columns.size(); ++c) {
    const ColumnDef& column = def_.columns[c];
    if (column.type == ColumnType::boolean) continue;
    bytes[c].resize(is_long_value(column.type) ? kLongValueHeaderSize : column.length);
    view[c] = FieldBytes{false, true, bytes[c]};
  }
  return encoded_row_size(view, def_, db_.format);
}

bool TableWriter::fits(const std::vector<Value>& row, std::size_t changed) {
  if (row.size() != def_.columns.size()) return false;
  if (always_fits_) {
    if (changed < row.size()) {
      check_value_size(def_.columns[changed], row[changed], db_.format);
      return true;
    }
    for (std::size_t c = 0; c < row.size(); ++c) check_value_size(def_.columns[c], row[c], db_.format);
    return true;
  }
  std::vector<StoredField> fields;
  std::vector<FieldBytes> view(row.size());
  std::vector<std::vector<std::uint8_t>> refs(row.size());
  for (std::size_t c = 0; c < row.size(); ++c) {
    const ColumnDef& column = def_.columns[c];
    fields.push_back(encode_value(column, normalize_value(column, row[c]), db_.format));
    const StoredField& f = fields.back();
    view[c] = FieldBytes{f.is_null, f.bit, f.bytes};
    if (is_long_value(column.type) && !f.is_null) {
      refs[c].resize(kLongValueHeaderSize);
      view[c].bytes = refs[c];
    }
  }
  return encoded_row_size(view, def_, db_.format) <= max_row_size(db_.format);
}

void TableWriter::flush() {
  require_whole();
  insert_pending();
  if (!changed_) return;
  auto page = db_.pages.modify(def_.tdef_page);
  coding::put_u32(&page->bytes[db_.format.tdef_row_count_offset], def_.row_count);
  coding::put_u32(&page->bytes[db_.format.tdef_autonumber_offset], def_.next_autonumber);
  changed_ = false;
}

}  // namespace jet
