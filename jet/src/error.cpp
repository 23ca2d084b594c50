#include "jet/error.h"

namespace jet {

Error::Error(ErrorKind kind, const std::string& message, std::uint32_t page, int jet_number)
    : std::runtime_error(message), kind_(kind), page_(page), jet_number_(jet_number) {}

Error Error::corruption(std::uint32_t page, std::string_view where, std::string_view expected,
                        std::string_view found) {
  std::string message = "corruption";
  if (page != kNoPage) message += " on page " + std::to_string(page);
  message += " (" + std::string(where) + "): expected " + std::string(expected) + ", found " +
             std::string(found);
  return Error(ErrorKind::corruption, message, page);
}

Error Error::io(const std::string& message) { return Error(ErrorKind::io, "I/O error: " + message); }

Error Error::not_supported(const std::string& message) {
  return Error(ErrorKind::not_supported, "not supported: " + message);
}

Error Error::invalid_argument(const std::string& message) {
  return Error(ErrorKind::invalid_argument, "invalid argument: " + message);
}

std::optional<std::uint32_t> Error::page() const {
  if (page_ == kNoPage) return std::nullopt;
  return page_;
}

std::string_view to_string(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::corruption: return "corruption";
    case ErrorKind::io: return "I/O";
    case ErrorKind::not_supported: return "not supported";
    case ErrorKind::invalid_argument: return "invalid argument";
  }
  return "unknown";
}

}  // namespace jet
