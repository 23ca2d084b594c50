#include "convert/destination_check.h"

#include "TK/tk_exception.h"
#include "TK/tk_file.h"
#include "TK/tk_trace.h"

void validate_destination(const std::string& dest) {
  TK_TRACE(1, "validate_destination(%s)", dest.c_str());
  // An empty name would otherwise stand for the program's own folder.
  if (dest.empty() || tk_is_path_exist(dest)) throw tk_exception(destination_msg_folder, tk_level_abort);
  if (tk_is_file_exist(dest, 0) && !tk_is_file_exist(dest, 1)) {
    throw tk_exception(destination_msg_read_only, tk_level_abort);
  }
  tk_path_parts parts = tk_split_path(dest);
  if (!tk_is_path_exist(parts.drive + parts.dir)) throw tk_exception(destination_msg_no_path, tk_level_abort);
}
