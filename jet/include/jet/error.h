// The one error type of the Jet engine.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace jet {

// Page number used when damage is not tied to one page (e.g. a blob that
// spans pages, or the file as a whole).
inline constexpr std::uint32_t kNoPage = 0xFFFFFFFFu;

enum class ErrorKind {
  corruption,        // the file is damaged or not a Jet database
  io,                // the operating system failed to read or write
  not_supported,     // a valid file uses a feature this engine lacks
  invalid_argument,  // the caller asked for something that cannot exist
};

// Every failure of the engine is thrown as jet::Error. what() is a complete,
// human-readable sentence; the accessors expose its parts for callers that
// map errors (e.g. onto the Jet error numbers DAO reports).
// Thread-safety: immutable after construction, safe to share.
class Error : public std::runtime_error {
 public:
  Error(ErrorKind kind, const std::string& message, std::uint32_t page = kNoPage,
        int jet_number = 0);

  // Damage found while decoding: `where` names the structure (e.g. "TDEF"),
  // `expected` and `found` describe the mismatch. what() reads like
  // "corruption on page 12 (TDEF): expected page type 0x02, found 0x01".
  static Error corruption(std::uint32_t page, std::string_view where, std::string_view expected,
                          std::string_view found);
  static Error io(const std::string& message);
  static Error not_supported(const std::string& message);
  static Error invalid_argument(const std::string& message);

  ErrorKind kind() const { return kind_; }
  // The page where damage was found, if the error is tied to one.
  std::optional<std::uint32_t> page() const;
  // The Jet error number DAO would report (e.g. 3022 duplicate key), or 0.
  int jet_number() const { return jet_number_; }

 private:
  ErrorKind kind_;
  std::uint32_t page_;
  int jet_number_;
};

// Short English name of a kind ("corruption", "I/O", ...).
std::string_view to_string(ErrorKind kind);

}  // namespace jet
