#include "convert/init_conversion.h"

#include <ctime>

#include "TK/tk_trace.h"

namespace {
std::tm local_now() {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return parts;
}
}  // namespace

init_conversion::init_conversion(std::atomic<bool>& finished, conversion_front_end& front_end)
    : finished_(finished) {
  TK_TRACE(2, "init_conversion::ctor");
  std::tm t = local_now();
  TK_TRACE(3, "Conversion started on %02d/%02d/%04d at %02d:%02d:%02d\n", t.tm_mday, t.tm_mon + 1,
           t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
  front_end.run_started();
}

init_conversion::~init_conversion() {
  TK_TRACE(2, "init_conversion::dtor");
  std::tm t = local_now();
  TK_TRACE(3, "Conversion ended on %02d/%02d/%04d at %02d:%02d:%02d\n", t.tm_mday, t.tm_mon + 1,
           t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
  finished_.store(true);
}
