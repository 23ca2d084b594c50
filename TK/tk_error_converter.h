// The map from error codes to friendly texts, and the two message tables
// that both programs load into it: OLE DB codes (0x80000 | (HRESULT &
// 0xFFFF)) and DAO codes (0x10000 + the DAO error number).
//
// Thread-safety: a converter is filled at start-up and then only read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

// The maker's support address, inserted into the messages below.
#define TK_SUPPORT_ADDRESS "support@quillmere.example"
inline constexpr const char tk_support_address[] = TK_SUPPORT_ADDRESS;

struct tk_error_message {
  std::int32_t code;
  const char* text;
};

// OLE DB messages (28 entries) and DAO messages (5 entries), in table order.
inline constexpr std::size_t tk_oledb_message_count = 28;
inline constexpr std::size_t tk_dao_message_count = 5;
extern const tk_error_message tk_oledb_messages[tk_oledb_message_count];
extern const tk_error_message tk_dao_messages[tk_dao_message_count];

class tk_error_converter {
 public:
  // Loads `count` pairs from `table` (see load_map).
  tk_error_converter(std::size_t count, const tk_error_message* table);

  // Inserts each pair in table order; a code already in the map keeps its
  // first text.  A count of 0 adds nothing.  REQUIRES: table is not null
  // (else tk_mail_assertion).
  void load_map(std::size_t count, const tk_error_message* table);

  // The text stored for `code`, or an empty text when it is not in the map.
  std::string convert(std::int32_t code) const;

  std::size_t size() const noexcept { return map_.size(); }

 private:
  std::map<std::int32_t, std::string> map_;
};
