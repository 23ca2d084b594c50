// VarDateFromStr: English (United States) date texts. The text is cut into
// numbers, words and separators; one h:mm[:ss] group is the time, AM/PM
// words adjust it, month and weekday names are words, and the remaining
// numbers are the date.
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "platform/oleaut/var_date.h"

namespace {

struct token {
  enum kind_t { number, word, separator } kind;
  std::string text;
};

struct date_parts {
  std::vector<std::string> numbers;  // date numbers in text order
  int month_name = 0;                // 1..12 when a month name was given
  int hour = -1, minute = 0, second = 0;
  int day_half = 0;                  // 0 none, 1 AM, 2 PM
};

const char* const kMonths[] = {"january", "february", "march",     "april",   "may",      "june",
                               "july",    "august",   "september", "october", "november", "december"};
const char* const kWeekdays[] = {"sunday",   "monday", "tuesday", "wednesday",
                                 "thursday", "friday", "saturday"};

bool tokenize(const char* text, std::vector<token>& out) {
  for (const char* p = text; *p != '\0';) {
    unsigned char c = static_cast<unsigned char>(*p);
    token t{token::separator, {}};
    if (std::isdigit(c)) {
      t.kind = token::number;
      while (std::isdigit(static_cast<unsigned char>(*p))) t.text += *p++;
    } else if (std::isalpha(c)) {
      t.kind = token::word;
      while (std::isalpha(static_cast<unsigned char>(*p)))
        t.text += static_cast<char>(std::tolower(static_cast<unsigned char>(*p++)));
    } else if (std::strchr(" /-,:", *p) != nullptr) {
      t.text = *p++;
    } else {
      return false;  // dots and everything else
    }
    out.push_back(std::move(t));
  }
  return true;
}

// A full name, or a prefix of at least three letters ("jan", "sept").
int find_name(const std::string& word, const char* const* names, int count) {
  for (int i = 0; i < count; ++i)
    if (word.size() >= 3 && std::strncmp(names[i], word.c_str(), word.size()) == 0) return i + 1;
  return 0;
}

bool is_sep(const std::vector<token>& t, std::size_t i, char c) {
  return i < t.size() && t[i].kind == token::separator && t[i].text[0] == c;
}
bool is_number(const std::vector<token>& t, std::size_t i) {
  return i < t.size() && t[i].kind == token::number && t[i].text.size() <= 4;
}

// Reads "h:mm[:ss]" at i; advances i past it.
bool read_time(const std::vector<token>& t, std::size_t& i, date_parts& parts) {
  if (parts.hour >= 0 || t[i].text.size() > 2 || t[i + 2].text.size() > 2) return false;
  parts.hour = std::stoi(t[i].text);
  parts.minute = std::stoi(t[i + 2].text);
  i += 3;
  if (is_sep(t, i, ':') && is_number(t, i + 1)) {
    if (t[i + 1].text.size() > 2) return false;
    parts.second = std::stoi(t[i + 1].text);
    i += 2;
  }
  return true;
}

bool read_word(const std::string& word, date_parts& parts) {
  if (word == "am" || word == "pm") {
    if (parts.day_half != 0) return false;
    parts.day_half = word == "am" ? 1 : 2;
    return true;
  }
  if (int month = find_name(word, kMonths, 12)) {
    if (parts.month_name != 0) return false;
    parts.month_name = month;
    return true;
  }
  return find_name(word, kWeekdays, 7) != 0;  // a weekday name is ignored
}

bool split(const std::vector<token>& t, date_parts& parts) {
  for (std::size_t i = 0; i < t.size();) {
    if (is_number(t, i) && is_sep(t, i + 1, ':') && is_number(t, i + 2)) {
      if (!read_time(t, i, parts)) return false;
    } else if (t[i].kind == token::number) {
      if (t[i].text.size() > 4 || parts.numbers.size() == 3) return false;
      parts.numbers.push_back(t[i++].text);
    } else if (t[i].kind == token::word) {
      if (!read_word(t[i++].text, parts)) return false;
    } else if (t[i++].text[0] == ':') {
      return false;
    }
  }
  return true;
}

int full_year(const std::string& digits) {
  int year = std::stoi(digits);
  if (digits.size() > 2) return year;
  return year < 30 ? 2000 + year : 1900 + year;
}

bool is_year(const std::string& digits) { return digits.size() > 2 || std::stoi(digits) > 31; }

// Fills year, month, day from the date numbers; false when they do not
// make a date.
bool assign_date(const date_parts& parts, SYSTEMTIME& st) {
  const auto& n = parts.numbers;
  int year, month, day;
  if (parts.month_name != 0) {
    if (n.size() != 2 || (is_year(n[0]) && is_year(n[1]))) return false;
    bool year_first = is_year(n[0]);
    month = parts.month_name;
    day = std::stoi(year_first ? n[1] : n[0]);
    year = full_year(year_first ? n[0] : n[1]);
  } else if (n.size() == 3) {
    bool year_first = n[0].size() > 2;
    year = full_year(year_first ? n[0] : n[2]);
    month = std::stoi(year_first ? n[1] : n[0]);
    day = std::stoi(year_first ? n[2] : n[1]);
  } else if (n.empty() && parts.hour >= 0) {
    year = 1899, month = 12, day = 30;
  } else {
    return false;
  }
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  return true;
}

bool assign_time(const date_parts& parts, SYSTEMTIME& st) {
  int hour = parts.hour < 0 ? 0 : parts.hour;
  if (parts.day_half != 0) {
    if (parts.hour < 0 || hour < 1 || hour > 12) return false;
    hour = hour % 12 + (parts.day_half == 2 ? 12 : 0);
  }
  st.wHour = static_cast<WORD>(hour);
  st.wMinute = static_cast<WORD>(parts.minute);
  st.wSecond = static_cast<WORD>(parts.second);
  return true;
}

}  // namespace

HRESULT VarDateFromStr(const OLECHAR* text, LCID, ULONG, DATE* out) {
  if (text == nullptr || out == nullptr) return E_INVALIDARG;
  std::vector<token> tokens;
  date_parts parts;
  SYSTEMTIME st{};
  if (!tokenize(text, tokens) || !split(tokens, parts) || !assign_date(parts, st) ||
      !assign_time(parts, st))
    return DISP_E_TYPEMISMATCH;
  DATE date = 0.0;
  if (!SystemTimeToVariantTime(&st, &date)) return DISP_E_TYPEMISMATCH;
  *out = date;
  return S_OK;
}
