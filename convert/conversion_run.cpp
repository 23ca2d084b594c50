#include "convert/conversion_run.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "convert/init_conversion.h"

namespace {
// get_table flags: read only, and without indexes when they are skipped.
constexpr uint32_t table_flags = 0x21;
constexpr uint32_t table_flags_skip_indexes = 0x61;
// open_db mode of an existing destination: neither read only nor exclusive.
constexpr uint32_t destination_open_mode = 8;

// The published counter stops at its largest value; the copy itself has no
// upper limit.
uint32_t saturated(uint64_t value) {
  return static_cast<uint32_t>(std::min<uint64_t>(value, std::numeric_limits<uint32_t>::max()));
}
}  // namespace

conversion_run::conversion_run(udb_converter& settings, udb_format format, conversion_sides& sides,
                               error_handler& handler, std::function<bool()> stop_requested)
    : settings_(settings),
      format_(format),
      sides_(sides),
      handler_(handler),
      stop_requested_(std::move(stop_requested)) {}

conversion_run::~conversion_run() { release(); }

// The guard is created first and destroyed last; should it fail to start,
// the finished flag is still set so that a waiting window moves on.
void conversion_run::operator()() noexcept {
  TK_TRACE(2, "quillmere_convertor::operator()");
  settings_.set_stopped(false);
  handler_.clear_context();  // the wizard may run again after a stopped run
  std::optional<init_conversion> guard;
  try {
    guard.emplace(settings_.finished_flag(), handler_.front_end());
    run_steps();
  } catch (const tk_exception& e) {
    end_early(e);
  } catch (const std::exception& e) {
    end_early(std::string(e.what()));
  } catch (...) {
    end_early(std::string("Unknown exception"));
  }
  release();
  if (guard) {
    guard.reset();
  } else {
    settings_.set_finished(true);
  }
}

void conversion_run::run_steps() {
  open_databases();
  walk_tables();
}

void conversion_run::open_databases() {
  bool create = settings_.mode() == udb_mode_overwrite_database;
  udb_format format = create ? format_ : sides_.destination_format(settings_.dest());
  engine_ = sides_.make_destination_engine(format);
  TK_ASSERT(engine_ != nullptr);
  source_ = sides_.open_source(settings_.src());
  destination_ = create ? engine_->create_db(settings_.dest())
                        : engine_->open_db(settings_.dest(), destination_open_mode, std::string());
  // The sides raise their errors; a missing object is a defect of ours.
  TK_ASSERT(source_ != nullptr && destination_ != nullptr);
  conversion_front_end& front = handler_.front_end();
  if (front.converts_all_tables_when_none_listed() && settings_.tables().empty()) {
    settings_.set_tables(source_->table_names());
  }
  settings_.set_table_count(saturated(settings_.tables().size()));
  TK_TRACE(2, "Source database has %d table(s)", static_cast<int>(settings_.table_count()));
  front.database_started(settings_.src(), settings_.table_count());
  validator_ = sides_.make_table_validator(settings_.tables(), destination_->table_names());
  TK_ASSERT(validator_ != nullptr);
}

// A table whose work fails is reported under its name and the walk goes
// on; the stop signal of an abort passes on to end the run.
void conversion_run::walk_tables() {
  const std::vector<std::string> tables = settings_.tables();
  for (std::size_t i = 0; i < tables.size(); ++i) {
    settings_.set_current_table_index(saturated(i));
    handler_.clear_context();
    stop_point();
    try {
      convert_table(tables[i]);
    } catch (const tk_final_exception&) {
      throw;
    } catch (const tk_exception& e) {
      handler_.set_context(tables[i]);
      handler_.handle(e);
    }
    settings_.set_current_table_index(saturated(i + 1));
  }
  handler_.clear_context();
  settings_.set_table_count(0);
  settings_.set_current_table_index(0);
}

void conversion_run::convert_table(const std::string& name) {
  settings_.set_current_table(name);
  settings_.set_current_record(0);
  settings_.set_records_in_table(0);
  conversion_front_end& front = handler_.front_end();
  if (front.converts_all_tables_when_none_listed() && !source_->is_table_exist(name)) {
    front.table_missing(name);
    return;
  }
  int32_t mode = settings_.mode();
  std::unique_ptr<udb_recordset> source =
      source_->get_table(name, settings_.skip_idx() ? table_flags_skip_indexes : table_flags);
  TK_ASSERT(source != nullptr);
  bool generated = false;
  std::string target = destination_name(name, generated);
  if (destination_->is_table_exist(target)) {
    if (mode == udb_mode_skip_tables) return;
    if (mode == udb_mode_overwrite_tables) destination_->delete_tab(target);
  }
  const udb_indexes no_indexes;
  std::unique_ptr<udb_recordset> destination =
      destination_->create_table(target, source->schema(), settings_.skip_idx() ? no_indexes : source->indexes());
  TK_ASSERT(destination != nullptr);
  if (mode == udb_mode_merge && !source->schema().conform_to(destination->schema())) {
    throw tk_exception(conversion_msg_not_conform, tk_level_recoverable);
  }
  if (generated) {
    TK_TRACE(2, "Store generated table name '%s'", target.c_str());
    validator_->add_taken_name(target);
  }
  validator_->add_name_in_use(target);
  TK_TRACE(2, "Table structure has been written");
  settings_.set_records_in_table(source->record_count());
  TK_TRACE(3, "Converting table %s (%d records)", name.c_str(), static_cast<int>(source->record_count()));
  front.table_started(name, source->record_count());
  if (!settings_.tab_def()) copy_records(*source, *destination, name);
}

std::string conversion_run::destination_name(const std::string& name, bool& generated) {
  generated = !validator_->is_acceptable(name);
  return generated ? validator_->get_safe_name(name) : name;
}

void conversion_run::copy_records(udb_recordset& source, udb_recordset& destination, const std::string& name) {
  source.reset();
  for (uint64_t handled = 0; !source.is_eof(); ++handled) {
    stop_point();
    TK_TRACE(1, "Converting %d record", static_cast<int>(settings_.current_record()));
    append_one(destination, source.get_item(), name, handled + 1);
    source.next();
    settings_.set_current_record(saturated(handled + 1));
  }
}

// Only the destination's refusal of this one record is reported here;
// anything else ends the table.
void conversion_run::append_one(udb_recordset& destination, const udb_record& record, const std::string& name,
                                uint64_t number) {
  try {
    destination.append_record(record);
  } catch (const tk_final_exception&) {
    throw;
  } catch (const tk_exception& e) {
    if (!sides_.is_record_error(e)) throw;
    handler_.set_context(name, number);
    handler_.handle(e);
  }
}

void conversion_run::stop_point() {
  if (stop_requested_ && stop_requested_()) throw tk_exception(conversion_msg_stopped, tk_level_abort);
}

void conversion_run::end_early(const tk_exception& e) noexcept {
  settings_.set_stopped(true);
  try {
    handler_.handle(e);
  } catch (...) {
    // The stop signal (or a failure to show the error) ends the run anyway.
  }
}

void conversion_run::end_early(const std::string& text) noexcept {
  settings_.set_stopped(true);
  try {
    handler_.handle_unexpected(text);
  } catch (...) {
  }
}

void conversion_run::release() noexcept {
  validator_.reset();
  destination_.reset();
  source_.reset();
  engine_.reset();
}
