#include "TK/tk_converter.h"

#include <chrono>
#include <thread>

void tk_converter::operator()() {
  while (!is_finished()) idle();
  finish();
}

bool tk_converter::is_finished() { return false; }

void tk_converter::idle() { std::this_thread::sleep_for(std::chrono::milliseconds(100)); }

void tk_converter::finish() {}
