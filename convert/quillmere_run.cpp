// The driver part of quillmere_convertor: the run, the table listing and
// the sides that both reach.
#include "TK/tk_thread.h"
#include "TK/tk_trace.h"
#include "convert/conversion_run.h"
#include "convert/error_handler.h"
#include "convert/quillmere_convertor.h"

conversion_sides& quillmere_convertor::sides() {
  if (!sides_) sides_ = make_default_conversion_sides();
  return *sides_;
}

void quillmere_convertor::operator()() {
  conversion_run run(*this, destination_format(), sides(), error_handler::instance(), [] { return tk_stop_requested(); });
  run();
}

std::vector<std::string> quillmere_convertor::get_all_tables() {
  TK_TRACE(2, "quillmere_convertor::get_all_tables");
  std::unique_ptr<udb_database> source = sides().open_source(src());
  return source->table_names();
}
