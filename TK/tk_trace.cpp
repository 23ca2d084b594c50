#include "TK/tk_trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {
constexpr std::size_t message_limit = 64 * 1024;

// Writes all of `text` to `fd`; a short or failed write loses the rest.
void write_all(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

std::string local_time_prefix() {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
  if (::localtime_r(&now, &parts) == nullptr) return std::string();
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d ", parts.tm_hour, parts.tm_min, parts.tm_sec);
  return buffer;
}

// The sink named by QUILL_TRACE lives from static initialisation to exit.
const std::unique_ptr<tk_trace_sink> environment_sink = tk_trace_sink::from_environment();
}  // namespace

void tk_trace(int level, const char* format, ...) noexcept {
  tk_trace_sink* sink = tk_trace_sink::instance_ptr();
  if (sink == nullptr || !sink->enabled() || format == nullptr) return;
  std::va_list arguments;
  va_start(arguments, format);
  sink->write(level, format, arguments);
  va_end(arguments);
}

tk_trace_sink::tk_trace_sink(std::string file_name, int threshold, bool append_line_end, bool timestamp)
    : file_name_(std::move(file_name)),
      threshold_(threshold),
      append_line_end_(append_line_end),
      timestamp_(timestamp) {}

std::unique_ptr<tk_trace_sink> tk_trace_sink::from_environment() {
  const char* file = std::getenv("QUILL_TRACE");
  if (file == nullptr || *file == '\0') return nullptr;
  return std::make_unique<tk_trace_sink>(file);
}

void tk_trace_sink::truncate_once() noexcept {
  if (truncated_) return;
  int fd = ::open(file_name_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd >= 0) ::close(fd);
  truncated_ = true;
}

void tk_trace_sink::write(int level, const char* format, std::va_list arguments) noexcept {
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    truncate_once();
    if (level < threshold_) return;
    std::string text = timestamp_ ? local_time_prefix() : std::string();
    char buffer[message_limit];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
#pragma GCC diagnostic pop
    if (length < 0) return;
    text += buffer;
    if (append_line_end_) text += "\r\n";
    int fd = ::open(file_name_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return;
    write_all(fd, text);
    ::close(fd);
  } catch (...) {
    // A trace failure never reaches the caller.
  }
}
